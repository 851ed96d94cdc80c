#include "config/state_store.h"

#include "config/byte_stream.h"
#include "config/config_texts.h"
#include "config/highest_modseqs.h"
#include "config/list_pair.h"
#include "config/mail_list_file.h"
#include "config/oauth_sign_ins.h"
#include "config/obx_schema.h"
#include "config/program_directory.h"
#include "config/read_flag_file.h"
#include "config/settings_file.h"
#include "core/commit_bracket.h"
#include "core/run_flags.h"
#include "platform/input_file.h"
#include "platform/message_box.h"
#include "platform/staged_file.h"
#include "platform/text_file.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace ombrix {
namespace {

std::filesystem::path stateFile(std::string_view name) {
    return std::filesystem::path(programDirectory) / name;
}

// The files hold a password and the start of every listed mail: owner only.
constexpr auto kPrivateFile =
    std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;

// obx.msf can hold a few hundred megabytes: it is parsed as it streams in,
// each account's texts into the one block of its list.
void loadMailLists(const std::filesystem::path& path, ListDetail detail) {
    auto file = InputFile::open(path);
    if (!file)
        return;
    ByteReader in([&file](std::span<char> into) { return file->read(into); }, file->size());
    decodeMailListFile(in, detail);
}

void loadLists(LoadScope scope) {
    const ListPairSources sources = listPairSources(programDirectory);
    if (sources.mailLists)
        loadMailLists(*sources.mailLists, scope == LoadScope::ReadCounts ? ListDetail::CountsOnly
                                                                         : ListDetail::Entries);
    if (!sources.readFlags)
        return;
    if (const auto flags = readFileBytes(*sources.readFlags))
        decodeReadFlagFile(*flags);
    if (scope == LoadScope::Everything)
        loadHighestModseqs(readProgramConf());
}

std::error_code commit(SaveKind kind, std::vector<StagedFile>& files) {
    if (kind == SaveKind::MailListFile)
        return commitListPair(files, programDirectory);
    return commitStagedFiles(files);
}

// obx.rd is read by position against the mail counts of obx.msf, so the mail
// lists never go to disk without the read flags of the same moment. The lists
// stream into their file as they are encoded.
std::vector<StagedFile> stagedFilesOf(SaveKind kind) {
    std::vector<StagedFile> files;
    files.reserve(2);
    const auto stage = [&files](std::string_view name) -> StagedFile& {
        return files.emplace_back(stateFile(name), kPrivateFile);
    };
    switch (kind) {
    case SaveKind::SettingsFile:
        stage(schema::kSettingsFileName).write(toTextMode(encodeSettingsFile()));
        break;
    case SaveKind::MailListFile: {
        StagedFile& lists = stage(schema::kMailListFileName);
        ByteWriter out([&lists](std::string_view piece) { lists.write(piece); });
        encodeMailListFile(out);
        stage(schema::kReadFlagFileName).write(encodeReadFlagFile());
        break;
    }
    case SaveKind::ReadFlagFile:
        stage(schema::kReadFlagFileName).write(encodeReadFlagFile());
        break;
    }
    return files;
}

} // namespace

void loadState(LoadScope scope) {
    loadedScope = scope;
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
    loadOAuthProviders(); // kept in ombrix.conf, which the front end has read by now
    if (scope != LoadScope::Accounts)
        loadLists(scope);
}

// A check run rewrites the lists and read flags it works on: nothing is saved
// meanwhile. The content is taken in one step under the table's lock, so a
// deletion run's bracket never lands in the middle of it; flushing it to disk
// waits for nobody.
bool saveState(SaveKind kind) {
    if (checkRunning == 1)
        return false;
    if (kind != SaveKind::SettingsFile && loadedScope != LoadScope::Everything)
        return false;
    // The files on disk may not belong together (the load read the previous
    // pair): read flags alone would go with the wrong lists.
    if (kind == SaveKind::ReadFlagFile && listPairPending(programDirectory))
        kind = SaveKind::MailListFile;
    std::map<std::string, std::string> modseqs;
    const auto staged = [kind, &modseqs] {
        const TableAccess access;
        if (kind == SaveKind::MailListFile)
            modseqs = highestModseqEntries();
        return stagedFilesOf(kind);
    };
    std::vector<StagedFile> files = staged();
    if (const std::error_code error = commit(kind, files)) {
        messageBox(config_texts::saveFailed(files.front().target().string(), error.message()));
        return false;
    }
    // Only now: the flags they vouch for are on disk.
    if (kind == SaveKind::MailListFile)
        keepHighestModseqs(modseqs);
    return true;
}

bool saveAllState() {
    const bool settingsSaved = saveState(SaveKind::SettingsFile);
    const bool listsSaved = saveState(SaveKind::MailListFile);
    return settingsSaved && listsSaved;
}

} // namespace ombrix
