#pragma once
// Changes of the account table that move accounts between slots.

namespace ombrix {

// Removes account `index`: every later account moves down one slot whole,
// with its settings, its check state, its deactivation, its mail list and its
// read flags, so no other account loses or gains a mail or a mark. The freed
// last slot is cleared and accountCount drops by one. False, and nothing
// changed, for an index outside the accounts in use.
bool removeAccount(int index);

// Sets the read flag of every listed mail of account `index` (an index
// outside the accounts in use changes nothing).
void markAccountRead(int index);

// The same for every account in use.
void markAllAccountsRead();

} // namespace ombrix
