#include "config/state_store.h"

#include "check/run_flags.h"
#include "check/table_lock.h"
#include "config/config_texts.h"
#include "config/mail_list_file.h"
#include "config/obx_schema.h"
#include "config/program_directory.h"
#include "config/read_flag_file.h"
#include "config/settings_file.h"
#include "platform/message_box.h"
#include "platform/text_file.h"

#include <filesystem>
#include <vector>

namespace ombrix {
namespace {

std::filesystem::path stateFile(std::string_view name) {
    return std::filesystem::path(programDirectory) / name;
}

struct StateFile {
    std::string_view name;
    std::string bytes;
};

// obx.rd is read by position against the mail counts of obx.msf, so the mail
// lists never go to disk without the read flags of the same moment.
std::vector<StateFile> filesOf(SaveKind kind) {
    switch (kind) {
    case SaveKind::SettingsFile:
        return {{schema::kSettingsFileName, toTextMode(encodeSettingsFile())}};
    case SaveKind::MailListFile:
        return {{schema::kMailListFileName, encodeMailListFile()},
                {schema::kReadFlagFileName, encodeReadFlagFile()}};
    case SaveKind::ReadFlagFile:
        return {{schema::kReadFlagFileName, encodeReadFlagFile()}};
    }
    return {};
}

// The files hold a password and the start of every listed mail: owner only.
constexpr auto kPrivateFile =
    std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;

} // namespace

void loadState() {
    const std::filesystem::path settingsPath = stateFile(schema::kSettingsFileName);
    const auto settingsBytes = readFileBytes(settingsPath);
    if (!settingsBytes) {
        // A first start has no obx.dat yet: the defaults, without a complaint.
        std::error_code error;
        if (std::filesystem::exists(settingsPath, error) || error)
            messageBox(config_texts::iniOpenFailed());
        return;
    }
    if (decodeSettingsFile(fromTextMode(*settingsBytes)) != SettingsRead::Loaded)
        return;
    if (const auto lists = readFileBytes(stateFile(schema::kMailListFileName)))
        decodeMailListFile(*lists);
    if (const auto flags = readFileBytes(stateFile(schema::kReadFlagFileName)))
        decodeReadFlagFile(*flags);
}

// A check run rewrites the lists and read flags it works on: nothing is saved
// meanwhile. The content is taken in one step under the table's lock, so a
// deletion run's bracket never lands in the middle of it.
bool saveState(SaveKind kind) {
    if (checkRunning == 1)
        return false;
    std::vector<StateFile> files;
    {
        const TableAccess access;
        files = filesOf(kind);
    }
    std::vector<FileReplacement> replacements;
    for (const StateFile& file : files)
        replacements.push_back({stateFile(file.name), file.bytes});
    const std::error_code error = replaceFiles(replacements, kPrivateFile);
    if (error) {
        messageBox(config_texts::saveFailed(replacements.front().target.string(), error.message()));
        return false;
    }
    return true;
}

bool saveAllState() {
    const bool settingsSaved = saveState(SaveKind::SettingsFile);
    const bool listsSaved = saveState(SaveKind::MailListFile);
    return settingsSaved && listsSaved;
}

} // namespace ombrix
