// The commands on accounts: new, edit, delete, activate, deactivate.

#include "app/checker_dlg.h"
#include "app/command_texts.h"
#include "app/keyring_worker.h"
#include "app/window_commands.h"
#include "app/window_lists.h"
#include "config/account_alert.h"
#include "config/keyring_marks.h"
#include "config/keyring_removals.h"
#include "config/read_state_switches.h"
#include "config/state_store.h"
#include "core/access_tokens.h"
#include "core/account_rules.h"
#include "core/account_table.h"
#include "core/account_table_ops.h"
#include "core/password_keyring.h"
#include "delete/delete_handover.h"
#include "dialogs/change_konto.h"
#include "dialogs/wizzard.h"
#include "mark/pending_marks.h"
#include "oauth/account_sign_in.h"
#include "platform/message_box.h"

namespace ombrix {

using namespace command_texts;

namespace {

// New or changed passwords go on into the keyring, away from the window thread.
void settleKeyring(KeyringWorker* keyringWorker) {
    if (keyringWorker)
        keyringWorker->settle();
}

void forgetKeyringItem(KeyringWorker* keyringWorker, const std::optional<SecretKey>& key) {
    if (key && keyringWorker)
        keyringWorker->forget(*key);
}

// An OAuth sign-in that no account uses any more: ombrix.conf forgets it at
// once, the keyring and the token memory on the keyring's thread.
void forgetSignIn(KeyringWorker* keyringWorker, const std::optional<TokenAccount>& signIn) {
    if (!signIn)
        return;
    oauth::forgetSignInSettings(*signIn);
    if (keyringWorker)
        keyringWorker->forgetSignIn(*signIn);
}

} // namespace

void WindowCommands::newAccount() {
    if (tableBusy())
        return;
    const TableHold hold(dialog_);
    const AccountsHold accountsHold(dialog_);
    if (accountCount >= kMaxAccounts) {
        messageBox(accountLimitText());
    } else {
        CWizzard wizard(&dialog_);
        if (services_.runDialog(wizard) == QDialog::Accepted) {
            saveState(SaveKind::SettingsFile);
            settleKeyring(dialog_.keyringWorker());
        }
    }
    refreshFull();
}

void WindowCommands::editAccount() {
    if (tableBusy())
        return;
    const TableHold hold(dialog_);
    const int row = selectedAccountRow();
    if (row < 0) {
        messageBox(noAccountToEdit());
        return;
    }
    const AccountsHold accountsHold(dialog_, row);
    const SecretKey keyBefore = keyringKeyOf(accounts[row]);
    const std::string passwordBefore = accounts[row].password;
    const TokenAccount signInBefore = tokenAccountOf(accounts[row]);
    // Signing in with OAuth drops the flag; the item goes all the same.
    const bool passwordItem = accounts[row].passwordInKeyring != 0;
    ChangeKonto editor(row, &dialog_);
    services_.runDialog(editor);
    const std::optional<SecretKey> stale = accountChanged(accounts[row], keyBefore, passwordBefore);
    saveState(SaveKind::SettingsFile);
    forgetKeyringItem(dialog_.keyringWorker(),
                      passwordItem && signsInWithOAuth(accounts[row]) ? keyBefore : stale);
    forgetSignIn(dialog_.keyringWorker(), oauth::abandonedSignIn(signInBefore));
    alertFollowsEdit(keyBefore, keyringKeyOf(accounts[row]));
    keptPasswordFollowsEdit(keyBefore, accounts[row]);
    readStateFollowsEdit(keyBefore, keyringKeyOf(accounts[row]));
    pendingMarksFollowEdit(keyBefore, keyringKeyOf(accounts[row]));
    settleKeyring(dialog_.keyringWorker());
    refreshFull();
}

// The later accounts move down whole, with their lists and read marks; all
// three files are rewritten so that the lists stay with their accounts.
void WindowCommands::deleteAccount() {
    if (tableBusy())
        return;
    const TableHold hold(dialog_);
    const AccountsHold accountsHold(dialog_);
    const int row = selectedAccountRow();
    if (row < 0) {
        messageBox(noAccountToDelete());
        return;
    }
    if (messageBox(confirmAccountDeletion(), BoxKind::YesNoQuestion) != BoxAnswer::Yes)
        return;
    const SecretKey key = keyringKeyOf(accounts[row]);
    const bool inKeyring = accounts[row].passwordInKeyring != 0;
    const TokenAccount signIn = tokenAccountOf(accounts[row]);
    if (!removeAccount(row))
        return;
    // A removal still named stands for an item that outlived an edit.
    if ((inKeyring || keyringRemovalNamed(key)) && accountsWithKey(key) == 0)
        forgetKeyringItem(dialog_.keyringWorker(), key);
    forgetSignIn(dialog_.keyringWorker(), oauth::abandonedSignIn(signIn));
    alertFollowsDeletion(key);
    keptPasswordFollowsDeletion(key);
    readStateFollowsDeletion(key);
    pendingMarksFollowDeletion(key);
    // The selected row now names another account: the mail list empties.
    lists_.accountList().selectRow(-1);
    refreshFull();
    saveAllState();
}

void WindowCommands::deactivateAccount() {
    if (tableBusy())
        return;
    const TableHold hold(dialog_);
    const AccountsHold accountsHold(dialog_);
    const int row = selectedAccountRow();
    if (row < 0) {
        messageBox(noAccountToDeactivate());
        return;
    }
    AccountRecord& account = accounts[row];
    if (account.deactivated != 1) {
        account.deactivated = 1;
        account.errorFlag = 0;
        account.errorText.clear();
    }
    refreshFull();
    saveState(SaveKind::SettingsFile);
}

void WindowCommands::activateAccount() {
    if (tableBusy())
        return;
    const TableHold hold(dialog_);
    const AccountsHold accountsHold(dialog_);
    const int row = selectedAccountRow();
    if (row < 0) {
        messageBox(noAccountToActivate());
        return;
    }
    AccountRecord& account = accounts[row];
    if (account.deactivated == 1) {
        account.checked = 0; // shows as pending until the next check
        account.deactivated = 0;
        account.errorFlag = 0;
        account.errorText.clear();
    }
    refreshFull();
    saveState(SaveKind::SettingsFile);
}

} // namespace ombrix
