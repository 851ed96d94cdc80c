#pragma once
// ombrix.conf in the program directory: the settings that obx.dat has no place
// for, as "key=value" lines. Lines this version does not know (keys of newer
// versions, comments) are kept as they stand when the file is saved again.

#include "config/conf_keys.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace ombrix {

inline constexpr const char* kProgramConfName = "ombrix.conf";

class ProgramConf {
public:
    static ProgramConf parse(std::string_view text);
    std::string serialize() const;

    std::optional<std::string> value(std::string_view key) const;
    // "1", "true" and "on" read as true, "0", "false" and "off" as false; a
    // missing or malformed value gives the fallback.
    bool flag(std::string_view key, bool fallback) const;
    std::int64_t number(std::string_view key, std::int64_t fallback) const;
    // Every key once, in the order of the file.
    std::vector<std::string> keys() const;

    // Keeps the key's place in the file; a new key goes to the end. Line breaks
    // in the value are dropped, as a line holds exactly one entry.
    void set(std::string_view key, std::string_view value);
    void setFlag(std::string_view key, bool on);
    // As setFlag, written "on" or "off" (keys a user is meant to edit by hand).
    void setSwitch(std::string_view key, bool on);
    void setNumber(std::string_view key, std::int64_t number);
    // Drops every entry of the key.
    void erase(std::string_view key);

private:
    struct Line {
        std::string key;  // empty: a line kept as it stands
        std::string text; // the value, or the whole kept line
    };
    std::vector<Line> lines_;
};

std::filesystem::path programConfPath(const std::string& directory);
// A missing or unreadable file gives the empty set (every key at its default).
ProgramConf loadProgramConf(const std::filesystem::path& file);
// Atomic, readable for the owner only.
std::error_code saveProgramConf(const std::filesystem::path& file, const ProgramConf& conf);

// The settings of this process's program directory, held once for the
// process under one lock that every thread takes: a copy to read from, a
// change that is saved to ombrix.conf in programDirectory before the lock is
// let go, or (start-up, tests) the whole set replaced without saving.
ProgramConf readProgramConf();
std::error_code updateProgramConf(const std::function<void(ProgramConf&)>& change);
void replaceProgramConf(ProgramConf conf);

} // namespace ombrix
