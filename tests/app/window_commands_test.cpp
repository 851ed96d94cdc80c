// The main window's commands inside the real window with its lists: menus,
// context menus and the Delete key reach them; dialogs, the browser and the
// mail program are scripted.

#include "app/checker_dlg.h"
#include "app/command_texts.h"
#include "app/list_notifications.h"
#include "app/recording_tray_shell.h"
#include "app/window_commands.h"
#include "app/window_lists.h"
#include "app/window_state.h"
#include "config/account_alert.h"
#include "config/oauth_sign_ins.h"
#include "config/program_conf.h"
#include "config/program_directory.h"
#include "config/settings.h"
#include "config/state_store.h"
#include "config/trusted_certificates.h"
#include "core/account_table.h"
#include "core/password_keyring.h"
#include "core/run_flags.h"
#include "delete/delete_handover.h"
#include "dialogs/about_box.h"
#include "dialogs/certificate_dialog.h"
#include "dialogs/change_konto.h"
#include "dialogs/mail_preview.h"
#include "dialogs/mark_read.h"
#include "dialogs/read_tipp.h"
#include "dialogs/wizzard.h"
#include "net/certificate_trust.h"
#include "platform/autostart.h"
#include "platform/termination_signals.h"
#include "proto/session_texts.h"
#include "res/account_dialog_templates.h"
#include "res/main_dialog_template.h"
#include "res/menus.h"
#include "support/find_control.h"
#include "support/gui_wait.h"
#include "support/loopback_server.h"
#include "support/process_reset.h"
#include "support/scripted_message_presenter.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace ombrix {
namespace {

using namespace res;

// A loopback port that nothing listens on: bound on port 0, then closed.
std::string closedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return std::to_string(ntohs(address.sin_port));
}

// What kind of dialog a command opened.
std::string dialogKind(QDialog& dialog) {
    if (dynamic_cast<CWizzard*>(&dialog))
        return "wizard";
    if (dynamic_cast<ChangeKonto*>(&dialog))
        return "editor";
    if (dynamic_cast<CMailPreview*>(&dialog))
        return "preview";
    if (dynamic_cast<CMarkRead*>(&dialog))
        return "mark read";
    if (dynamic_cast<CReadTipp*>(&dialog))
        return "hint";
    if (dynamic_cast<AboutBox*>(&dialog))
        return "about";
    if (dynamic_cast<CertificateDialog*>(&dialog))
        return "certificate";
    return "other";
}

struct MenuShown {
    std::vector<ContextEntry> entries;
    QPoint point;
};

class WindowCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        programDirectory = directory.path().string();
        auto shell = std::make_unique<test::RecordingTrayShell>();
        tray = shell.get();
        dialog = std::make_unique<CCheckerDlg>(std::move(shell));
        lists = std::make_unique<WindowLists>(*dialog);
        commands = std::make_unique<WindowCommands>(*dialog, *lists, services());
        commands->install();
    }

    void TearDown() override {
        commands.reset();
        lists.reset();
        dialog.reset();
        test::resetProcessState();
    }

    CommandServices services() {
        return {.openUrl =
                    [this](const std::string& url) {
                        opened.push_back(url);
                        return browserWorks;
                    },
                .mailClientCommand = [this] { return mailCommand; },
                .startProgram =
                    [this](const MailClientStart& start) {
                        started.push_back(start);
                        return programStarts;
                    },
                .runDialog =
                    [this](QDialog& shown) {
                        dialogs.push_back(dialogKind(shown));
                        if (const auto* preview = dynamic_cast<CMailPreview*>(&shown))
                            previewMail = preview->mail();
                        return onDialog ? onDialog(shown) : int(QDialog::Rejected);
                    },
                .chooseFromMenu =
                    [this](const std::vector<ContextEntry>& entries, QPoint point) {
                        menus.push_back({entries, point});
                        return menuChoice;
                    },
                .helpDirectories = [this] { return helpDirectories; },
                .runDeletion =
                    [this](RunHost& host, const DeletionRequest& request,
                           const DeleteTimeouts& timeouts) {
                        handedOver.push_back(request); // on the run's thread, before the join
                        return DeleteThreadProc(host, request, timeouts);
                    }};
    }

    // An account with `mails` unread mails at server positions 1, 2, ...
    static void addAccount(const std::string& name, int mails) {
        AccountRecord& a = accounts[accountCount++];
        clearAccount(a);
        a.name = name;
        a.host = "127.0.0.1";
        a.user = name + "-user";
        a.password = "secret";
        a.port = "110";
        a.checked = 1;
        a.mailCount = mails;
        for (int i = 0; i < mails; ++i) {
            a.mails.setFrom(i, name + " sender " + std::to_string(i));
            a.mails.setSubject(i, name + " subject " + std::to_string(i));
            a.mails.setUid(i, name + "-uid-" + std::to_string(i));
            a.mails[i].serverPosition = static_cast<std::uint32_t>(i + 1);
            a.mails[i].day = 5;
            a.mails[i].month = 3;
            a.mails[i].year = 2006;
        }
    }

    // The account's last check failed on a self-signed certificate whose
    // fingerprint is `pair` 32 times.
    static CertificateFacts refuseCertificate(AccountRecord& a, const std::string& pair) {
        a.useSsl = 1;
        a.port = "993";
        a.errorFlag = 1;
        a.errorText = session_texts::certificateNotTrusted() + " (self-signed certificate)";
        CertificateFacts facts;
        facts.subject = facts.issuer = "CN=" + a.name;
        facts.reason = "self-signed certificate";
        facts.sha256 = pair;
        for (int i = 1; i < 32; ++i)
            facts.sha256 += ":" + pair;
        certificateTrust().recordRefusal(peerName(a.host, a.port), facts);
        return facts;
    }

    // Posts a marker behind every event already queued and handles them all.
    static void handleQueuedEvents() {
        bool reached = false;
        QMetaObject::invokeMethod(
            qApp, [&reached] { reached = true; }, Qt::QueuedConnection);
        ASSERT_TRUE(test::processEventsUntil([&reached] { return reached; }));
    }

    // Selects the account row as a click does: the mail list shows its mails.
    void chooseAccount(int row) {
        dialog->refreshLists(RefreshMode::Full); // the rows of the accounts as they are now
        lists->accountList().selectRow(row);
        dialog->refreshLists(RefreshMode::Full);
    }

    bool fileExists(const char* name) const {
        return std::filesystem::exists(directory.path() / name);
    }

    // The three files as the next start reads them.
    void reloadFromFiles() {
        test::resetProcessState();
        programDirectory = directory.path().string();
        loadState();
    }

    test::TempDir directory;
    test::TempDir helpDirectory;
    test::ScriptedMessagePresenter boxes;
    test::RecordingTrayShell* tray = nullptr;
    std::unique_ptr<CCheckerDlg> dialog;
    std::unique_ptr<WindowLists> lists;
    std::unique_ptr<WindowCommands> commands;

    std::vector<std::string> opened;
    bool browserWorks = true;
    std::string mailCommand;
    std::vector<MailClientStart> started;
    bool programStarts = true;
    std::vector<std::string> dialogs;
    std::function<int(QDialog&)> onDialog;
    std::vector<MenuShown> menus;
    int menuChoice = 0;
    std::vector<std::string> helpDirectories;
    std::vector<DeletionRequest> handedOver; // what each deletion run was given
    int previewMail = -1;                    // the mail the last preview showed
};

// --- the program ----------------------------------------------------------

TEST_F(WindowCommandsTest, TheMailProgramStartsFromItsCommandLine) {
    struct Row {
        const char* execLine;
        bool startWorks;
        const char* program; // nullptr: nothing started
        std::vector<std::string> arguments;
        bool message;
    };
    const Row rows[] = {
        {R"("/opt/My Mail/mailer" -compose %u)", true, "/opt/My Mail/mailer", {"-compose"}, false},
        {"thunderbird %u", true, "thunderbird", {}, false},
        {"missing-mailer %u", false, "missing-mailer", {}, true},
        {"", true, nullptr, {}, false}, // the desktop names none: silence
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.execLine);
        started.clear();
        const std::size_t boxesBefore = boxes.texts().size();
        mailCommand = row.execLine;
        programStarts = row.startWorks;
        dialog->OnCommand(kCmdOpenMailClient);
        if (row.program) {
            ASSERT_EQ(started.size(), 1u);
            EXPECT_EQ(started[0].program, row.program);
            EXPECT_EQ(started[0].arguments, row.arguments);
        } else {
            EXPECT_TRUE(started.empty());
        }
        const auto texts = boxes.texts();
        ASSERT_EQ(texts.size(), boxesBefore + (row.message ? 1 : 0));
        if (row.message) {
            EXPECT_EQ(texts.back(), "A standard mailclient could not be found !");
        }
    }
}

TEST_F(WindowCommandsTest, HelpOpensTheManualOfTheLanguage) {
    test::writeBytes(helpDirectory / "Manual.html", "<html>manual</html>");
    test::writeBytes(helpDirectory / "Hilfe.html", "<html>Hilfe</html>");
    helpDirectories = {(directory / "nothing here").string(), helpDirectory.path().string()};

    dialog->OnCommand(kCmdHelp);
    Language = 0;
    dialog->OnCommand(kCmdHelp);
    Language = 1;
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], (helpDirectory / "Manual.html").string());
    EXPECT_EQ(opened[1], (helpDirectory / "Hilfe.html").string());
    EXPECT_TRUE(boxes.texts().empty());

    browserWorks = false;
    dialog->OnCommand(kCmdHelp);
    helpDirectories = {(directory / "nothing here").string()};
    browserWorks = true;
    dialog->OnCommand(kCmdHelp);
    EXPECT_EQ(opened.size(), 3u); // a missing file is not handed to the browser
    const auto texts = boxes.texts();
    ASSERT_EQ(texts.size(), 2u);
    for (const std::string& text : texts)
        EXPECT_EQ(text, "Could not open your internet browser to show the help file. Please "
                        "start the help file (it is in html format) by doubleclicking it. It is "
                        "located in the Ombrix folder");
}

TEST_F(WindowCommandsTest, TheShippedHelpFilesAreFoundBesideTheProgram) {
    const char* binary = std::getenv("OMBRIX_BINARY_DIR");
    ASSERT_NE(binary, nullptr);
    helpDirectories = {std::string(binary) + "/src/app"};
    for (const int language : {0, 1}) {
        Language = static_cast<std::uint8_t>(language);
        const std::string file = commands->findHelpFile();
        ASSERT_FALSE(file.empty()) << "language " << language;
        const std::string text = test::readBytes(file);
        EXPECT_NE(text.find("Ombrix"), std::string::npos);
        EXPECT_NE(text.find(language == 0 ? "Konto anlegen" : "Adding an account"),
                  std::string::npos);
    }
    Language = 1;
}

class ConfigHome {
public:
    explicit ConfigHome(const std::filesystem::path& path) {
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            old_ = old;
        ::setenv("XDG_CONFIG_HOME", path.c_str(), 1);
    }
    ~ConfigHome() {
        if (old_.empty())
            ::unsetenv("XDG_CONFIG_HOME");
        else
            ::setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
    }

private:
    std::string old_;
};

TEST_F(WindowCommandsTest, StartWithTheDesktopWritesAndRemovesTheAutostartEntry) {
    const test::TempDir configHome;
    const ConfigHome home(configHome.path());
    QAction* entry = dialog->menuAction(kCmdStartWithDesktop);
    ASSERT_NE(entry, nullptr);

    entry->trigger();
    EXPECT_EQ(settings.startWithWindows, 1);
    EXPECT_TRUE(entry->isChecked());
    EXPECT_EQ(readAutostartDirectory(), programDirectory);
    ASSERT_TRUE(fileExists("obx.dat"));

    reloadFromFiles();
    EXPECT_EQ(settings.startWithWindows, 1);

    dialog->OnCommand(kCmdStartWithDesktop);
    EXPECT_EQ(settings.startWithWindows, 0);
    EXPECT_FALSE(entry->isChecked());
    EXPECT_FALSE(std::filesystem::exists(autostartEntryPath()));
}

TEST_F(WindowCommandsTest, UpdatePageAndBannerOpenTheWebPages) {
    dialog->OnCommand(kCmdCheckForUpdate);
    dialog->controls().get<QPushButton>(kBanner)->click();
    EXPECT_EQ(opened,
              (std::vector<std::string>{"https://ombrix.org/update", "https://ombrix.org"}));
    EXPECT_TRUE(boxes.texts().empty());

    browserWorks = false;
    dialog->OnCommand(kBanner);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_NE(boxes.texts()[0].find("https://ombrix.org"), std::string::npos);
    EXPECT_NE(boxes.texts()[0].find("browser"), std::string::npos);
}

TEST_F(WindowCommandsTest, AboutFromTheMenuAndTheSystemMenu) {
    dialog->OnCommand(kCmdAboutBox);
    dialog->OnCommand(kCmdAbout);
    EXPECT_EQ(dialogs, (std::vector<std::string>{"about", "about"}));
}

// --- accounts -------------------------------------------------------------

TEST_F(WindowCommandsTest, ATwentyFirstAccountIsRefused) {
    for (int i = 0; i < kMaxAccounts; ++i)
        addAccount("account" + std::to_string(i), 0);
    dialog->OnCommand(kCmdNewAccount);
    EXPECT_EQ(boxes.texts(),
              std::vector<std::string>{"You have reached the limits of accounts, sorry"});
    EXPECT_TRUE(dialogs.empty());
    EXPECT_EQ(accountCount, static_cast<std::uint32_t>(kMaxAccounts));
    EXPECT_FALSE(fileExists("obx.dat"));
    EXPECT_EQ(lists->accountList().topLevelItemCount(), kMaxAccounts); // refreshed
}

TEST_F(WindowCommandsTest, TheWizardAddsAnAccountAndItIsSaved) {
    addAccount("first", 0);
    onDialog = [](QDialog& shown) {
        const auto type = [&](const char* text) {
            test::control<QLineEdit>(shown, kWizardAnswer)->setText(QString::fromUtf8(text));
            test::control<QPushButton>(shown, kWizardNext)->click();
        };
        const auto choose = [&](int index) {
            test::control<QComboBox>(shown, kWizardChoice)->setCurrentIndex(index);
            test::control<QPushButton>(shown, kWizardNext)->click();
        };
        type("anna@example.org");
        choose(1); // IMAP
        choose(1); // SSL
        type("imap.example.org");
        type("anna");
        type("secret");
        return shown.result();
    };
    dialog->OnCommand(kCmdNewAccount);
    EXPECT_EQ(dialogs, std::vector<std::string>{"wizard"});
    ASSERT_EQ(accountCount, 2u);
    ASSERT_EQ(lists->accountList().topLevelItemCount(), 2);
    EXPECT_EQ(lists->accountList().nameText(1), "anna@example.org");

    reloadFromFiles();
    ASSERT_EQ(accountCount, 2u);
    EXPECT_EQ(accounts[1].host, "imap.example.org");
    EXPECT_EQ(accounts[1].port, "993");
    EXPECT_EQ(accounts[1].protocol, 1);
}

TEST_F(WindowCommandsTest, EditWorksOnTheSelectedRowOrSaysThereIsNone) {
    addAccount("first", 0);
    addAccount("second", 0);
    dialog->refreshLists(RefreshMode::Full);
    dialog->OnCommand(kCmdEditAccount);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"No account selected"});
    EXPECT_TRUE(dialogs.empty());

    int editing = -2;
    onDialog = [&](QDialog& shown) {
        editing = static_cast<ChangeKonto&>(shown).editedAccount();
        accounts[editing].name = "renamed";
        return int(QDialog::Accepted);
    };
    lists->accountList().selectRow(1);
    dialog->OnCommand(kCmdEditAccountRow);
    EXPECT_EQ(dialogs, std::vector<std::string>{"editor"});
    EXPECT_EQ(editing, 1);
    EXPECT_EQ(lists->accountList().nameText(1), "renamed");
    reloadFromFiles();
    EXPECT_EQ(accounts[1].name, "renamed");
}

TEST_F(WindowCommandsTest, DeletingTheSecondOfThreeKeepsEveryListWithItsAccount) {
    addAccount("first", 2);
    addAccount("second", 4);
    addAccount("third", 3);
    accounts[0].mails[1].read = 1;
    accounts[2].mails[0].read = 1;
    accounts[2].deactivated = 1;
    ASSERT_TRUE(saveAllState());
    chooseAccount(1);
    ASSERT_EQ(lists->mailList().rowCount(), 4);

    boxes.answerNext(BoxAnswer::No);
    dialog->OnCommand(kCmdDeleteAccount);
    EXPECT_EQ(accountCount, 3u);

    boxes.answerNext(BoxAnswer::Yes);
    QKeyEvent deleteKey(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(&lists->accountList(), &deleteKey);
    const std::string question = "Are you sure you want to remove this account ?";
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{question, question}));
    ASSERT_EQ(accountCount, 2u);
    EXPECT_EQ(lists->accountList().nameText(0), "first");
    EXPECT_EQ(lists->accountList().nameText(1), "third");
    EXPECT_EQ(lists->accountList().selectedRow(), -1);
    EXPECT_EQ(lists->mailList().rowCount(), 0);
    EXPECT_EQ(lists->accountList().statusText(1), "deactivated - account will not be checked");

    reloadFromFiles();
    ASSERT_EQ(accountCount, 2u);
    EXPECT_EQ(accounts[0].name, "first");
    EXPECT_EQ(accounts[0].mailCount, 2);
    EXPECT_EQ(accounts[0].mails[1].read, 1);
    EXPECT_EQ(accounts[0].deactivated, 0);
    EXPECT_EQ(accounts[1].name, "third");
    EXPECT_EQ(accounts[1].mailCount, 3);
    EXPECT_EQ(accounts[1].mails.from(2), "third sender 2");
    EXPECT_EQ(accounts[1].mails.uid(0), "third-uid-0");
    EXPECT_EQ(accounts[1].mails[0].read, 1);
    EXPECT_EQ(accounts[1].mails[1].read, 0);
    EXPECT_EQ(accounts[1].deactivated, 1);
}

TEST_F(WindowCommandsTest, AfterDeletingTheSelectedAccountNoOtherIsMarkedAsIt) {
    addAccount("first", 2);
    addAccount("second", 2);
    addAccount("third", 2);
    chooseAccount(1);
    boxes.answerNext(BoxAnswer::Yes);
    dialog->OnCommand(kCmdDeleteAccount);
    ASSERT_EQ(accountCount, 2u);
    EXPECT_EQ(lists->lists().selectedAccount(), -1);

    onDialog = [](QDialog&) { return int(CMarkRead::SelectedAccount); };
    commands->markReadTick();
    for (int k = 0; k < 2; ++k)
        EXPECT_EQ(accounts[k].mails[0].read + accounts[k].mails[1].read, 0) << accounts[k].name;
}

// Two OAuth accounts, each with its entries and refresh token in ombrix.conf
// (no keyring in this test).
TEST_F(WindowCommandsTest, BackOnItsPasswordOrDeletedAnOAuthAccountForgetsItsSignIn) {
    addAccount("first", 0);
    addAccount("second", 0);
    std::vector<SecretKey> keys;
    for (int slot : {0, 1}) {
        AccountRecord& a = accounts[slot];
        a.password.clear();
        a.oauthProvider = "custom";
        keys.push_back(keyringKeyOf(a));
        updateProgramConf([&](ProgramConf& conf) {
            setOAuthSignIn(
                conf, keys.back(),
                {"custom", {"http://127.0.0.1:1/a", "http://127.0.0.1:1/t", "", "id", "", ""}});
            conf.set(oauthConfKey(kConfOAuthRefreshToken, keys.back()), "refresh-" + a.name);
        });
    }
    const auto conf = [this](const SecretKey& key, const char* field) {
        return loadProgramConf(programConfPath(directory.path().string()))
            .value(oauthConfKey(field, key));
    };
    ASSERT_EQ(conf(keys[0], kConfOAuthRefreshToken), "refresh-first");

    onDialog = [](QDialog& shown) {
        auto* auth = test::control<QComboBox>(shown, kEditorAuth);
        auth->setCurrentIndex(auth->findData(QString()));
        auto* password = test::control<QLineEdit>(shown, kEditorPassword);
        EXPECT_TRUE(password->isEnabled());
        password->setText("typed anew");
        test::control<QPushButton>(shown, kEditorOk)->click();
        return shown.result();
    };
    chooseAccount(0);
    dialog->OnCommand(kCmdEditAccount);
    EXPECT_TRUE(boxes.texts().empty());
    EXPECT_EQ(accounts[0].oauthProvider, "");
    EXPECT_EQ(accounts[0].password, "typed anew");
    for (const char* field : {kConfOAuthProvider, kConfOAuthRefreshToken, kConfOAuthTokenUrl})
        EXPECT_EQ(conf(keys[0], field), std::nullopt) << field;
    EXPECT_EQ(conf(keys[1], kConfOAuthRefreshToken), "refresh-second") << "the other stays";

    chooseAccount(1);
    boxes.answerNext(BoxAnswer::Yes);
    dialog->OnCommand(kCmdDeleteAccount);
    ASSERT_EQ(accountCount, 1u);
    for (const char* field : {kConfOAuthProvider, kConfOAuthRefreshToken, kConfOAuthClientId})
        EXPECT_EQ(conf(keys[1], field), std::nullopt) << field;

    test::resetProcessState(); // the next start, ombrix.conf read first
    programDirectory = directory.path().string();
    replaceProgramConf(loadProgramConf(programConfPath(programDirectory)));
    loadState();
    ASSERT_EQ(accountCount, 1u);
    EXPECT_EQ(accounts[0].password, "typed anew");
    EXPECT_EQ(accounts[0].oauthProvider, "") << "a password account after the next start";
}

// The alert lives in ombrix.conf alone: choosing one leaves obx.dat as it
// was, and its entries go where the account goes.
TEST_F(WindowCommandsTest, AnAccountsAlertFollowsItsEditsGoesWithItAndLeavesObxDatAlone) {
    addAccount("first", 1);
    addAccount("second", 0);
    ASSERT_TRUE(saveAllState());
    const std::string obxBefore = test::readBytes(directory / "obx.dat");
    const std::filesystem::path bell = directory / "bell.wav";
    test::writeBytes(bell, "RIFF....WAVE");
    const auto alertOf = [this](const SecretKey& key) {
        return accountAlertOf(loadProgramConf(programConfPath(directory.path().string())), key);
    };
    const AccountAlert ownBell{AlertKind::OwnWave, bell.string()};

    onDialog = [&bell](QDialog& shown) {
        dynamic_cast<ChangeKonto&>(shown).setWaveFileChooser(
            [&bell](QWidget*) { return std::optional<QString>(QString::fromStdString(bell)); });
        test::control<QPushButton>(shown, kEditorAlertBrowse)->click();
        test::control<QPushButton>(shown, kEditorOk)->click();
        return shown.result();
    };
    chooseAccount(0);
    dialog->OnCommand(kCmdEditAccount);
    EXPECT_TRUE(boxes.texts().empty());
    const SecretKey first = keyringKeyOf(accounts[0]);
    EXPECT_EQ(alertOf(first), ownBell);
    EXPECT_EQ(alertOf(keyringKeyOf(accounts[1])), AccountAlert{});
    EXPECT_EQ(test::readBytes(directory / "obx.dat"), obxBefore);

    onDialog = [](QDialog& shown) {
        EXPECT_EQ(test::control<QComboBox>(shown, kEditorAlert)->currentIndex(), 1);
        test::control<QLineEdit>(shown, kEditorPort)->setText("995");
        test::control<QPushButton>(shown, kEditorOk)->click();
        return shown.result();
    };
    chooseAccount(0);
    dialog->OnCommand(kCmdEditAccount);
    const SecretKey moved = keyringKeyOf(accounts[0]);
    ASSERT_EQ(moved.port, 995);
    EXPECT_EQ(alertOf(moved), ownBell);
    EXPECT_EQ(alertOf(first), AccountAlert{});

    chooseAccount(0);
    boxes.answerNext(BoxAnswer::Yes);
    dialog->OnCommand(kCmdDeleteAccount);
    ASSERT_EQ(accountCount, 1u);
    EXPECT_EQ(alertOf(moved), AccountAlert{});
    for (const std::string& key : readProgramConf().keys())
        EXPECT_NE(key.rfind("alert", 0), 0u) << key;
}

TEST_F(WindowCommandsTest, DeletingWithoutASelectedAccountOnlySaysSo) {
    addAccount("only", 0);
    dialog->refreshLists(RefreshMode::Full);
    dialog->OnCommand(kCmdDeleteAccount);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"First select a account to delete !"});
    EXPECT_EQ(accountCount, 1u);
}

TEST_F(WindowCommandsTest, DeactivateAndActivateTheSelectedAccount) {
    addAccount("first", 2);
    accounts[0].errorFlag = 1;
    accounts[0].errorText = "refused";
    dialog->refreshLists(RefreshMode::Full);
    dialog->OnCommand(kCmdDeactivateAccount);
    dialog->OnCommand(kCmdActivateAccount);
    EXPECT_EQ(boxes.texts(),
              (std::vector<std::string>{"No account selected !", "No account selected !"}));

    lists->accountList().selectRow(0);
    dialog->OnCommand(kCmdDeactivateAccount);
    EXPECT_EQ(accounts[0].deactivated, 1);
    EXPECT_EQ(accounts[0].errorFlag, 0);
    EXPECT_TRUE(accounts[0].errorText.empty());
    EXPECT_EQ(lists->accountList().statusText(0), "deactivated - account will not be checked");
    reloadFromFiles();
    EXPECT_EQ(accounts[0].deactivated, 1);

    dialog->refreshLists(RefreshMode::Full);
    lists->accountList().selectRow(0);
    dialog->OnCommand(kCmdActivateAccount);
    EXPECT_EQ(accounts[0].deactivated, 0);
    EXPECT_EQ(accounts[0].checked, 0);
    EXPECT_EQ(lists->accountList().statusText(0), "activated - account will be checked next time");
}

// --- context menus --------------------------------------------------------

TEST(ContextMenuPlaceTest, HundredPixelsRightOfTheListPlusTheRow) {
    const QRect list(50, 60, 300, 200);
    EXPECT_EQ(contextMenuPoint(list, QPoint(3, 40)), QPoint(153, 100));
    EXPECT_EQ(contextMenuPoint(list, std::nullopt), QPoint(150, 60));
    EXPECT_EQ(centredMenuCorner(QPoint(153, 100), 80), QPoint(113, 100));
}

TEST_F(WindowCommandsTest, TheAccountMenuFollowsTheSelectedRow) {
    addAccount("first", 0);
    addAccount("second", 0);
    accounts[1].deactivated = 1;
    dialog->refreshLists(RefreshMode::Full);

    emit lists->lists().accountMenuRequested(QPoint(1, 1));
    ASSERT_EQ(menus.size(), 1u);
    ASSERT_EQ(menus[0].entries.size(), 1u);
    EXPECT_STREQ(menus[0].entries[0].text, "new account");
    EXPECT_EQ(menus[0].entries[0].command, kCmdNewAccount);
    const QPoint listCorner = lists->accountList().mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(menus[0].point, listCorner + QPoint(100, 0));

    struct Row {
        int row;
        const char* first;
        int firstCommand;
    };
    for (const Row& row : {Row{0, "deactivate account", kCmdDeactivateAccount},
                           Row{1, "activate account", kCmdActivateAccount}}) {
        lists->accountList().selectRow(row.row);
        emit lists->lists().accountMenuRequested(QPoint(1, 1));
        const MenuShown& shown = menus.back();
        ASSERT_EQ(shown.entries.size(), 3u);
        EXPECT_STREQ(shown.entries[0].text, row.first);
        EXPECT_EQ(shown.entries[0].command, row.firstCommand);
        EXPECT_EQ(shown.entries[1].command, kCmdEditAccountRow);
        EXPECT_EQ(shown.entries[2].command, kCmdDeleteAccount);
        // The row's place counts inside the list's frame.
        const int frame =
            lists->accountList().viewport()->mapTo(&lists->accountList(), QPoint(0, 0)).x();
        EXPECT_EQ(shown.point.x(), listCorner.x() + 100 + frame);
    }
    EXPECT_GT(menus[2].point.y(), menus[1].point.y()); // the second row lies lower

    menuChoice = kCmdActivateAccount; // the chosen entry runs its command
    emit lists->lists().accountMenuRequested(QPoint(1, 1));
    EXPECT_EQ(accounts[1].deactivated, 0);
}

TEST_F(WindowCommandsTest, TheMailMenuOpensOnlyOverASelectedMail) {
    addAccount("first", 3);
    chooseAccount(0);
    emit lists->lists().mailMenuRequested(QPoint(1, 1));
    EXPECT_TRUE(menus.empty());

    lists->mailList().selectRows({2}, false);
    menuChoice = kCmdViewMailRow;
    emit lists->lists().mailMenuRequested(QPoint(1, 1));
    ASSERT_EQ(menus.size(), 1u);
    ASSERT_EQ(menus[0].entries.size(), 2u);
    EXPECT_STREQ(menus[0].entries[0].text, "view");
    EXPECT_EQ(menus[0].entries[0].command, kCmdViewMailRow);
    EXPECT_STREQ(menus[0].entries[1].text, "delete");
    EXPECT_EQ(menus[0].entries[1].command, kCmdDeleteMailRows);
    const int frame = lists->mailList().viewport()->mapTo(&lists->mailList(), QPoint(0, 0)).x();
    EXPECT_EQ(menus[0].point.x(), lists->mailList().mapToGlobal(QPoint(0, 0)).x() + 100 + frame);
    EXPECT_EQ(dialogs, std::vector<std::string>{"preview"});
    EXPECT_EQ(accounts[0].mails[2].read, 1);
}

// --- mails ----------------------------------------------------------------

TEST_F(WindowCommandsTest, ViewingAMailFromTheMenuMarksItReadAndSaves) {
    addAccount("first", 3);
    addAccount("second", 2);
    ASSERT_TRUE(saveAllState()); // the read flags load only with their lists
    std::filesystem::remove(directory / "obx.rd");
    chooseAccount(0);
    dialog->OnCommand(kCmdViewMail); // no mail selected: nothing happens
    EXPECT_TRUE(dialogs.empty());
    EXPECT_EQ(previewMail, -1);

    lists->mailList().selectRows({1}, false);
    bool checkedWhileShown = false;
    onDialog = [&](QDialog&) {
        checkedWhileShown = lists->mailList().isChecked(1) && accounts[0].mails[1].read == 1;
        return int(QDialog::Rejected);
    };
    dialog->OnCommand(kCmdViewMail);
    EXPECT_EQ(dialogs, std::vector<std::string>{"preview"});
    EXPECT_TRUE(checkedWhileShown);
    EXPECT_EQ(previewMail, 1);
    EXPECT_TRUE(lists->mailList().isChecked(1));
    EXPECT_FALSE(lists->mailList().isChecked(0));
    EXPECT_EQ(lists->accountList().statusText(0), "2 new mails ! (1 old)");

    ASSERT_TRUE(fileExists("obx.rd"));
    reloadFromFiles();
    EXPECT_EQ(accounts[0].mails[0].read, 0);
    EXPECT_EQ(accounts[0].mails[1].read, 1);
    EXPECT_EQ(accounts[0].mails[2].read, 0);
    EXPECT_EQ(accounts[1].mails[0].read, 0);
}

TEST_F(WindowCommandsTest, ADoubleClickedMailIsShownInThePreview) {
    addAccount("first", 3);
    chooseAccount(0);
    emit lists->mailList().rowDoubleClicked(2);
    EXPECT_EQ(dialogs, std::vector<std::string>{"preview"});
    EXPECT_EQ(previewMail, 2);
    EXPECT_EQ(accounts[0].mails[2].read, 1);
}

TEST_F(WindowCommandsTest, MarkAllReadShowsTheHintThenAsksOnTheTimer) {
    struct Row {
        const char* name;
        bool hint;
        int answer;
        bool firstRead, secondRead;
    };
    const Row rows[] = {
        {"selected account, after the hint", true, CMarkRead::SelectedAccount, true, false},
        {"all accounts, no hint", false, CMarkRead::AllAccounts, true, true},
        {"cancelled", false, CMarkRead::Cancel, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        accountCount = 0;
        addAccount("first", 2);
        addAccount("second", 2);
        chooseAccount(0);
        settings.markAllHint = row.hint ? 1 : 0;
        dialogs.clear();
        onDialog = [&](QDialog& shown) {
            if (dialogKind(shown) == "hint") {
                shown.findChild<QCheckBox*>()->setChecked(true);
                shown.accept();
                return int(QDialog::Accepted);
            }
            return row.answer;
        };
        std::filesystem::remove(directory / "obx.rd");

        dialog->OnCommand(kCmdMarkAllRead);
        EXPECT_EQ(dialogs,
                  row.hint ? std::vector<std::string>{"hint"} : std::vector<std::string>{});
        EXPECT_EQ(dialog->timers().interval(MarkReadTimer), 100);
        ASSERT_TRUE(
            test::processEventsUntil([&] { return dialogs.size() == (row.hint ? 2u : 1u); }));
        EXPECT_EQ(dialogs.back(), "mark read");
        EXPECT_EQ(settings.markAllHint, 0);
        EXPECT_EQ(accounts[0].mails[0].read == 1 && accounts[0].mails[1].read == 1, row.firstRead);
        EXPECT_EQ(accounts[1].mails[0].read == 1 && accounts[1].mails[1].read == 1, row.secondRead);
        EXPECT_EQ(lists->mailList().isChecked(0), row.firstRead); // refreshed in full
        EXPECT_TRUE(fileExists("obx.rd"));
    }
}

TEST_F(WindowCommandsTest, DeleteMailNeedsASelectedMail) {
    addAccount("first", 3);
    chooseAccount(0);
    dialog->OnCommand(kCmdDeleteMail);
    QKeyEvent deleteKey(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(&lists->mailList(), &deleteKey);
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"No mails to delete selected !",
                                                       "No mails to delete selected !"}));
    EXPECT_FALSE(dialog->runActive());
}

TEST_F(WindowCommandsTest, DeleteMailHandsTheSelectedRowsToTheDeletionRun) {
    addAccount("first", 4);
    addAccount("second", 4);
    for (int i = 0; i < 4; ++i)
        accounts[1].mails[i].serverPosition = static_cast<std::uint32_t>(10 + i);
    accounts[1].port = closedPort();
    chooseAccount(1);
    lists->mailList().selectRows({3, 1}, false);

    dialog->OnCommand(kCmdDeleteMailRows); // answered No
    const std::string question =
        "Are you sure you want to delete the mail directly from the server ?\r\n";
    ASSERT_EQ(boxes.texts(), std::vector<std::string>{question});
    EXPECT_TRUE(handedOver.empty());
    EXPECT_FALSE(dialog->runActive());

    // Yes, with the window in the tray: the run works without a wait dialog
    // and, its server refusing, says why in a box.
    windowHidden = 1;
    boxes.answerNext(BoxAnswer::Yes);
    dialog->OnCommand(kCmdDeleteMail);
    ASSERT_TRUE(test::processEventsUntil([&] { return !dialog->runActive(); }));
    ASSERT_EQ(handedOver.size(), 1u);
    EXPECT_EQ(handedOver[0].account, 1);
    EXPECT_EQ(handedOver[0].mailIndex.size(), 2u);
    EXPECT_EQ(handedOver[0].mailIndex[0], 1);
    EXPECT_EQ(handedOver[0].mailIndex[1], 3);
    EXPECT_EQ(handedOver[0].position[0], 11u);
    EXPECT_EQ(handedOver[0].position[1], 13u);
    EXPECT_EQ(dialog->lastRunKind(), RunKind::Deletion);
    const auto texts = boxes.texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[1], question);
    EXPECT_EQ(accounts[1].errorFlag, 1);
    EXPECT_NE(texts[2].find(accounts[1].errorText), std::string::npos);
    EXPECT_EQ(accounts[0].errorFlag, 0);
}

// --- quit -----------------------------------------------------------------

TEST_F(WindowCommandsTest, NoToQuitKeepsTheProgramRunning) {
    addAccount("first", 0);
    dialog->showFromTray();
    dialog->OnCommand(kCmdQuit);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Are you sure you want to quit Ombrix?"});
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(tray->count(test::TrayShellCall::Remove), 0);
    EXPECT_FALSE(fileExists("obx.dat"));

    // Commands still work afterwards.
    dialog->OnCommand(kCmdCheckForUpdate);
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(WindowCommandsTest, QuitLetsARunningCheckEndBeforeItSaves) {
    addAccount("first", 0);
    windowHidden = 1;
    std::atomic<bool> sawAbort{false};
    dialog->setCheckRun([&](RunHost& host) {
        checkRunning = 1;
        while (abortRequest == 0)
            std::this_thread::yield();
        sawAbort = true;
        host.armRunDone(10);
        checkRunning = 0;
    });
    dialog->checkNow();
    ASSERT_TRUE(dialog->runActive());
    settings.checkInterval = 42;
    boxes.answerNext(BoxAnswer::Yes);
    dialog->OnCommand(kCmdQuit);

    EXPECT_TRUE(sawAbort);
    EXPECT_FALSE(dialog->runActive());
    EXPECT_EQ(tray->count(test::TrayShellCall::Remove), 1);
    EXPECT_TRUE(fileExists("obx.msf")); // the run's lists, saved at its end
    reloadFromFiles();
    EXPECT_EQ(settings.checkInterval, 42); // written although a check was running
}

TEST_F(WindowCommandsTest, ATerminationSignalEndsTheRunAndSavesWithoutAsking) {
    addAccount("first", 0);
    windowHidden = 1;
    dialog->setCheckRun([&](RunHost& host) {
        checkRunning = 1;
        while (abortRequest == 0)
            std::this_thread::yield();
        host.armRunDone(10);
        checkRunning = 0;
    });
    TerminationSignals terminate([this] { dialog->endSession(); });
    dialog->checkNow();
    ASSERT_TRUE(dialog->runActive());
    settings.checkInterval = 42;

    ASSERT_EQ(raise(SIGTERM), 0);
    ASSERT_TRUE(test::processEventsUntil([&] { return dialog->sessionEnded(); }));

    EXPECT_TRUE(boxes.texts().empty()) << "nobody is there to answer at a logout";
    EXPECT_FALSE(dialog->runActive());
    EXPECT_EQ(tray->count(test::TrayShellCall::Remove), 1);
    reloadFromFiles();
    EXPECT_EQ(settings.checkInterval, 42);
}

// The signal comes while a question waits in its own event loop (at the
// first start, even before the program's loop runs): no quit ends that loop,
// so the question must be answered for the program to end at all.
TEST_F(WindowCommandsTest, ATerminationSignalDuringAnOpenQuestionAnswersItAndEndsTheSession) {
    addAccount("first", 0);
    windowHidden = 1;
    TerminationSignals terminate([this] { dialog->endSession(); });
    QDialog question(dialog.get());
    bool guardNeeded = false;
    QTimer::singleShot(0, &question, [] { raise(SIGTERM); });
    QTimer::singleShot(60000, &question, [&] { // only against a hang
        guardNeeded = true;
        question.reject();
    });

    EXPECT_EQ(question.exec(), QDialog::Rejected);
    EXPECT_FALSE(guardNeeded) << "the signal left the question open";
    ASSERT_TRUE(test::processEventsUntil([&] { return dialog->sessionEnded(); }));
    EXPECT_EQ(tray->count(test::TrayShellCall::Remove), 1);
}

} // namespace
} // namespace ombrix

namespace ombrix {
namespace {

// --- server certificates ---------------------------------------------------

TEST_F(WindowCommandsTest, AnUntrustedCertificateShowsInTheTooltipAndTheMenuButNoDialogByItself) {
    addAccount("home", 0);
    addAccount("other", 0);
    refuseCertificate(accounts[0], "AB");
    dialog->refreshLists(RefreshMode::Full); // as at the end of a background run

    ASSERT_FALSE(tray->calls.empty());
    EXPECT_EQ(tray->calls.back().tooltip,
              QStringLiteral("Certificate not trusted: home\r\n open Ombrix to check it."));
    EXPECT_TRUE(dialogs.empty());

    lists->accountList().selectRow(0);
    emit lists->lists().accountMenuRequested(QPoint(1, 1));
    ASSERT_EQ(menus.back().entries.size(), 4u);
    EXPECT_STREQ(menus.back().entries[1].text, "Check certificate\u2026");
    EXPECT_EQ(menus.back().entries[1].command, kCmdCheckCertificate);
    lists->accountList().selectRow(1);
    emit lists->lists().accountMenuRequested(QPoint(1, 1));
    EXPECT_EQ(menus.back().entries.size(), 3u);

    // Another failure of the same account is no certificate question.
    accounts[0].errorText = session_texts::noResponse();
    dialog->refreshLists(RefreshMode::Full);
    EXPECT_EQ(tray->calls.back().tooltip.toStdString(), failureTooltip());
}

TEST_F(WindowCommandsTest, AcceptingFromTheMenuPinsSavesAndChecksAgain) {
    addAccount("home", 0);
    const CertificateFacts facts = refuseCertificate(accounts[0], "C3");
    std::atomic<int> checks{0};
    dialog->setCheckRun([&](RunHost& host) {
        ++checks;
        host.armRunDone(10);
    });
    chooseAccount(0);
    onDialog = [](QDialog& shown) {
        EXPECT_TRUE(shown.findChild<QPushButton*>("acceptPermanently"));
        return int(QDialog::Accepted);
    };
    menuChoice = kCmdCheckCertificate;
    emit lists->lists().accountMenuRequested(QPoint(1, 1));

    EXPECT_EQ(dialogs, std::vector<std::string>{"certificate"});
    EXPECT_EQ(certificateTrust().pinFor("127.0.0.1:993"), facts.sha256);
    EXPECT_TRUE(test::processEventsUntil([&] { return checks == 1; }));
    certificateTrust().clear();
    loadTrustedCertificates(programDirectory);
    EXPECT_EQ(certificateTrust().pinFor("127.0.0.1:993"), facts.sha256) << "saved";
}

TEST_F(WindowCommandsTest, OpeningTheWindowAsksOnceForEachCertificateTheUserDidNotReject) {
    addAccount("plain", 0);
    addAccount("home", 0);
    refuseCertificate(accounts[1], "D4");
    dialog->refreshLists(RefreshMode::Full);
    onDialog = [](QDialog&) { return int(QDialog::Rejected); };

    dialog->showFromTray();
    handleQueuedEvents();
    EXPECT_EQ(dialogs, std::vector<std::string>{"certificate"});
    EXPECT_FALSE(certificateTrust().isPinned("127.0.0.1:993"));
    EXPECT_FALSE(fileExists("trusted-certificates"));

    dialog->hideToTray();
    dialog->showFromTray();
    handleQueuedEvents();
    EXPECT_EQ(dialogs.size(), 1u) << "a rejected certificate does not ask again";

    // The menu still offers it, and another certificate asks again.
    chooseAccount(1);
    menuChoice = kCmdCheckCertificate;
    emit lists->lists().accountMenuRequested(QPoint(1, 1));
    EXPECT_EQ(dialogs.size(), 2u);
    refuseCertificate(accounts[1], "E5");
    dialog->hideToTray();
    dialog->showFromTray();
    handleQueuedEvents();
    EXPECT_EQ(dialogs.size(), 3u);
}

// The whole way through with the real check run: a server whose certificate
// does not verify fails the account without a dialog; opening the window asks,
// and accepting lets the next check in.
TEST_F(WindowCommandsTest, ARealCheckRefusesTheCertificateUntilTheUserAcceptsItInTheWindow) {
    test::TempDir pkiDir;
    const test::TestCertificates pki = test::makeTestCertificates(pkiDir.path());
    test::TempDir otherDir;
    const test::TestCertificates other = test::makeTestCertificates(otherDir.path());
    const char* oldTrust = std::getenv("SSL_CERT_FILE");
    const std::string keptTrust = oldTrust ? oldTrust : "";
    setenv("SSL_CERT_FILE", other.caFile.c_str(), 1); // not the server's CA
    test::Script script;
    script.sendLine("+OK never seen").close(); // the first connection ends in its hand-shake
    script.sendLine("+OK hello").expect("USER home-user").sendLine("+OK");
    script.expect("PASS secret").sendLine("+OK");
    script.expect("STAT").sendLine("+OK 0 0").expect("QUIT").sendLine("+OK bye");
    test::LoopbackServer server(script, pki);
    addAccount("home", 0);
    accounts[0].port = server.port();
    accounts[0].useSsl = 1;
    windowHidden = 1;

    dialog->checkNow();
    ASSERT_TRUE(test::processEventsUntil([&] { return !dialog->runActive(); }));
    // The client gives up first; the server notes its side of the failed
    // hand-shake on its own thread, maybe a moment later.
    EXPECT_TRUE(test::processEventsUntil([&] { return server.tlsFailures() == 1; }))
        << server.tlsFailures();
    EXPECT_EQ(accounts[0].errorText,
              "certificate not trusted (unable to get local issuer certificate)");
    const QString certificateTooltip =
        QStringLiteral("Certificate not trusted: home\r\n open Ombrix to check it.");
    // The lists are refreshed once the window has taken the run's end.
    EXPECT_TRUE(test::processEventsUntil([&] {
        return !tray->calls.empty() && tray->calls.back().tooltip == certificateTooltip;
    })) << tray->calls.back().tooltip.toStdString();
    EXPECT_TRUE(dialogs.empty()) << "a run never asks by itself";

    onDialog = [this](QDialog&) {
        dialog->hideToTray(); // the next check runs without its wait dialog
        return int(QDialog::Accepted);
    };
    dialog->showFromTray();
    handleQueuedEvents();
    EXPECT_EQ(dialogs, std::vector<std::string>{"certificate"});
    EXPECT_TRUE(test::processEventsUntil([&] { return accounts[0].checked == 1; }));
    ASSERT_TRUE(test::processEventsUntil([&] { return !dialog->runActive(); }));
    EXPECT_TRUE(server.waitUntilDone());
    EXPECT_EQ(accounts[0].errorFlag, 0) << accounts[0].errorText;
    EXPECT_EQ(certificateTrust().pinFor("127.0.0.1:" + server.port()),
              test::sha256Fingerprint(pki.certFile));
    EXPECT_TRUE(fileExists("trusted-certificates"));
    if (oldTrust)
        setenv("SSL_CERT_FILE", keptTrust.c_str(), 1);
    else
        unsetenv("SSL_CERT_FILE");
}

} // namespace
} // namespace ombrix
