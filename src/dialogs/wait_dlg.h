#pragma once
// The modal wait dialog shown over the main window while a run works: an
// animated picture, a status line, a progress bar and one button that asks
// the run to stop (or, after a failed run, closes the dialog).

#include <QDialog>
#include <QString>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

namespace ombrix {

class CAnimatedPicture;

// What a run does with the wait dialog. Every call is made on the window
// thread; the run host carries a worker's requests there.
class WaitDialogControl {
public:
    virtual ~WaitDialogControl() = default;
    virtual void setStatusText(const std::string& text) = 0;
    virtual void setProgressRange(int low, int high) = 0;
    virtual void setProgressPosition(int position) = 0;
    virtual void showButton() = 0;
    virtual void setButtonText(const std::string& text) = 0;
    virtual void closeRequest() = 0;
};

class CWaitDlg final : public QDialog, public WaitDialogControl {
    Q_OBJECT

public:
    // `picturePath` empty: the picture is looked up with findWaitPicture().
    explicit CWaitDlg(QWidget* parent = nullptr, const QString& picturePath = {});
    ~CWaitDlg() override;

    void setStatusText(const std::string& text) override;
    void setProgressRange(int low, int high) override;
    void setProgressPosition(int position) override;
    void showButton() override;
    void setButtonText(const std::string& text) override;
    void closeRequest() override;

    QPushButton* button() const { return button_; }
    QLabel* statusLabel() const { return status_; }
    QProgressBar* progressBar() const { return progress_; }
    CAnimatedPicture* picture() const { return picture_; }

    // Escape and the window's close box act as the button does: the dialog
    // only goes away when the run closes it or the run has failed.
    void reject() override;

signals:
    // The dialog is up and waitDialogReady set: a run may use it.
    void opened();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void initDialog();
    void onButton();

    QString picturePath_;
    QPushButton* button_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    CAnimatedPicture* picture_ = nullptr;
    bool initialised_ = false;
    bool closing_ = false;
};

// The wait dialog's picture: "obx001.dat" in the current directory (the
// program directory), else beside the executable, else in the installed data
// directory. Empty when there is none.
QString findWaitPicture();

} // namespace ombrix
