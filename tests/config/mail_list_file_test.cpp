#include "config/mail_list_file.h"
#include "config/read_flag_file.h"
#include "config/state_fixtures.h"
#include "core/account_table.h"
#include "support/process_reset.h"

#include <gtest/gtest.h>
#include <random>

namespace ombrix {
namespace {

using namespace std::string_literals;

// One mail with only its uid set, as the file stores it.
std::string mailWithUid(const std::string& uid) {
    return "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x01\x01\x07\xD0\0\0"s + "\0\0\0"s +
           static_cast<char>(uid.size()) + uid + "S=\0\0\0\x01"s;
}

class MailListFileTest : public testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        accountCount = 2;
    }
};

TEST_F(MailListFileTest, ReadsTheFixture) {
    decodeMailListFile(test::mailListFixture());
    decodeReadFlagFile(test::readFlagFixture());

    const AccountRecord& a = accounts[0];
    ASSERT_EQ(a.mailCount, 2);
    EXPECT_EQ(a.checked, 1);
    EXPECT_EQ(a.mails.mail(0), (MailEntry{.date = "d1",
                                          .bodyPreview = "hi",
                                          .serverPosition = 0,
                                          .read = 1,
                                          .from = "ann",
                                          .subject = "Hi",
                                          .uid = "U1\r\n",
                                          .day = 7,
                                          .month = 3,
                                          .year = 2006,
                                          .size = 1234}));
    EXPECT_EQ(a.mails.mail(1), (MailEntry{.date = "",
                                          .bodyPreview = "",
                                          .serverPosition = 1,
                                          .read = 0,
                                          .from = "bob",
                                          .subject = "",
                                          .uid = "U2\r\n",
                                          .day = 31,
                                          .month = 12,
                                          .year = 1999,
                                          .size = 70000}));
    EXPECT_TRUE(a.uidValidity.empty());

    const AccountRecord& b = accounts[1];
    ASSERT_EQ(b.mailCount, 1);
    EXPECT_EQ(b.mails.subject(0), "a\tb");
    EXPECT_EQ(b.mails.uid(0), "77");
    EXPECT_EQ(b.mails[0].year, 2024);
    EXPECT_EQ(b.mails[0].read, 0);
    EXPECT_EQ(b.uidValidity, "5");
    EXPECT_EQ(b.uidNext, "42");
}

TEST_F(MailListFileTest, WritesBothFixturesBackByteForByte) {
    decodeMailListFile(test::mailListFixture());
    decodeReadFlagFile(test::readFlagFixture());
    EXPECT_EQ(encodeMailListFile(), test::mailListFixture());
    EXPECT_EQ(encodeReadFlagFile(), test::readFlagFixture());
}

TEST_F(MailListFileTest, EmptyListIsThreeZeroBytesAndTwoEmptyStrings) {
    accountCount = 1;
    EXPECT_EQ(encodeMailListFile(), std::string(11, '\0'));
    accounts[0].mailCount = -1; // means no mails
    EXPECT_EQ(encodeMailListFile(), std::string(11, '\0'));
}

TEST_F(MailListFileTest, BodyPreviewAndNumbersWrapAsStored) {
    accountCount = 1;
    accounts[0].mailCount = 1;
    accounts[0].mails.setBodyPreview(0, "\xFF\x00"s);
    accounts[0].mails[0].year = 0x12345;
    accounts[0].mails[0].serverPosition = 0x10002;
    accounts[0].mails[0].size = -1;
    const std::string bytes = encodeMailListFile();
    EXPECT_NE(bytes.find("\0\0\0\x02\x00\x01"s), std::string::npos); // preview + 1
    EXPECT_NE(bytes.find("\x23\x45\x00\x02"s), std::string::npos);   // low 16 bits
    EXPECT_NE(bytes.find("S=\xFF\xFF\xFF\xFF"s), std::string::npos);
    test::resetProcessState();
    accountCount = 1;
    decodeMailListFile(bytes);
    EXPECT_EQ(accounts[0].mails.bodyPreview(0), "\xFF\x00"s);
    EXPECT_EQ(accounts[0].mails[0].year, 0x2345);
    EXPECT_EQ(accounts[0].mails[0].size, -1);
}

TEST_F(MailListFileTest, EveryCutPointStopsCleanly) {
    const std::string full = test::mailListFixture();
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
        SCOPED_TRACE(cut);
        test::resetProcessState();
        accountCount = 2;
        decodeMailListFile(std::string_view(full).substr(0, cut));
        const bool firstComplete = cut >= test::kFirstAccountListEnd;
        EXPECT_EQ(accounts[0].mailCount, firstComplete ? 2 : 0);
        EXPECT_EQ(accounts[0].checked, firstComplete ? 1 : 0);
        EXPECT_EQ(accounts[1].mailCount, 0);
        EXPECT_EQ(accounts[1].checked, 0);
    }
}

TEST_F(MailListFileTest, LengthPastTheEndIsNeitherAllocatedNorRead) {
    const std::string lengths[] = {"\xFF\xFF\xFF\xFF"s, "\x7F\xFF\xFF\xFF"s, "\x00\x00\x01\x00"s};
    for (const std::string& length : lengths) {
        test::resetProcessState();
        accountCount = 2;
        decodeMailListFile("\x00\x01\x00"s + length + "abc");
        EXPECT_EQ(accounts[0].mailCount, 0);
        EXPECT_EQ(accounts[0].checked, 0);
    }
}

TEST_F(MailListFileTest, GarbageNeverLeavesACountOutsideTheTable) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 300; ++round) {
        test::resetProcessState();
        accountCount = kMaxAccounts;
        std::string garbage(static_cast<std::size_t>(round * 7), '\0');
        for (char& c : garbage)
            c = static_cast<char>(byte(random));
        decodeMailListFile(garbage);
        decodeReadFlagFile(garbage);
        for (const AccountRecord& a : accounts) {
            EXPECT_GE(a.mailCount, 0);
            EXPECT_LE(a.mailCount, kMaxMails);
        }
    }
}

TEST_F(MailListFileTest, MailsBeyondTheTableAreSkippedAndLaterAccountsStayInStep) {
    const int listed = kMaxMails + 2;
    std::string bytes = "\x0B\xBA\x00"s; // 3002 mails
    for (int i = 0; i < listed; ++i)
        bytes += mailWithUid("u" + std::to_string(i));
    bytes += "\0\0\0\0\0\0\0\0"s;
    bytes += "\x00\x01\x00"s + mailWithUid("next") + "\0\0\0\x01"s + "9" + "\0\0\0\0"s;
    decodeMailListFile(bytes);
    EXPECT_EQ(accounts[0].mailCount, kMaxMails);
    EXPECT_EQ(accounts[0].mails.uid(kMaxMails - 1), "u2999");
    ASSERT_EQ(accounts[1].mailCount, 1);
    EXPECT_EQ(accounts[1].mails.uid(0), "next");
    EXPECT_EQ(accounts[1].uidValidity, "9");
}

TEST_F(MailListFileTest, ShortReadFlagFileMarksTheRestRead) {
    decodeMailListFile(test::mailListFixture());
    decodeReadFlagFile("\x00"s);
    EXPECT_EQ(accounts[0].mails[0].read, 0);
    EXPECT_EQ(accounts[0].mails[1].read, 1);
    EXPECT_EQ(accounts[1].mails[0].read, 1);
}

TEST_F(MailListFileTest, ReadFlagFileHoldsOneByteForEveryListedMail) {
    accountCount = 3;
    accounts[0].mailCount = 2;
    accounts[0].mails[1].read = 1;
    accounts[1].mailCount = 0;
    accounts[2].mailCount = 1;
    accounts[2].mails[0].read = 5; // any non-zero flag is stored as 1
    EXPECT_EQ(encodeReadFlagFile(), "\x00\x01\x01"s);
}

} // namespace
} // namespace ombrix
