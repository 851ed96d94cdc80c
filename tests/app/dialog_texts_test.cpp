// Every dialog and the main window, built in German and in English at their
// default sizes: no text is wider (or taller) than the control that shows it,
// no two controls cover each other, the mail list's columns fit, and Qt's own
// buttons speak the program's language.

#include "app/checker_dlg.h"
#include "app/mail_list_view.h"
#include "app/recording_tray_shell.h"
#include "app/text_room.h"
#include "app/window_lists.h"
#include "app/window_state.h"
#include "config/program_directory.h"
#include "core/account_table.h"
#include "core/language.h"
#include "core/password_keyring.h"
#include "dialogs/about_box.h"
#include "dialogs/certificate_dialog.h"
#include "dialogs/change_konto.h"
#include "dialogs/custom_provider_dialog.h"
#include "dialogs/mail_preview.h"
#include "dialogs/mark_read.h"
#include "dialogs/read_tipp.h"
#include "dialogs/sign_in_wait.h"
#include "dialogs/wait_dlg.h"
#include "dialogs/wizzard.h"
#include "platform/qt_translations.h"
#include "res/account_dialog_templates.h"
#include "res/main_dialog_template.h"
#include "res/menus.h"
#include "support/find_control.h"
#include "support/process_reset.h"
#include "support/scripted_message_presenter.h"
#include "support/temp_dir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace ombrix {
namespace {

const char* languageName(int language) {
    return language == 0 ? "German" : "English";
}

// Siblings either lie apart, or one is a group box that holds the other whole.
// A label counts where it draws, so a short text in a tall label covers nothing.
QStringList overlaps(const QWidget& window, const QString& windowName) {
    QStringList lines;
    const auto visible = [&](const QWidget* w) { return w->isVisibleTo(&window); };
    QList<const QWidget*> parents{&window};
    for (const QWidget* child : window.findChildren<QWidget*>())
        parents << child;
    for (const QWidget* parent : parents) {
        QList<const QWidget*> children;
        for (QObject* child : parent->children())
            if (child->isWidgetType() && visible(static_cast<QWidget*>(child)))
                children << static_cast<QWidget*>(child);
        for (qsizetype i = 0; i < children.size(); ++i)
            for (qsizetype j = i + 1; j < children.size(); ++j) {
                const QRect a = test::coveredArea(*children[i]);
                const QRect b = test::coveredArea(*children[j]);
                if (!a.intersects(b))
                    continue;
                const bool framed =
                    (qobject_cast<const QGroupBox*>(children[i]) && a.contains(b)) ||
                    (qobject_cast<const QGroupBox*>(children[j]) && b.contains(a));
                if (!framed)
                    lines << QStringLiteral("%1: %2 %3 and %4 %5 overlap")
                                 .arg(windowName, children[i]->metaObject()->className(),
                                      children[i]->objectName(),
                                      children[j]->metaObject()->className(),
                                      children[j]->objectName());
            }
    }
    return lines;
}

// The editor of an Office 365 account that signs in with `chosen`
// (its own provider: "sign in again" shows).
std::unique_ptr<QWidget> oauthEditor(const char* chosen) {
    AccountRecord& account = accounts[1];
    account.name = "anna@example.org";
    account.host = "outlook.office365.com";
    account.user = "anna@example.org";
    account.port = "993";
    account.protocol = 1;
    account.oauthProvider = "microsoft";
    accountCount = 2;
    auto editor = std::make_unique<ChangeKonto>(1);
    auto* auth = test::control<QComboBox>(*editor, res::kEditorAuth);
    auth->setCurrentIndex(auth->findData(QString::fromUtf8(chosen)));
    return editor;
}

class DialogTextsTest : public testing::TestWithParam<int> {
protected:
    void SetUp() override {
        test::resetProcessState();
        programDirectory = directory.path().string();
        Language = GetParam();
    }
    void TearDown() override {
        test::resetProcessState();
        Language = 1;
    }

    // Shows `window` at its own size and records what is cut or covered.
    void inspect(QWidget& window, const QString& name) {
        window.show();
        const QString full = name + QStringLiteral(" (%1)").arg(languageName(GetParam()));
        problems << test::cutTexts(window, full) << overlaps(window, full);
    }

    test::TempDir directory;
    test::ScriptedMessagePresenter boxes;
    QStringList problems;
};

TEST_P(DialogTextsTest, MainWindowShowsEveryTextWhole) {
    CCheckerDlg window(std::make_unique<test::RecordingTrayShell>());
    WindowLists lists(window);
    window.markDialogReady();
    window.OnCommand(res::kCmdOpenWindow); // at the default size
    inspect(window, "main window");
    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
}

TEST_P(DialogTextsTest, TheKeyringNoticeFitsUnderTheMailList) {
    CCheckerDlg window(std::make_unique<test::RecordingTrayShell>());
    WindowLists lists(window);
    window.markDialogReady();
    window.OnCommand(res::kCmdOpenWindow);
    PasswordAnswer failed;
    failed.outcome = SecretOutcome::Failed; // the longest of the reasons
    applyPasswordAnswers({failed});
    lists.panel().fillFromSettings();
    window.layoutControls();
    const QWidget* notice = window.controls().byId(res::kKeyringNotice);
    ASSERT_TRUE(notice && notice->isVisible());
    inspect(window, "main window with the keyring notice");
    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();

    clearKeyringNotice(); // the keyring answered after all
    lists.panel().fillFromSettings();
    window.layoutControls();
    EXPECT_FALSE(notice->isVisible());
}

TEST_P(DialogTextsTest, MailListColumnsShareTheListAndTheDateFits) {
    CCheckerDlg window(std::make_unique<test::RecordingTrayShell>());
    WindowLists lists(window);
    window.markDialogReady();
    window.OnCommand(res::kCmdOpenWindow);
    MailListView& list = lists.mailList();
    // An item view keeps one focus-frame margin and a pixel on each side of a text.
    const int margin = list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list) + 1;
    const int dateWidth = list.fontMetrics().horizontalAdvance("28.08.2025") + 2 * margin;
    const QHeaderView& header = *list.header();
    EXPECT_EQ(header.length(), list.viewport()->width());
    EXPECT_GE(list.columnWidth(kDateColumn), dateWidth);
    // Its title keeps a mark unit on each side and three for the sort mark.
    const int titleWidth = header.fontMetrics().horizontalAdvance(list.headerItem()->text(3)) +
                           5 * list.columnHeader()->markUnit();
    EXPECT_GE(list.columnWidth(kDateColumn), titleWidth) << "the date column's title is cut";

    window.resize(window.width() + 300, window.height());
    EXPECT_EQ(header.length(), list.viewport()->width()) << "after a resize";
    EXPECT_GE(list.columnWidth(kDateColumn), dateWidth);
}

TEST_P(DialogTextsTest, SmallDialogsShowEveryTextWhole) {
    AccountRecord& account = accounts[0];
    accountCount = 1;
    account.mailCount = 1;
    account.mails.setFrom(0, "Anna <anna@example.org>");
    account.mails.setSubject(0, "Figures");
    account.mails[0].size = 100;

    const std::pair<const char*, std::function<std::unique_ptr<QWidget>()>> dialogs[] = {
        {"about box (German)", [] { return std::make_unique<CAbout>(); }},
        {"about box (English)", [] { return std::make_unique<AboutEN>(); }},
        {"wait dialog", [] { return std::make_unique<CWaitDlg>(); }},
        {"hint", [] { return std::make_unique<CReadTipp>(); }},
        {"account editor", [] { return std::make_unique<ChangeKonto>(0); }},
        {"account editor of an OAuth account", [] { return oauthEditor("microsoft"); }},
        {"account editor with a provider of one's own", [] { return oauthEditor("custom"); }},
        {"OAuth provider of one's own",
         [] {
             CustomProvider shown;
             shown.authorizationUrl = "https://login.example.org/oauth2/v2.0/authorize";
             shown.tokenUrl = "https://login.example.org/oauth2/v2.0/token";
             shown.clientId = "0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0";
             shown.scope = "https://mail.example.org/IMAP offline_access";
             return std::make_unique<CustomProviderDialog>(shown);
         }},
        {"sign-in wait",
         [] {
             oauth::ProviderSettings provider;
             provider.displayName = "Microsoft";
             return std::make_unique<SignInWait>(
                 provider, TokenAccount{"microsoft", "outlook.office365.com", "anna", "imap", 993},
                 "anna@example.org");
         }},
        {"mark as read", [] { return std::make_unique<CMarkRead>(); }},
        {"mail preview", [] { return std::make_unique<CMailPreview>(accounts[0], 0); }},
        {"server certificate",
         [] {
             CertificateFacts facts;
             facts.subject = facts.issuer = "CN=mail.example.org";
             facts.reason = "self-signed certificate";
             facts.notBefore = "2026-01-10 08:00:00 UTC";
             facts.notAfter = "2036-01-08 08:00:00 UTC";
             facts.sha256 = "AB";
             for (int i = 1; i < 32; ++i)
                 facts.sha256 += ":AB";
             facts.pinnedSha256 = facts.sha256;
             return std::make_unique<CertificateDialog>("mail.example.org:993", facts);
         }},
    };
    for (const auto& [name, make] : dialogs) {
        const std::unique_ptr<QWidget> dialog = make();
        inspect(*dialog, QString::fromUtf8(name));
    }
    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
}

TEST_P(DialogTextsTest, EveryWizardStepShowsItsTextsWhole) {
    CWizzard wizard;
    auto* answer = test::control<QLineEdit>(wizard, res::kWizardAnswer);
    auto* choice = test::control<QComboBox>(wizard, res::kWizardChoice);
    auto* next = test::control<QPushButton>(wizard, res::kWizardNext);
    const std::function<void()> answers[] = {
        [&] { answer->setText("anna@example.org"); },
        [&] { choice->setCurrentIndex(0); }, // POP3: the longer server hint
        [&] { choice->setCurrentIndex(1); },
        [&] { answer->setText("pop.example.org"); },
        [&] { answer->setText("anna"); },
    };
    for (int step = 0; step < 5; ++step) {
        inspect(wizard, QStringLiteral("wizard step %1").arg(step + 1));
        answers[step]();
        next->click();
        ASSERT_EQ(wizard.answers().step, step + 1);
    }
    inspect(wizard, QStringLiteral("wizard step 6"));
    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
}

// The last step where the server is a preset's: OAuth is offered and chosen,
// and the question asks for the sign-in; then a provider of one's own.
TEST_P(DialogTextsTest, TheWizardsSignInStepShowsItsTextsWhole) {
    CWizzard wizard;
    auto* answer = test::control<QLineEdit>(wizard, res::kWizardAnswer);
    auto* next = test::control<QPushButton>(wizard, res::kWizardNext);
    for (const char* text : {"anna@example.org", "", "", "outlook.office365.com", "anna"}) {
        answer->setText(QString::fromUtf8(text));
        next->click();
    }
    ASSERT_EQ(wizard.answers().step, 5);
    auto* auth = test::control<QComboBox>(wizard, res::kWizardAuth);
    EXPECT_EQ(auth->currentData().toString(), "microsoft");
    EXPECT_TRUE(answer->isHidden());
    inspect(wizard, QStringLiteral("wizard sign-in step"));
    // Screens for reviews and the manual, where asked for.
    if (const char* screens = std::getenv("OMBRIX_SCREENSHOT_DIR"))
        wizard.grab().save(
            QDir(QString::fromLocal8Bit(screens))
                .filePath(
                    QStringLiteral("wizard-oauth-step-%1.png").arg(GetParam() == 0 ? "de" : "en")));
    auth->setCurrentIndex(auth->findData(QStringLiteral("custom")));
    inspect(wizard, QStringLiteral("wizard sign-in step, own provider"));
    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
}

TEST_P(DialogTextsTest, StandardButtonsSpeakTheProgramsLanguage) {
    ASSERT_TRUE(installQtTranslations(GetParam())) << "Qt's German catalogue (qtbase_de.qm)";
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok |
                           QMessageBox::Cancel);
    QStringList shown;
    for (const QMessageBox::StandardButton button :
         {QMessageBox::Yes, QMessageBox::No, QMessageBox::Ok, QMessageBox::Cancel})
        shown << box.button(button)->text().remove('&');
    const QStringList expected = GetParam() == 0 ? QStringList{"Ja", "Nein", "OK", "Abbrechen"}
                                                 : QStringList{"Yes", "No", "OK", "Cancel"};
    EXPECT_EQ(shown, expected);
    installQtTranslations(1);
}

INSTANTIATE_TEST_SUITE_P(Languages, DialogTextsTest, testing::Values(0, 1),
                         [](const auto& row) { return std::string(languageName(row.param)); });

} // namespace
} // namespace ombrix
