#include "dialogs/wait_dlg.h"

#include "core/language.h"
#include "core/run_flags.h"
#include "dialogs/animated_picture.h"
#include "platform/dialog_builder.h"
#include "platform/display_qstring.h"
#include "platform/program_file.h"
#include "res/wait_dialog_template.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace ombrix {

CWaitDlg::CWaitDlg(QWidget* parent, const QString& picturePath)
    : QDialog(parent), picturePath_(picturePath) {
    // The template holds the German texts; the English status text is set on
    // opening, as the dialog has always done.
    DialogControls controls = buildDialog(*this, res::waitDialogTemplate, 0);
    picture_ = new CAnimatedPicture(this);
    controls.replace(res::kWaitPicture, picture_);
    button_ = controls.get<QPushButton>(res::kWaitButton);
    status_ = controls.get<QLabel>(res::kWaitStatus);
    progress_ = controls.get<QProgressBar>(res::kWaitProgress);
    if (Language != 0)
        button_->setText(QStringLiteral("Cancel"));
    connect(button_, &QPushButton::clicked, this, [this] { onButton(); });
    setModal(true);
}

CWaitDlg::~CWaitDlg() = default;

void CWaitDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!initialised_)
        initDialog();
}

void CWaitDlg::initDialog() {
    initialised_ = true;
    const QString path = picturePath_.isEmpty() ? findWaitPicture() : picturePath_;
    if (!path.isEmpty() && picture_->LoadFromFile(path))
        picture_->Start();
    progress_->setRange(0, 10);
    progress_->setValue(10);
    if (Language != 0)
        status_->setText(QStringLiteral("please wait...checking mails..."));
    waitDialogReady = 1;
    emit opened();
}

void CWaitDlg::onButton() {
    if (closeOnButton) {
        closing_ = true;
        done(QDialog::Accepted);
        return;
    }
    abortRequest = 1; // the run closes the dialog once it has stopped
}

void CWaitDlg::reject() {
    if (closing_) {
        QDialog::reject();
        return;
    }
    onButton();
}

void CWaitDlg::closeEvent(QCloseEvent* event) {
    if (closing_) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    onButton();
}

void CWaitDlg::setStatusText(const std::string& text) {
    status_->setText(toDisplay(text));
}

void CWaitDlg::setProgressRange(int low, int high) {
    progress_->setRange(low, high);
}

void CWaitDlg::setProgressPosition(int position) {
    progress_->setValue(position);
}

void CWaitDlg::showButton() {
    button_->show();
}

void CWaitDlg::setButtonText(const std::string& text) {
    button_->setText(toDisplay(text));
}

void CWaitDlg::closeRequest() {
    closing_ = true;
    picture_->Stop();
    done(QDialog::Rejected);
}

QString findWaitPicture() {
    const QString name = QString::fromLatin1(res::kWaitPictureFile);
    const QString programDir = QString::fromStdString(programFileDirectory());
    const QStringList candidates{
        QDir::current().filePath(name),
        QDir(programDir).filePath(name),
        QDir(programDir).filePath(QStringLiteral("../share/ombrix/") + name),
    };
    for (const QString& candidate : candidates)
        if (QFileInfo(candidate).isFile())
            return QDir::cleanPath(candidate);
    return {};
}

} // namespace ombrix
