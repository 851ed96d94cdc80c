#include "app/checker_lists.h"
#include "app/recording_notification_host.h"
#include "check/mail_sort.h"
#include "config/program_directory.h"
#include "core/run_flags.h"
#include "support/process_reset.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

struct Mail {
    const char* from;
    const char* subject;
    int day;
};

class ListSortTest : public testing::Test {
protected:
    void SetUp() override {
        test::resetProcessState();
        programDirectory = dir.path().string();
        AccountRecord& a = accounts[0];
        accountCount = 1;
        a.name = "work";
        a.checked = 1;
        const Mail mails[] = {{"charlie", "beta", 3}, {"alice", "gamma", 1}, {"bob", "alpha", 2}};
        a.mailCount = 3;
        for (int i = 0; i < 3; ++i) {
            a.mails.setFrom(i, mails[i].from);
            a.mails.setSubject(i, mails[i].subject);
            a.mails[i].day = static_cast<std::uint8_t>(mails[i].day);
            a.mails[i].month = 4;
            a.mails[i].year = 2006;
            a.mails[i].serverPosition = static_cast<std::uint32_t>(i + 1);
        }
        mailList.resize(700, 300);
        mailList.show();
        lists.refreshLists(RefreshMode::Full);
        accountList.setCurrentItem(accountList.topLevelItem(0));
        QCoreApplication::processEvents();
    }
    void TearDown() override { test::resetProcessState(); }

    void clickHeader(int column) {
        CColumnHeader& header = *mailList.columnHeader();
        const QPoint inside(header.sectionViewportPosition(column) + 10, header.height() / 2);
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, inside, header.viewport()->mapToGlobal(inside), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            QApplication::sendEvent(header.viewport(), &event);
        }
    }

    std::vector<std::string> column(int c) const {
        std::vector<std::string> texts;
        for (int row = 0; row < mailList.rowCount(); ++row)
            texts.push_back(mailList.cellText(row, c).toStdString());
        return texts;
    }

    using Texts = std::vector<std::string>;
    test::TempDir dir;
    AccountListView accountList;
    MailListView mailList;
    test::RecordingNotificationHost host;
    CheckerLists lists{accountList, mailList, host};
};

TEST_F(ListSortTest, SenderHeaderTwiceSortsAscendingThenDescending) {
    clickHeader(kSenderColumn);
    EXPECT_EQ(host.state.sortOrder, kSortSenderAscending);
    EXPECT_EQ(column(kSenderColumn), (Texts{"alice", "bob", "charlie"}));
    EXPECT_EQ(mailList.columnHeader()->sortColumn(), kSenderColumn);
    EXPECT_TRUE(mailList.columnHeader()->sortUp());

    clickHeader(kSenderColumn);
    EXPECT_EQ(host.state.sortOrder, kSortSenderDescending);
    EXPECT_EQ(column(kSenderColumn), (Texts{"charlie", "bob", "alice"}));
    EXPECT_FALSE(mailList.columnHeader()->sortUp());
}

TEST_F(ListSortTest, FirstDateClickAfterStartGivesOldestFirst) {
    clickHeader(kDateColumn);
    EXPECT_EQ(host.state.sortOrder, kSortDateOldestFirst);
    EXPECT_EQ(column(kDateColumn), (Texts{"01.04.2006", "02.04.2006", "03.04.2006"}));
    EXPECT_FALSE(mailList.columnHeader()->sortUp());

    clickHeader(kDateColumn);
    EXPECT_EQ(host.state.sortOrder, kSortDateNewestFirst);
    EXPECT_EQ(column(kDateColumn), (Texts{"03.04.2006", "02.04.2006", "01.04.2006"}));
    EXPECT_TRUE(mailList.columnHeader()->sortUp());
}

TEST_F(ListSortTest, SubjectHeaderSortsAndMarksItsColumn) {
    clickHeader(kSubjectColumn);
    EXPECT_EQ(host.state.sortOrder, kSortSubjectAscending);
    EXPECT_EQ(column(kSubjectColumn), (Texts{"alpha", "beta", "gamma"}));
    EXPECT_EQ(mailList.columnHeader()->sortColumn(), kSubjectColumn);
}

TEST_F(ListSortTest, ReadHeaderOpensTheMarkReadDialogInsteadOfSorting) {
    clickHeader(kReadColumn);
    EXPECT_EQ(host.markReadArmed, 1);
    EXPECT_EQ(host.state.sortOrder, kSortDateNewestFirst);
    EXPECT_EQ(column(kSenderColumn), (Texts{"charlie", "alice", "bob"}));
}

TEST_F(ListSortTest, ASortSavesTheListsAndTheReadFlagsInTheNewOrder) {
    accounts[0].mails[0].read = 1; // charlie's mail
    clickHeader(kSenderColumn);
    ASSERT_EQ(column(kSenderColumn), (Texts{"alice", "bob", "charlie"}));
    EXPECT_EQ(test::readBytes(dir / "obx.rd"), std::string("\0\0\1", 3));
    const std::string lists = test::readBytes(dir / "obx.msf");
    EXPECT_LT(lists.find("alice"), lists.find("bob"));
    EXPECT_LT(lists.find("bob"), lists.find("charlie"));
}

TEST_F(ListSortTest, ARunningCheckKeepsTheStoredOrderButTakesTheNewOne) {
    checkRunning = 1; // the window sorts the lists by the new order at the run's end
    clickHeader(kSenderColumn);
    EXPECT_EQ(host.state.sortOrder, kSortSenderAscending);
    EXPECT_EQ(accounts[0].mails.from(0), "charlie");
    EXPECT_EQ(mailList.columnHeader()->sortColumn(), kSenderColumn);
    EXPECT_FALSE(std::filesystem::exists(dir / "obx.msf"));
    checkRunning = 0;
}

} // namespace
} // namespace ombrix
