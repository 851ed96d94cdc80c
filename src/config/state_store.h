#pragma once
// The only readers and writers of the three state files in programDirectory.

namespace ombrix {

enum class SaveKind { SettingsFile = 0, MailListFile = 1, ReadFlagFile = 2 };

// At start-up, with the account slots cleared: obx.dat, then (only when it
// opened and its header matched) obx.msf and obx.rd.
void loadState();

// Replaces one file with the values in memory; MailListFile replaces obx.msf
// and obx.rd together, from one snapshot of the table. While a check run is active
// nothing is written (the next save writes them). A file that cannot be
// written is reported in a message box and the old one stays. True when the
// file was written.
bool saveState(SaveKind kind);

// All three files, for changes that move accounts between slots: the cached
// lists and read flags must follow the accounts of obx.dat.
bool saveAllState();

} // namespace ombrix
