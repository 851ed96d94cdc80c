#pragma once
// passwordStore=file while passwords are still in the keyring: the user chose
// the file after they had moved there. They come back into obx.dat, and
// their items go, as the user chose the file. The desktop program asks
// first; a command that holds the directory does it and says so.

#include "platform/secret_store.h"

#include <vector>

namespace ombrix {

// ombrix.conf asks for the file and some account's password is only in the
// keyring. Takes the table.
bool passwordsWaitInKeyring();

struct PasswordReturn {
    int returned = 0; // now in obx.dat
    int left = 0;     // still only in the keyring (it did not answer, or obx.dat was not saved)
    SecretOutcome trouble = SecretOutcome::Done; // why some were left, where the keyring said
};

// Fetches them, saves obx.dat with them and then removes their items. Waits
// for the keyring: never on the window thread. The caller holds the directory.
PasswordReturn returnPasswordsToFile();
// The last step alone, once obx.dat holds the passwords of these items: they
// go, and so do their marks.
void removeReturnedItems(const std::vector<SecretKey>& items);

} // namespace ombrix
