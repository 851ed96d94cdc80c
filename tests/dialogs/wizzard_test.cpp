#include "core/account_table.h"
#include "core/language.h"
#include "dialogs/wizzard.h"
#include "res/account_dialog_templates.h"
#include "support/find_control.h"
#include "support/process_reset.h"
#include "support/scripted_message_presenter.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

using test::control;

struct Answers {
    QString address = "anna@example.org";
    int protocol = 0; // choice box entry: 0 POP3, 1 IMAP
    int ssl = 0;      // 0 no, 1 yes
    QString server = "pop.example.org";
    QString user = "anna";
    QString password = "secret";
};

class WizardTest : public testing::Test {
protected:
    void SetUp() override { test::resetProcessState(); }
    void TearDown() override { test::resetProcessState(); }

    QLineEdit* answer() const { return control<QLineEdit>(wizard, res::kWizardAnswer); }
    QComboBox* choice() const { return control<QComboBox>(wizard, res::kWizardChoice); }
    QString question() const { return control<QLabel>(wizard, res::kWizardQuestion)->text(); }
    void next() { control<QPushButton>(wizard, res::kWizardNext)->click(); }
    void type(const QString& text) {
        answer()->setText(text);
        next();
    }
    void choose(int index) {
        choice()->setCurrentIndex(index);
        next();
    }
    // Answers the steps before `step` (0 to 6).
    void answerUpTo(int step, const Answers& a = {}) {
        const std::function<void()> steps[] = {
            [&] { type(a.address); }, [&] { choose(a.protocol); }, [&] { choose(a.ssl); },
            [&] { type(a.server); },  [&] { type(a.user); },       [&] { type(a.password); }};
        for (int i = 0; i < step; ++i)
            steps[i]();
    }

    test::ScriptedMessagePresenter boxes;
    CWizzard wizard;
};

TEST_F(WizardTest, OpensOnTheAddressQuestion) {
    EXPECT_EQ(wizard.answers().step, 0);
    EXPECT_EQ(wizard.windowTitle(), "step 1 / 6");
    EXPECT_EQ(question(), "please enter your email address:");
    EXPECT_TRUE(control<QPushButton>(wizard, res::kWizardOk)->isHidden());
    EXPECT_TRUE(choice()->isHidden());
    EXPECT_TRUE(control<QLabel>(wizard, res::kWizardHint)->isHidden());
    EXPECT_FALSE(answer()->isHidden());
    EXPECT_EQ(control<QPushButton>(wizard, res::kWizardNext)->text(), "OK");
    EXPECT_EQ(control<QPushButton>(wizard, res::kWizardCancel)->text(), "cancel");
}

TEST_F(WizardTest, PortFollowsProtocolAndSsl) {
    struct Row {
        int protocol, ssl;
        const char* port;
    };
    for (const Row& row :
         {Row{0, 0, "110"}, Row{0, 1, "995"}, Row{1, 0, "143"}, Row{1, 1, "993"}}) {
        SCOPED_TRACE(row.port);
        CWizzard fresh;
        control<QLineEdit>(fresh, res::kWizardAnswer)->setText("a@b.example");
        control<QPushButton>(fresh, res::kWizardNext)->click();
        for (int index : {row.protocol, row.ssl}) {
            control<QComboBox>(fresh, res::kWizardChoice)->setCurrentIndex(index);
            control<QPushButton>(fresh, res::kWizardNext)->click();
        }
        EXPECT_EQ(fresh.answers().step, 3);
        EXPECT_EQ(fresh.answers().port, row.port);
        EXPECT_EQ(fresh.answers().protocol, row.protocol);
        EXPECT_EQ(fresh.answers().ssl, row.ssl);
    }
}

TEST_F(WizardTest, EmptyAnswersAreRefusedWithTheirMessage) {
    struct Row {
        int step;
        const char* message;
    };
    const Row rows[] = {{0, "Please enter your mail address !"},
                        {3, "please enter the name of your mailserver !"},
                        {4, "Please enter the username !"},
                        {5, "Enter your password !"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.step);
        CWizzard fresh;
        auto* edit = control<QLineEdit>(fresh, res::kWizardAnswer);
        auto* nextButton = control<QPushButton>(fresh, res::kWizardNext);
        const QString texts[] = {"a@b.example", "", "", "pop.b.example", "anna"};
        for (int i = 0; i < row.step; ++i) {
            edit->setText(texts[i]);
            nextButton->click();
        }
        const std::string title = fresh.windowTitle().toStdString();
        edit->clear();
        nextButton->click();
        ASSERT_FALSE(boxes.texts().empty());
        EXPECT_EQ(boxes.texts().back(), row.message);
        EXPECT_EQ(fresh.answers().step, row.step);
        EXPECT_EQ(fresh.windowTitle().toStdString(), title);
        EXPECT_EQ(title, "step " + std::to_string(row.step + 1) + " / 6");
    }
    EXPECT_EQ(accountCount, 0u);
}

TEST_F(WizardTest, StepsAskTheirQuestionsWithHints) {
    answerUpTo(1);
    EXPECT_EQ(question(), "Which type of protocol does your emailaddress use?");
    EXPECT_TRUE(control<QLabel>(wizard, res::kWizardHint)
                    ->text()
                    .startsWith("If you dont know what to choose, select POP3.\n\n"));
    EXPECT_FALSE(choice()->isHidden());
    EXPECT_TRUE(answer()->isHidden());
    choose(0);
    EXPECT_EQ(choice()->itemText(0), "No");
    EXPECT_EQ(choice()->itemText(1), "Yes");
    EXPECT_EQ(choice()->count(), 2);
    choose(0);
    EXPECT_EQ(question(), "Please enter the name of the mailserver:");
    EXPECT_TRUE(control<QLabel>(wizard, res::kWizardHint)->text().contains("pop."));
    EXPECT_TRUE(answer()->text().isEmpty());
    type("pop.example.org");
    EXPECT_EQ(wizard.windowTitle(), "step 5 / 6");
    EXPECT_TRUE(answer()->text().isEmpty()) << "the address is not offered as the user name";
}

TEST_F(WizardTest, PasswordStepHidesWhatIsTyped) {
    answerUpTo(4);
    EXPECT_EQ(answer()->echoMode(), QLineEdit::Normal);
    type("anna");
    EXPECT_EQ(wizard.windowTitle(), "step 6 / 6");
    EXPECT_EQ(question(), "Please enter your password:");
    EXPECT_EQ(answer()->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(control<QLabel>(wizard, res::kWizardHint)->isHidden());
    answer()->setText("hunter2");
    EXPECT_FALSE(answer()->displayText().contains("hunter2"));
    EXPECT_EQ(answer()->displayText().size(), 7);
}

TEST_F(WizardTest, CancelAtTheLastStepAddsNothing) {
    accountCount = 1;
    answerUpTo(5);
    answer()->setText("secret");
    control<QPushButton>(wizard, res::kWizardCancel)->click();
    EXPECT_EQ(wizard.result(), QDialog::Rejected);
    EXPECT_EQ(accountCount, 1u);
    EXPECT_TRUE(accounts[1].name.empty());
}

TEST_F(WizardTest, HiddenOkClosesWithoutAdding) {
    answerUpTo(5);
    control<QPushButton>(wizard, res::kWizardOk)->click();
    EXPECT_EQ(wizard.result(), QDialog::Rejected);
    EXPECT_EQ(accountCount, 0u);
}

TEST_F(WizardTest, NewAccountIsAppendedAfterTheOthers) {
    accountCount = 2;
    accounts[1].name = "existing";
    accounts[2].errorFlag = 1;
    Answers a;
    a.protocol = 1;
    a.ssl = 1;
    a.server = "imap.example.org";
    answerUpTo(6, a);
    EXPECT_EQ(wizard.result(), QDialog::Accepted);
    EXPECT_EQ(boxes.texts().back(), "OK, account successfully added !");
    ASSERT_EQ(accountCount, 3u);
    const AccountRecord& added = accounts[2];
    EXPECT_EQ(added.name, "anna@example.org");
    EXPECT_EQ(added.host, "imap.example.org");
    EXPECT_EQ(added.user, "anna");
    EXPECT_EQ(added.password, "secret");
    EXPECT_EQ(added.port, "993");
    EXPECT_EQ(added.protocol, 1);
    EXPECT_EQ(added.useSsl, 1);
    EXPECT_EQ(added.errorFlag, 0);
    EXPECT_EQ(accounts[1].name, "existing");
}

TEST_F(WizardTest, TypedChoiceThatNamesNoEntry) {
    answerUpTo(1);
    choice()->setEditText("Exchange");
    next();
    EXPECT_EQ(wizard.answers().protocol, 1) << "no entry counts as IMAP";
    choice()->setEditText("maybe");
    next();
    EXPECT_EQ(wizard.answers().ssl, 0) << "no entry counts as no SSL";
    EXPECT_EQ(wizard.answers().port, "143");
    EXPECT_EQ(choice()->count(), 2) << "typed text never becomes an entry";
}

TEST_F(WizardTest, ControlCharactersAreRefusedAndTheStepStays) {
    answerUpTo(4);
    type("anna\r\nQUIT");
    EXPECT_EQ(wizard.answers().step, 4);
    EXPECT_EQ(boxes.texts().back(),
              "The username must not contain a line break or other control character !");
    type("anna");
    type("pw\nDELE 1");
    EXPECT_EQ(wizard.answers().step, 5);
    EXPECT_EQ(boxes.texts().back(),
              "The password must not contain a line break or other control character !");
    type("pw\x1d");
    EXPECT_EQ(wizard.answers().step, 5);
    EXPECT_EQ(accountCount, 0u);
    type("pw");
    EXPECT_EQ(accountCount, 1u);
    EXPECT_EQ(accounts[0].password, "pw");
}

TEST_F(WizardTest, FullTableIsRefusedAtTheEnd) {
    accountCount = kMaxAccounts;
    answerUpTo(6);
    EXPECT_EQ(boxes.texts().back(), "You have reached the limits of accounts, sorry");
    EXPECT_EQ(wizard.result(), QDialog::Rejected);
    EXPECT_EQ(accountCount, std::uint32_t(kMaxAccounts));
}

TEST_F(WizardTest, GermanTexts) {
    Language = 0;
    CWizzard german;
    EXPECT_EQ(german.windowTitle(), "Schritt 1 / 6");
    EXPECT_EQ(control<QPushButton>(german, res::kWizardNext)->text(), "Weiter");
    EXPECT_EQ(control<QPushButton>(german, res::kWizardCancel)->text(), "Abbrechen");
    control<QPushButton>(german, res::kWizardNext)->click();
    EXPECT_EQ(boxes.texts().back(), "Bitte geben sie ihre Emailadresse ein !");
    control<QLineEdit>(german, res::kWizardAnswer)->setText("a@b.example");
    control<QPushButton>(german, res::kWizardNext)->click();
    control<QPushButton>(german, res::kWizardNext)->click();
    EXPECT_EQ(control<QComboBox>(german, res::kWizardChoice)->itemText(1), "Ja");
}

// The last step offers OAuth beside the password: for a preset's server it
// is chosen and the password edit goes; for any other the password stays.
TEST_F(WizardTest, TheLastStepOffersOAuthAndChoosesAPresetsProvider) {
    struct Row {
        const char* server;
        std::vector<QString> offered;
        const char* question;
    };
    const Row rows[] = {
        {"pop.b.example", {"password", "OAuth (custom)"}, "Please enter your password:"},
        {"IMAP.GMAIL.COM",
         {"password", "OAuth (Google)", "OAuth (custom)"},
         "Now sign in with Google in your browser:"},
        {"outlook.office365.com",
         {"password", "OAuth (Microsoft)", "OAuth (custom)"},
         "Now sign in with Microsoft in your browser:"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.server);
        CWizzard fresh;
        auto* edit = control<QLineEdit>(fresh, res::kWizardAnswer);
        auto* auth = control<QComboBox>(fresh, res::kWizardAuth);
        for (const QString& text :
             {QString("a@b.example"), QString(), QString(), QString(row.server), QString("anna")}) {
            EXPECT_TRUE(auth->isHidden()) << "only the last step offers it";
            edit->setText(text);
            control<QPushButton>(fresh, res::kWizardNext)->click();
        }
        ASSERT_EQ(fresh.answers().step, 5);
        EXPECT_FALSE(auth->isHidden());
        std::vector<QString> offered;
        for (int i = 0; i < auth->count(); ++i)
            offered.push_back(auth->itemText(i));
        EXPECT_EQ(offered, row.offered);
        EXPECT_EQ(control<QLabel>(fresh, res::kWizardQuestion)->text(), row.question);
        EXPECT_EQ(edit->isHidden(), auth->currentIndex() != 0);

        auth->setCurrentIndex(0); // back to the password: its question and edit return
        EXPECT_FALSE(edit->isHidden());
        EXPECT_EQ(control<QLabel>(fresh, res::kWizardQuestion)->text(),
                  "Please enter your password:");
        EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
    }
    EXPECT_TRUE(boxes.texts().empty());
}

} // namespace
} // namespace ombrix
