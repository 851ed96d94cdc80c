#pragma once
// The keyring's part of a start-up: which store ombrix.conf asks for, and,
// for a process without a window, moving the passwords into the keyring
// there and then.

namespace ombrix {

// keyringChosen from passwordStore in ombrix.conf (auto unless "file"), and
// keyringDirectory from programDirectory.
void chooseKeyringFromConf();

// Fetches the passwords that are only in the keyring and, with `move`, moves
// every password still in obx.dat into it, saving obx.dat when one moved, and
// removes the items of deleted accounts still named in ombrix.conf.
// Waits for the keyring (and for the user, should it ask to be unlocked):
// never on the window thread. True when obx.dat holds what memory holds.
// Without `move` (a command that only reads, beside whoever holds the
// directory) no file is written.
bool settlePasswordsNow(bool move);

} // namespace ombrix
