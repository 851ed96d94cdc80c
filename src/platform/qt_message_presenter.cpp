#include "platform/qt_message_presenter.h"

#include "platform/display_qstring.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>

namespace ombrix {

QtMessagePresenter::QtMessagePresenter(QWidget* parent) : parent_(parent) {}

BoxAnswer QtMessagePresenter::present(const std::string& text, const std::string& title,
                                      BoxKind kind) {
    if (QThread::currentThread() == thread())
        return showBox(text, title, kind);
    // Off the window thread: block this thread until the window thread has the answer.
    BoxAnswer answer = BoxAnswer::Ok;
    QMetaObject::invokeMethod(
        this, [&] { answer = showBox(text, title, kind); }, Qt::BlockingQueuedConnection);
    return answer;
}

BoxAnswer QtMessagePresenter::showBox(const std::string& text, const std::string& title,
                                      BoxKind kind) {
    QMessageBox box(parent_.data());
    box.setWindowTitle(toDisplay(title));
    box.setText(toDisplay(text));
    switch (kind) {
    case BoxKind::Ok:
        box.setIcon(QMessageBox::NoIcon);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case BoxKind::Information:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case BoxKind::YesNoQuestion:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    }
    const int result = box.exec();
    if (kind != BoxKind::YesNoQuestion)
        return BoxAnswer::Ok;
    return result == QMessageBox::Yes ? BoxAnswer::Yes : BoxAnswer::No;
}

} // namespace ombrix
