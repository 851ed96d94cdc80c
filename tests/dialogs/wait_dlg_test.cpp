#include "core/language.h"
#include "core/run_flags.h"
#include "dialogs/animated_picture.h"
#include "dialogs/wait_dlg.h"
#include "support/gui_wait.h"
#include "support/process_reset.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>
#include <thread>

namespace ombrix {
namespace {

using test::processEventsUntil;

QString shippedPicture() {
    return QString(std::getenv("OMBRIX_SOURCE_DIR")) + "/src/res/obx001.dat";
}

class WaitDialog : public testing::Test {
protected:
    void SetUp() override { test::resetProcessState(); }
    void TearDown() override { test::resetProcessState(); }
};

TEST_F(WaitDialog, OpeningFillsTheControlsAndReportsReady) {
    CWaitDlg dialog(nullptr, shippedPicture());
    EXPECT_EQ(waitDialogReady, 0) << "ready only once it is up";
    dialog.show();
    EXPECT_EQ(waitDialogReady, 1);
    EXPECT_EQ(dialog.progressBar()->minimum(), 0);
    EXPECT_EQ(dialog.progressBar()->maximum(), 10);
    EXPECT_EQ(dialog.progressBar()->value(), 10);
    EXPECT_EQ(dialog.statusLabel()->text(), "please wait...checking mails...");
    EXPECT_EQ(dialog.windowTitle(), "Bitte Warten - Ombrix");
    EXPECT_TRUE(dialog.picture()->isLoaded());
    EXPECT_TRUE(processEventsUntil([&] { return dialog.picture()->isAnimating(); }));
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
}

TEST_F(WaitDialog, GermanKeepsTheTemplateTexts) {
    Language = 0;
    CWaitDlg dialog(nullptr, shippedPicture());
    dialog.show();
    EXPECT_EQ(dialog.statusLabel()->text(),
              QString::fromUtf8("Bitte warten...überprüfe gerade Mailkonten..."));
    EXPECT_EQ(dialog.button()->text(), "Abbrechen");
}

TEST_F(WaitDialog, AMissingPictureLeavesTheControlEmpty) {
    CWaitDlg dialog(nullptr, "/nonexistent/obx001.dat");
    dialog.show();
    EXPECT_FALSE(dialog.picture()->isLoaded());
    EXPECT_EQ(waitDialogReady, 1);
}

TEST_F(WaitDialog, ButtonDuringARunAsksItToStopAndStaysOpen) {
    CWaitDlg dialog(nullptr, shippedPicture());
    dialog.show();
    closeOnButton = 0;
    dialog.button()->click();
    EXPECT_EQ(abortRequest, 1);
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(WaitDialog, EscapeActsAsTheButton) {
    CWaitDlg dialog(nullptr, shippedPicture());
    dialog.show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&dialog, &escape);
    EXPECT_EQ(abortRequest, 1);
    EXPECT_TRUE(dialog.isVisible()) << "Escape must not leave a running check unwatched";
}

TEST_F(WaitDialog, ButtonAfterAFailedRunClosesIt) {
    CWaitDlg dialog(nullptr, shippedPicture());
    dialog.show();
    closeOnButton = 1;
    dialog.button()->click();
    EXPECT_EQ(abortRequest, 0);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(WaitDialog, UpdatesAndCloseFromAWorkerRunReachTheModalDialog) {
    CWaitDlg dialog(nullptr, shippedPicture());
    std::vector<QString> statusSeen;
    // The run waits for the dialog, then sends its updates through the window
    // thread's queue, as the run host does.
    std::thread run([&] {
        while (!waitDialogReady)
            std::this_thread::yield();
        QMetaObject::invokeMethod(&dialog, [&] {
            dialog.setStatusText("checking Posteingang ...");
            dialog.setProgressRange(0, 7);
            dialog.setProgressPosition(3);
            dialog.setButtonText("Stop");
            dialog.showButton();
            statusSeen.push_back(dialog.statusLabel()->text());
        });
        QMetaObject::invokeMethod(&dialog, [&] { dialog.closeRequest(); });
    });
    const int result = dialog.exec();
    run.join();
    EXPECT_EQ(result, QDialog::Rejected);
    ASSERT_EQ(statusSeen.size(), 1u);
    EXPECT_EQ(statusSeen[0], "checking Posteingang ...");
    EXPECT_EQ(dialog.progressBar()->maximum(), 7);
    EXPECT_EQ(dialog.progressBar()->value(), 3);
    EXPECT_EQ(dialog.button()->text(), "Stop");
    EXPECT_FALSE(dialog.picture()->isAnimating()) << "closing stops the picture's thread";
}

TEST(WaitPictureLookup, TheProgramDirectoryComesFirst) {
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString(std::getenv("OMBRIX_SOURCE_DIR")) + "/src/res"));
    const QString inCurrent = findWaitPicture();
    QDir::setCurrent(previous);
    EXPECT_EQ(QFileInfo(inCurrent).canonicalFilePath(),
              QFileInfo(shippedPicture()).canonicalFilePath());
}

} // namespace
} // namespace ombrix
