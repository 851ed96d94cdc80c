#include "platform/display_text.h"

#include <QStringDecoder>

namespace ombrix {

QString toDisplay(const std::string& bytes) {
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

std::string fromDisplay(const QString& text) {
    return text.toStdString();
}

} // namespace ombrix
