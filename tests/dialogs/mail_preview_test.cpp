#include "core/account_table.h"
#include "core/language.h"
#include "dialogs/mail_preview.h"
#include "dialogs/mark_read.h"
#include "res/mail_preview_templates.h"
#include "support/find_control.h"
#include "support/process_reset.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

using test::control;

class MailPreviewTest : public testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        accountCount = 1;
    }
    void TearDown() override { test::resetProcessState(); }

    // Stores one mail as a check would, at row `row` of account 0.
    static void storeRow(int row, std::int32_t size, const std::string& body) {
        AccountRecord& account = accounts[0];
        account.mailCount = std::max(account.mailCount, row + 1);
        account.mails.setFrom(row, "Anna <anna@example.org>");
        account.mails.setSubject(row, "Quarterly figures");
        account.mails.setDate(row, "Tue, 7 Mar 2006 10:00:00 +0100");
        account.mails[row].size = size;
        account.mails.setBodyPreview(row, body);
    }

    static QString text(const QWidget& dialog, int id) {
        return control<QLineEdit>(dialog, id)->text();
    }
    static QString body(const QWidget& dialog) {
        return control<QPlainTextEdit>(dialog, res::kPreviewBody)->toPlainText();
    }
};

TEST_F(MailPreviewTest, SizeIsShownInWholeKilobytesFrom1024) {
    struct Row {
        std::int32_t size;
        const char* number;
        const char* unit;
    };
    const Row rows[] = {{0, "0", "Bytes"}, {1023, "1023", "Bytes"}, {1024, "1", "KB"},
                        {2047, "1", "KB"}, {2048, "2", "KB"},       {5 * 1048576, "5120", "KB"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.size);
        storeRow(0, row.size, "");
        CMailPreview dialog(accounts[0], 0);
        EXPECT_EQ(text(dialog, res::kPreviewSize), row.number);
        EXPECT_EQ(control<QLabel>(dialog, res::kPreviewUnit)->text(), row.unit);
    }
}

TEST_F(MailPreviewTest, FieldsComeFromTheChosenRow) {
    storeRow(0, 10, "first");
    storeRow(1, 10, "second");
    accounts[0].mails.setSubject(1, "Re: figures");
    CMailPreview dialog(accounts[0], 1);
    EXPECT_EQ(body(dialog), "second");
    EXPECT_EQ(text(dialog, res::kPreviewSubject), "Re: figures");
    EXPECT_EQ(text(dialog, res::kPreviewSender), "Anna <anna@example.org>");
    EXPECT_EQ(text(dialog, res::kPreviewDate), "Tue, 7 Mar 2006 10:00:00 +0100");
    EXPECT_TRUE(control<QLineEdit>(dialog, res::kPreviewSubject)->isReadOnly());
    EXPECT_FALSE(control<QLineEdit>(dialog, res::kPreviewSize)->isEnabled());
}

TEST_F(MailPreviewTest, BodyIsShownAsStoredNeverDecodedOrRendered) {
    struct Row {
        const char* name;
        std::string stored;
        QString shown;
    };
    const Row rows[] = {
        {"base64 stays base64", "SGFsbG8gV2VsdA==\r\nZ3LDvMOfZQ==\r\n",
         "SGFsbG8gV2VsdA==\nZ3LDvMOfZQ==\n"},
        {"HTML stays source", "<html><script>alert(1)</script><b>hi</b></html>",
         "<html><script>alert(1)</script><b>hi</b></html>"},
        {"quoted-printable stays encoded", "Gr=C3=BC=C3=9Fe=\r\n", "Gr=C3=BC=C3=9Fe=\n"},
        {"no body at all", "", ""},
        {"Latin-1 bytes",
         "Gr\xFC\xDF"
         "e",
         QString::fromUtf8("Grüße")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        storeRow(0, 100, row.stored);
        CMailPreview dialog(accounts[0], 0);
        EXPECT_EQ(body(dialog), row.shown);
        EXPECT_TRUE(control<QPlainTextEdit>(dialog, res::kPreviewBody)->isReadOnly());
    }
}

TEST_F(MailPreviewTest, RowOutsideTheListShowsNothing) {
    storeRow(0, 2048, "only mail");
    for (int row : {-1, 1, kMaxMails}) {
        SCOPED_TRACE(row);
        CMailPreview dialog(accounts[0], row);
        EXPECT_EQ(body(dialog), "");
        EXPECT_EQ(text(dialog, res::kPreviewSize), "");
    }
}

TEST_F(MailPreviewTest, TextsFollowTheLanguage) {
    storeRow(0, 1, "");
    CMailPreview english(accounts[0], 0);
    EXPECT_EQ(english.windowTitle(), "mail preview");
    EXPECT_EQ(control<QLabel>(english, res::kPreviewSenderLabel)->text(), "sender");
    EXPECT_EQ(control<QLabel>(english, res::kPreviewSizeLabel)->text(), "size");
    EXPECT_TRUE(control<QLabel>(english, res::kPreviewSafetyNote)->text().startsWith("Due to"));

    Language = 0;
    CMailPreview german(accounts[0], 0);
    EXPECT_EQ(german.windowTitle(), "Mail Vorschau");
    EXPECT_EQ(control<QLabel>(german, res::kPreviewSizeLabel)->text(), QString::fromUtf8("Größe:"));
    EXPECT_TRUE(control<QLabel>(german, res::kPreviewSafetyNote)->text().startsWith("Aufgrund"));
}

TEST_F(MailPreviewTest, OkEnterAndEscapeClose) {
    storeRow(0, 1, "");
    CMailPreview byButton(accounts[0], 0);
    byButton.show();
    control<QPushButton>(byButton, res::kPreviewOk)->click();
    EXPECT_FALSE(byButton.isVisible());

    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        CMailPreview dialog(accounts[0], 0);
        dialog.show();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&dialog, &press);
        EXPECT_FALSE(dialog.isVisible()) << key;
    }
}

// Runs the dialog modally and presses `key` once it is up.
int execWithKey(CMarkRead& dialog, Qt::Key key) {
    QTimer::singleShot(0, &dialog, [&dialog, key] {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&dialog, &press);
    });
    return dialog.exec();
}

TEST_F(MailPreviewTest, MarkReadEnterMeansAllAccountsEscapeCancels) {
    CMarkRead enter;
    EXPECT_EQ(execWithKey(enter, Qt::Key_Return), CMarkRead::AllAccounts);
    CMarkRead escape;
    EXPECT_EQ(execWithKey(escape, Qt::Key_Escape), CMarkRead::Cancel);
}

TEST_F(MailPreviewTest, MarkReadButtonsGiveTheirResults) {
    const std::pair<int, int> rows[] = {
        {res::kMarkAllAccounts, 0}, {res::kMarkSelectedAccount, 1}, {res::kMarkCancel, 2}};
    for (const auto& [id, expected] : rows) {
        CMarkRead dialog;
        QTimer::singleShot(0, &dialog,
                           [&dialog, id = id] { control<QPushButton>(dialog, id)->click(); });
        EXPECT_EQ(dialog.exec(), expected) << id;
    }
}

TEST_F(MailPreviewTest, MarkReadComesUpOnTopHoldingTheProgram) {
    CMarkRead dialog;
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(dialog.windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(dialog.windowTitle(), "mark all mails as read");
    EXPECT_EQ(control<QPushButton>(dialog, res::kMarkSelectedAccount)->text(),
              "only selected account");
    EXPECT_FALSE(control<QLabel>(dialog, res::kMarkIcon)->pixmap().isNull());
    dialog.show();
    const QRect screen = dialog.screen()->availableGeometry();
    EXPECT_LE((dialog.frameGeometry().center() - screen.center()).manhattanLength(), 2);
}

TEST_F(MailPreviewTest, MarkReadGermanTexts) {
    Language = 0;
    CMarkRead dialog;
    EXPECT_EQ(dialog.windowTitle(), "Emails als gelesen markieren");
    EXPECT_EQ(control<QPushButton>(dialog, res::kMarkAllAccounts)->text(), "Alle Konten");
    EXPECT_EQ(control<QLabel>(dialog, res::kMarkQuestion)->text(),
              "Von welchen Konten sollen die Emails als gelesen markiert werden ?");
}

} // namespace
} // namespace ombrix
