#include "config/state_store.h"

#include "check/run_flags.h"
#include "config/config_texts.h"
#include "config/mail_list_file.h"
#include "config/obx_schema.h"
#include "config/program_directory.h"
#include "config/read_flag_file.h"
#include "config/settings_file.h"
#include "platform/message_box.h"
#include "platform/text_file.h"

#include <filesystem>

namespace ombrix {
namespace {

std::filesystem::path stateFile(std::string_view name) {
    return std::filesystem::path(programDirectory) / name;
}

std::string_view fileNameOf(SaveKind kind) {
    switch (kind) {
    case SaveKind::SettingsFile:
        return schema::kSettingsFileName;
    case SaveKind::MailListFile:
        return schema::kMailListFileName;
    case SaveKind::ReadFlagFile:
        return schema::kReadFlagFileName;
    }
    return schema::kSettingsFileName;
}

std::string contentOf(SaveKind kind) {
    switch (kind) {
    case SaveKind::SettingsFile:
        return toTextMode(encodeSettingsFile());
    case SaveKind::MailListFile:
        return encodeMailListFile();
    case SaveKind::ReadFlagFile:
        return encodeReadFlagFile();
    }
    return {};
}

// The files hold a password and the start of every listed mail: owner only.
constexpr auto kPrivateFile =
    std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;

} // namespace

void loadState() {
    const auto settingsBytes = readFileBytes(stateFile(schema::kSettingsFileName));
    if (!settingsBytes) {
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

bool saveState(SaveKind kind) {
    if (checkRunning == 1) {
        dataIdle = 1;
        return false;
    }
    dataIdle = 0;
    const std::filesystem::path target = stateFile(fileNameOf(kind));
    const std::error_code error = replaceFile(target, contentOf(kind), kPrivateFile);
    dataIdle = 1;
    if (error) {
        messageBox(config_texts::saveFailed(target.string(), error.message()));
        return false;
    }
    return true;
}

bool saveAllState() {
    const bool settingsSaved = saveState(SaveKind::SettingsFile);
    const bool listsSaved = saveState(SaveKind::MailListFile);
    const bool flagsSaved = saveState(SaveKind::ReadFlagFile);
    return settingsSaved && listsSaved && flagsSaved;
}

} // namespace ombrix
