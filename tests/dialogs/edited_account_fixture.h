#pragma once
// The account editor opened on one IMAP account of a program directory of
// the test's own.

#include "config/program_directory.h"
#include "core/account_table.h"
#include "dialogs/change_konto.h"
#include "support/find_control.h"
#include "support/process_reset.h"
#include "support/temp_dir.h"

#include <QPushButton>
#include <gtest/gtest.h>

namespace ombrix::test {

class EditedAccountTest : public testing::Test {
protected:
    // The row of the table the editor opens on.
    static constexpr int kEdited = 0;

    void SetUp() override {
        resetProcessState();
        programDirectory = directory.path().string();
        accountCount = 1;
        AccountRecord& a = accounts[0];
        a.name = "anna@example.org";
        a.host = "imap.example.org";
        a.user = "anna";
        a.password = "secret";
        a.port = "993";
        a.protocol = 1;
        a.useSsl = 1;
    }
    void TearDown() override { resetProcessState(); }

    static void click(const ChangeKonto& dialog, int id) {
        control<QPushButton>(dialog, id)->click();
    }

    TempDir directory;
};

} // namespace ombrix::test
