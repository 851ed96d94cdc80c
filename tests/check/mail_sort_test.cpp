#include "check/mail_sort.h"
#include "support/process_reset.h"

#include <cctype>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace ombrix {
namespace {

// The sort as first written: adjacent pairs, swapped when out of order, passes
// until one pass swaps nothing. The fast sort must give exactly its order.
bool outOfOrder(const AccountRecord& a, int i, std::uint8_t order) {
    auto subjectKey = [&](int k) {
        return static_cast<signed char>(
            std::tolower(static_cast<unsigned char>(std::string(a.mails.subject(k)).c_str()[0])));
    };
    auto senderKey = [&](int k) {
        const std::string from(a.mails.from(k));
        char c = from.c_str()[0];
        if (!std::isalnum(static_cast<unsigned char>(c)) && from.size() > 1)
            c = from[1];
        return static_cast<signed char>(std::tolower(static_cast<unsigned char>(c)));
    };
    auto newer = [&](int x, int y) { // x is later than y by year, month, day, position
        if (a.mails[x].year != a.mails[y].year)
            return a.mails[x].year > a.mails[y].year;
        if (a.mails[x].month != a.mails[y].month)
            return a.mails[x].month > a.mails[y].month;
        if (a.mails[x].day != a.mails[y].day)
            return a.mails[x].day > a.mails[y].day;
        return a.mails[x].serverPosition > a.mails[y].serverPosition;
    };
    switch (order) {
    case 2:
        return subjectKey(i) > subjectKey(i + 1);
    case 3:
        return subjectKey(i) < subjectKey(i + 1);
    case 4:
        return senderKey(i) > senderKey(i + 1);
    case 5:
        return senderKey(i) < senderKey(i + 1);
    case 6:
        return newer(i + 1, i);
    case 7:
        return newer(i, i + 1);
    default:
        return false;
    }
}

void bubbleSort(AccountRecord& a, std::uint8_t order) {
    bool swapped = a.mailCount > 1;
    while (swapped) {
        swapped = false;
        for (int i = 0; i + 1 < a.mailCount; ++i) {
            if (outOfOrder(a, i, order)) {
                SwapMails(a, i);
                swapped = true;
            }
        }
    }
}

MailEntry mailWith(std::string from, std::string subject, int serverPosition) {
    MailEntry mail;
    mail.from = std::move(from);
    mail.subject = std::move(subject);
    mail.serverPosition = static_cast<std::uint32_t>(serverPosition);
    mail.uid = "uid" + std::to_string(serverPosition);
    return mail;
}

MailEntry mailOn(int day, int month, int year, int serverPosition) {
    MailEntry mail = mailWith("a", "s", serverPosition);
    mail.day = static_cast<std::uint8_t>(day);
    mail.month = static_cast<std::uint8_t>(month);
    mail.year = year;
    return mail;
}

class MailSortTest : public testing::Test {
protected:
    void SetUp() override { test::resetProcessState(); }

    void fill(const std::vector<MailEntry>& mails) {
        for (int i = 0; i < static_cast<int>(mails.size()); ++i)
            account->mails.setMail(i, mails[i]);
        account->mailCount = static_cast<int>(mails.size());
    }

    // The server positions of the mails in list order name the resulting order.
    std::vector<std::uint32_t> positions() const {
        std::vector<std::uint32_t> list;
        for (int i = 0; i < account->mailCount; ++i)
            list.push_back(account->mails[i].serverPosition);
        return list;
    }

    std::unique_ptr<AccountRecord> account = std::make_unique<AccountRecord>();
};

TEST_F(MailSortTest, SubjectsSortByTheirLowerCasedLeadingCharacter) {
    fill({mailWith("x", "banana", 0), mailWith("x", "Apple", 1), mailWith("x", "cherry", 2),
          mailWith("x", "avocado", 3)});
    SortMailList(*account, kSortSubjectAscending);
    EXPECT_EQ(positions(), (std::vector<std::uint32_t>{1, 3, 0, 2}))
        << "equal keys keep their order";
    SortMailList(*account, kSortSubjectDescending);
    EXPECT_EQ(positions(), (std::vector<std::uint32_t>{2, 0, 1, 3}));
}

TEST_F(MailSortTest, QuotationMarksCountForSubjectsButNotForSenders) {
    fill({mailWith("\"Zed\" <z@x>", "\"zebra\"", 0), mailWith("alice@x", "apple", 1)});
    SortMailList(*account, kSortSubjectAscending);
    EXPECT_EQ(positions(), (std::vector<std::uint32_t>{0, 1})) << "'\"' sorts before 'a'";
    SortMailList(*account, kSortSenderAscending);
    EXPECT_EQ(positions(), (std::vector<std::uint32_t>{1, 0})) << "the sender sorts by 'z'";
}

TEST_F(MailSortTest, OneCharacterSenderAndEmptyTextsSortByWhatTheyHave) {
    fill({mailWith("<", "b", 0), mailWith("", "", 1), mailWith("b", "a", 2)});
    SortMailList(*account, kSortSenderAscending);
    EXPECT_EQ(positions(), (std::vector<std::uint32_t>{1, 0, 2}));
    SortMailList(*account, kSortSubjectAscending);
    EXPECT_EQ(positions(), (std::vector<std::uint32_t>{1, 2, 0}));
}

TEST_F(MailSortTest, EightBitCharactersSortAsNegativeCodes) {
    fill({mailWith("x", "apple", 0), mailWith("x", "\xc4pfel", 1), mailWith("x", "1st", 2)});
    SortMailList(*account, kSortSubjectAscending);
    EXPECT_EQ(positions(), (std::vector<std::uint32_t>{1, 2, 0}));
}

TEST_F(MailSortTest, DatesSortByYearMonthDayThenServerPosition) {
    fill({mailOn(5, 3, 2005, 0), mailOn(5, 3, 2005, 1), mailOn(30, 1, 2006, 2),
          mailOn(6, 3, 2005, 3), mailOn(1, 12, 2004, 4)});
    SortMailList(*account, kSortDateNewestFirst);
    EXPECT_EQ(positions(), (std::vector<std::uint32_t>{2, 3, 1, 0, 4}))
        << "same day: higher server position first";
    SortMailList(*account, kSortDateOldestFirst);
    EXPECT_EQ(positions(), (std::vector<std::uint32_t>{4, 0, 1, 3, 2}));
}

TEST_F(MailSortTest, AllElevenArraysMoveTogether) {
    MailEntry older{"Mon, 1 Jan 2005", "old body", 0, 1, "o@x", "old", "U1\r\n", 1, 1, 2005, 111};
    MailEntry newer{"Tue, 2 Jan 2005", "new body", 1, 0, "n@x", "new", "U2\r\n", 2, 1, 2005, 222};
    fill({older, newer});
    SortMailList(*account, kSortDateNewestFirst);
    EXPECT_EQ(account->mails.mail(0), newer);
    EXPECT_EQ(account->mails.mail(1), older);
}

TEST_F(MailSortTest, UnknownOrderAndShortListsStayAsListed) {
    fill({mailWith("b", "b", 0), mailWith("a", "a", 1)});
    for (std::uint8_t order : {0, 1, 8, 255}) {
        SortMailList(*account, order);
        EXPECT_EQ(positions(), (std::vector<std::uint32_t>{0, 1})) << "order " << int(order);
    }
    account->mailCount = -1;
    SortMailList(*account, kSortSenderAscending);
    EXPECT_EQ(account->mails[0].serverPosition, 0u);
}

TEST_F(MailSortTest, AccountIndexFormUsesTheCurrentSortOrder) {
    accountCount = 2;
    accounts[1].mails.setMail(0, mailWith("b", "a", 0));
    accounts[1].mails.setMail(1, mailWith("a", "b", 1));
    accounts[1].mailCount = 2;
    std::uint8_t sortOrder = kSortSenderAscending;
    SortMailList(1, sortOrder);
    EXPECT_EQ(accounts[1].mails.from(0), "a");
    sortOrder = kSortSubjectAscending;
    SortMailList(1, sortOrder);
    EXPECT_EQ(accounts[1].mails.subject(0), "a");
    SortMailList(kMaxAccounts, sortOrder); // outside the table: nothing happens
    SortMailList(-1, sortOrder);
}

TEST_F(MailSortTest, SwapMailsExchangesAPairAndIgnoresPairsOutsideTheArrays) {
    accounts[0].mails.setMail(kMaxMails - 2, mailWith("a", "a", 7));
    accounts[0].mails.setMail(kMaxMails - 1, mailWith("b", "b", 8));
    SwapMails(kMaxMails - 2, 0);
    EXPECT_EQ(accounts[0].mails[kMaxMails - 2].serverPosition, 8u);
    EXPECT_EQ(accounts[0].mails.uid(kMaxMails - 1), "uid7");
    SwapMails(kMaxMails - 1, 0);
    SwapMails(-1, 0);
    SwapMails(0, kMaxAccounts);
    EXPECT_EQ(accounts[0].mails[kMaxMails - 1].serverPosition, 7u);
}

// Few distinct keys, so ties are everywhere and stability is put to the test.
MailEntry randomMail(std::mt19937& random, int position) {
    static const std::vector<std::string> texts = {
        "",         "a",        "A", "b",      "\"Bob\" <b@x>", "<carol@x>", "\"",    "zed",  "Zed",
        "\xe4rger", "\xc4pfel", "1", "9lives", " blank",        "_x",        "re: a", "Re: b"};
    auto pick = [&](int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(random); };
    MailEntry mail;
    mail.from = texts[pick(static_cast<int>(texts.size()))];
    mail.subject = texts[pick(static_cast<int>(texts.size()))];
    mail.year = 2003 + pick(3);
    mail.month = static_cast<std::uint8_t>(1 + pick(3));
    mail.day = static_cast<std::uint8_t>(1 + pick(4));
    mail.serverPosition = static_cast<std::uint32_t>(pick(40)); // repeats on purpose
    mail.uid = std::to_string(position);
    mail.size = position;
    mail.read = static_cast<std::uint8_t>(pick(2));
    return mail;
}

TEST(MailSortComparison, FastSortGivesTheBubbleSortOrderForEveryOrder) {
    constexpr int kMails = 500;
    auto fast = std::make_unique<AccountRecord>();
    auto slow = std::make_unique<AccountRecord>();
    for (std::uint8_t order : {2, 3, 4, 5, 6, 7}) {
        std::mt19937 random(1000 + order);
        for (int i = 0; i < kMails; ++i) {
            const MailEntry mail = randomMail(random, i);
            fast->mails.setMail(i, mail);
            slow->mails.setMail(i, mail);
        }
        fast->mailCount = slow->mailCount = kMails;
        SortMailList(*fast, order);
        bubbleSort(*slow, order);
        for (int i = 0; i < kMails; ++i)
            ASSERT_EQ(fast->mails.mail(i), slow->mails.mail(i))
                << "order " << int(order) << ", mail " << i;
    }
}

} // namespace
} // namespace ombrix
