#include "dialogs/mail_preview.h"

#include "core/account_table.h"
#include "core/language.h"
#include "platform/dialog_builder.h"
#include "platform/display_qstring.h"
#include "res/mail_preview_templates.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace ombrix {
namespace {

// An edit control breaks lines at CR LF; the text widget at LF alone.
QString bodyText(std::string_view stored) {
    QString text = toDisplay(stored);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

void fill(const DialogControls& controls, const AccountRecord& account, int mail) {
    auto* body = controls.get<QPlainTextEdit>(res::kPreviewBody);
    body->setLineWrapMode(QPlainTextEdit::NoWrap);
    body->setPlainText(bodyText(account.mails.bodyPreview(mail)));
    controls.get<QLineEdit>(res::kPreviewSubject)->setText(toDisplay(account.mails.subject(mail)));
    controls.get<QLineEdit>(res::kPreviewSender)->setText(toDisplay(account.mails.from(mail)));
    controls.get<QLineEdit>(res::kPreviewDate)->setText(toDisplay(account.mails.date(mail)));
    const PreviewSize size = previewSize(account.mails[mail].size);
    controls.get<QLineEdit>(res::kPreviewSize)->setText(size.number);
    controls.get<QLabel>(res::kPreviewUnit)->setText(size.unit);
}

} // namespace

PreviewSize previewSize(std::int32_t size) {
    if (size > 1023)
        return {QString::number(size / 1024), QStringLiteral("KB")};
    return {QString::number(size), QStringLiteral("Bytes")};
}

CMailPreview::CMailPreview(const AccountRecord& account, int mail, QWidget* parent)
    : QDialog(parent), mail_(mail) {
    const DialogControls controls = buildDialog(*this, res::mailPreviewTemplate, Language);
    if (mail >= 0 && mail < validMailCount(account))
        fill(controls, account, mail);
    connect(controls.get<QPushButton>(res::kPreviewOk), &QPushButton::clicked, this,
            &QDialog::accept);
    setModal(true);
}

} // namespace ombrix
