#pragma once
// The only readers and writers of the three state files in programDirectory.

namespace ombrix {

enum class SaveKind { SettingsFile = 0, MailListFile = 1, ReadFlagFile = 2 };

// How much of the state a process reads; the command-line modes that only
// print something take no more than they print.
enum class LoadScope {
    Everything, // obx.dat, obx.msf and obx.rd
    ReadCounts, // obx.dat, how many mails each list holds, obx.rd
    Accounts,   // obx.dat alone
};

// At start-up, with the account slots cleared: obx.dat, then (only when it
// opened and its header matched) what else the scope asks for.
void loadState(LoadScope scope = LoadScope::Everything);

// The scope of the last loadState. Lists read in part are never saved: that
// would lose the entries or read flags the load left out.
inline LoadScope loadedScope = LoadScope::Everything;

// Replaces one file with the values in memory; MailListFile replaces obx.msf
// and obx.rd together, from one snapshot of the table. While a check run is active
// nothing is written (the next save writes them). A file that already holds
// exactly these bytes is left as it is. A file that cannot be written is
// reported in a message box and the old one stays. True when the file holds
// the values in memory.
bool saveState(SaveKind kind);

// All three files, for changes that move accounts between slots: the cached
// lists and read flags must follow the accounts of obx.dat.
bool saveAllState();

} // namespace ombrix
