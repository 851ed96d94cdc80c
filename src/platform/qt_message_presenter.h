#pragma once
// The window's message boxes over QMessageBox. A worker run may ask too: its
// call is carried to the window thread and waits there for the user's answer.

#include "platform/message_box.h"

#include <QObject>
#include <QPointer>

class QWidget;

namespace ombrix {

class QtMessagePresenter final : public QObject, public MessagePresenter {
    Q_OBJECT
public:
    // Create it on the window thread; boxes are centred over `parent`.
    explicit QtMessagePresenter(QWidget* parent = nullptr);

    // Any thread. Blocks until the box is answered.
    BoxAnswer present(const std::string& text, const std::string& title, BoxKind kind) override;

private:
    BoxAnswer showBox(const std::string& text, const std::string& title, BoxKind kind);

    QPointer<QWidget> parent_;
};

} // namespace ombrix
