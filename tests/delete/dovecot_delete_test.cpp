// The deletion run against the private test Dovecot, POP3 and IMAP, plain and
// TLS. What the server holds afterwards is read with an independent client
// (scripts/mailbox-tool), never with Ombrix's own.

#include "check/check_run.h"
#include "check/recording_run_host.h"
#include "core/account_table.h"
#include "core/run_flags.h"
#include "delete/delete_handover.h"
#include "delete/delete_run.h"
#include "support/dovecot.h"
#include "support/process_reset.h"
#include "support/scripted_message_presenter.h"

#include <algorithm>
#include <cstdlib>
#include <thread>
#include <utility>

namespace ombrix::test {
namespace {

struct Endpoint {
    bool imap;
    bool tls;
    const char* name;
};

class DovecotDeleteTest : public DovecotTest, public ::testing::WithParamInterface<Endpoint> {
protected:
    void SetUp() override {
        DovecotTest::SetUp();
        if (IsSkipped())
            return;
        resetProcessState();
        setenv("SSL_CERT_FILE", server().caFile.c_str(), 1);
        windowHidden = 1;
        const Endpoint& e = GetParam();
        user_ = e.imap ? "judy" : "ivan";
        AccountRecord& a = accounts[0];
        a.name = "dovecot";
        a.host = server().host;
        a.user = user_;
        a.password = server().password(user_);
        a.protocol = e.imap ? 1 : 0;
        a.useSsl = e.tls ? 1 : 0;
        const int port = e.imap ? (e.tls ? server().imapsPort : server().imapPort)
                                : (e.tls ? server().pop3sPort : server().pop3Port);
        a.port = std::to_string(port);
        accountCount = 1;
    }

    void TearDown() override { unsetenv("SSL_CERT_FILE"); }

    // A check run as the window starts it, on a thread of its own.
    void check() {
        RecordingRunHost host;
        std::thread([&host] { CheckThread(host); }).join();
        ASSERT_EQ(accounts[0].errorFlag, 0) << accounts[0].errorText;
        ASSERT_EQ(accounts[0].checked, 1);
    }

    DeleteOutcome deleteRows(const std::vector<int>& rows) {
        const auto request = buildDeletionList(0, accounts[0], rows);
        EXPECT_TRUE(request);
        RecordingRunHost host;
        DeleteOutcome outcome = DeleteOutcome::NotStarted;
        std::thread([&] {
            outcome = runDeletion(host, request.value_or(DeletionRequest{})).outcome;
        }).join();
        EXPECT_EQ(accounts[0].errorFlag, 0) << accounts[0].errorText;
        return outcome;
    }

    // The Message-IDs of listed rows, found on the server by their unique id.
    std::vector<std::string> messageIdsOfRows(const MailboxListing& listing,
                                              const std::vector<int>& rows) const {
        std::vector<std::string> ids;
        for (const int row : rows) {
            std::string uid(accounts[0].mails.uid(row));
            while (uid.ends_with('\n') || uid.ends_with('\r'))
                uid.pop_back();
            for (const ServerMail& mail : listing.mails)
                if ((GetParam().imap ? std::to_string(mail.uid) : mail.pop3Uidl) == uid)
                    ids.push_back(mail.messageId);
        }
        EXPECT_EQ(ids.size(), rows.size());
        return ids;
    }

    static std::vector<std::string> messageIds(const MailboxListing& listing) {
        std::vector<std::string> ids;
        for (const ServerMail& mail : listing.mails)
            ids.push_back(mail.messageId);
        return ids;
    }

    std::vector<std::string> messageIdsOnServer() const {
        return messageIds(listMailbox(server(), user_));
    }

    static std::vector<std::string> without(std::vector<std::string> ids,
                                            const std::vector<std::string>& removed) {
        std::erase_if(ids, [&](const std::string& id) {
            return std::ranges::find(removed, id) != removed.end();
        });
        return ids;
    }

    std::string user_;
    ScriptedMessagePresenter boxes_;
};

TEST_P(DovecotDeleteTest, DeletesExactlyRowsTwoAndFiveOfTen) {
    fillMailbox(server(), user_, 10, "delete-a");
    check();
    ASSERT_EQ(accounts[0].mailCount, 10);
    const MailboxListing listing = listMailbox(server(), user_);
    const std::vector<std::string> before = messageIds(listing);
    const std::vector<std::string> selected = messageIdsOfRows(listing, {2, 5});

    EXPECT_EQ(deleteRows({2, 5}), DeleteOutcome::Done);
    EXPECT_EQ(messageIdsOnServer(), without(before, selected));
    EXPECT_TRUE(boxes_.shown().empty());
    EXPECT_EQ(accounts[0].checked, 0);
}

TEST_P(DovecotDeleteTest, AStaleListDeletesNothingAndSaysSo) {
    fillMailbox(server(), user_, 10, "delete-b");
    check();
    if (GetParam().imap)
        fillMailbox(server(), user_, 10, "delete-c"); // new UIDVALIDITY, the same UIDs again
    else
        deleteMails(server(), user_, {1}); // every later mail moves up one position
    const std::vector<std::string> before = messageIdsOnServer();

    EXPECT_EQ(deleteRows({2, 5}), DeleteOutcome::Inconsistent);
    EXPECT_EQ(messageIdsOnServer(), before);
    ASSERT_EQ(boxes_.shown().size(), 1u);
    EXPECT_EQ(boxes_.shown()[0].text.rfind("It seems like there are new mails", 0), 0u);
}

TEST_P(DovecotDeleteTest, AMailAppendedAfterTheCheckLeavesTheSelectionDeletable) {
    fillMailbox(server(), user_, 10, "delete-d");
    check();
    addMail(server(), user_, "delete-e");
    // The appended mail takes a new unique id, so the checked rows still name theirs.
    const MailboxListing listing = listMailbox(server(), user_);
    const std::vector<std::string> before = messageIds(listing);
    const std::vector<std::string> selected = messageIdsOfRows(listing, {2, 5});
    ASSERT_EQ(before.size(), 11u);

    EXPECT_EQ(deleteRows({2, 5}), DeleteOutcome::Done);
    EXPECT_EQ(messageIdsOnServer(), without(before, selected));
    EXPECT_TRUE(boxes_.shown().empty());
}

TEST_P(DovecotDeleteTest, EveryGeneratedSubjectPassesTheProof) {
    fillMailbox(server(), user_, 12, "delete-f");
    check();
    ASSERT_EQ(accounts[0].mailCount, 12);

    EXPECT_EQ(deleteRows({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}), DeleteOutcome::Done);
    EXPECT_TRUE(messageIdsOnServer().empty());
    EXPECT_TRUE(boxes_.shown().empty());
}

// A row that carries another mail's id (as a list paired by line order once
// did) must delete nothing: the proof finds the other mail's subject.
TEST_P(DovecotDeleteTest, ARowWithAnotherMailsIdDeletesNothing) {
    fillMailbox(server(), user_, 10, "delete-g");
    check();
    ASSERT_NE(accounts[0].mails.subject(2), accounts[0].mails.subject(5));
    const std::string uid2(accounts[0].mails.uid(2));
    accounts[0].mails.setUid(2, std::string(accounts[0].mails.uid(5)));
    accounts[0].mails.setUid(5, uid2);
    const std::vector<std::string> before = messageIdsOnServer();

    EXPECT_EQ(deleteRows({2}), DeleteOutcome::Inconsistent);
    EXPECT_EQ(messageIdsOnServer(), before);
    ASSERT_EQ(boxes_.shown().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Endpoints, DovecotDeleteTest,
                         ::testing::Values(Endpoint{false, false, "POP3"},
                                           Endpoint{false, true, "POP3S"},
                                           Endpoint{true, false, "IMAP"},
                                           Endpoint{true, true, "IMAPS"}),
                         [](const auto& row) { return std::string(row.param.name); });

// Mails that another client marked \Deleted stay: this server announces
// UIDPLUS, so only the flagged UIDs are expunged, without asking anyone.
using DovecotImapDeleteTest = DovecotDeleteTest;

TEST_P(DovecotImapDeleteTest, AMailAnotherClientMarkedDeletedSurvives) {
    fillMailbox(server(), user_, 10, "delete-h");
    check();
    markDeleted(server(), user_, {4, 8}); // rows 3 and 7
    // Flagged mails stay listed until someone expunges them.
    const MailboxListing listing = listMailbox(server(), user_);
    const std::vector<std::string> before = messageIds(listing);
    const std::vector<std::string> selected = messageIdsOfRows(listing, {2, 5});
    ASSERT_EQ(before.size(), 10u);

    EXPECT_EQ(deleteRows({2, 5}), DeleteOutcome::Done);
    EXPECT_EQ(messageIdsOnServer(), without(before, selected));
    EXPECT_TRUE(boxes_.shown().empty());
}

INSTANTIATE_TEST_SUITE_P(Endpoints, DovecotImapDeleteTest,
                         ::testing::Values(Endpoint{true, false, "IMAP"},
                                           Endpoint{true, true, "IMAPS"}),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace ombrix::test
