#include "config/highest_modseqs.h"

#include "config/account_conf_key.h"
#include "core/account_table.h"
#include "core/password_keyring.h"

#include <algorithm>
#include <optional>

namespace ombrix {
namespace {

struct Entry {
    std::string validity;
    std::string modseq;
};

std::optional<Entry> parseEntry(const std::string& value) {
    const std::size_t blank = value.find(' ');
    if (blank == std::string::npos || blank == 0 || blank + 1 == value.size())
        return std::nullopt;
    return Entry{value.substr(0, blank), value.substr(blank + 1)};
}

// Both are decimal digits without leading zeros, as the server wrote them.
bool olderModseq(const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

std::string keyOf(const AccountRecord& account) {
    return accountConfKey(kConfHighestModseq, keyringKeyOf(account));
}

} // namespace

std::map<std::string, std::string> highestModseqEntries() {
    std::map<std::string, std::optional<Entry>> byKey;
    const int used = static_cast<int>(std::min<std::uint32_t>(accountCount, kMaxAccounts));
    for (int slot = 0; slot < used; ++slot) {
        const AccountRecord& account = accounts[static_cast<std::size_t>(slot)];
        if (account.protocol != 1)
            continue;
        const std::string key = keyOf(account);
        const Entry mine{account.uidValidity, account.highestModseq};
        const bool known = !mine.validity.empty() && !mine.modseq.empty();
        auto [at, first] = byKey.try_emplace(key, known ? std::optional(mine) : std::nullopt);
        std::optional<Entry>& shared = at->second;
        if (first || !shared)
            continue;
        if (!known || shared->validity != mine.validity)
            shared.reset();
        else if (olderModseq(mine.modseq, shared->modseq))
            shared->modseq = mine.modseq;
    }
    std::map<std::string, std::string> entries;
    for (const auto& [key, entry] : byKey)
        entries[key] = entry ? entry->validity + ' ' + entry->modseq : std::string();
    return entries;
}

bool applyHighestModseqs(ProgramConf& conf, const std::map<std::string, std::string>& entries) {
    bool changed = false;
    for (const auto& [key, value] : entries) {
        const std::optional<std::string> stored = conf.value(key);
        if (value.empty() && stored) {
            conf.erase(key);
            changed = true;
        } else if (!value.empty() && stored != value) {
            conf.set(key, value);
            changed = true;
        }
    }
    return changed;
}

void keepHighestModseqs(const std::map<std::string, std::string>& entries) {
    ProgramConf copy = readProgramConf();
    if (applyHighestModseqs(copy, entries))
        updateProgramConf([&entries](ProgramConf& conf) { applyHighestModseqs(conf, entries); });
}

void loadHighestModseqs(const ProgramConf& conf) {
    const int used = static_cast<int>(std::min<std::uint32_t>(accountCount, kMaxAccounts));
    for (int slot = 0; slot < used; ++slot) {
        AccountRecord& account = accounts[static_cast<std::size_t>(slot)];
        account.highestModseq.clear();
        if (account.protocol != 1 || account.uidValidity.empty())
            continue;
        const std::optional<std::string> value = conf.value(keyOf(account));
        const std::optional<Entry> entry = value ? parseEntry(*value) : std::nullopt;
        if (entry && entry->validity == account.uidValidity)
            account.highestModseq = entry->modseq;
    }
}

} // namespace ombrix
