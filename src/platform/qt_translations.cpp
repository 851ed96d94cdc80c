#include "platform/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace ombrix {
namespace {

QPointer<QTranslator> installed;

} // namespace

bool installQtTranslations(int language) {
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
    }
    if (language != 0)
        return true;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_de"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    return true;
}

} // namespace ombrix
