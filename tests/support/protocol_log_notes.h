#pragma once
// What the connection layer noted in a protocol log ("* " lines): tests count
// its decisions there (a receive that timed out, an early acknowledgement).

#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>

namespace ombrix::test {

// How often `note` stands in the log's bytes as a line of its own.
inline int protocolLogNotes(const std::string& log, std::string_view note) {
    std::istringstream lines(log);
    const std::string wanted = "* " + std::string(note);
    int count = 0;
    for (std::string line; std::getline(lines, line);)
        count += line == wanted ? 1 : 0;
    return count;
}

// OMBRIX_PROTOCOL_LOG pointed at a file of its own while the object lives.
class ProtocolLogFile {
public:
    ProtocolLogFile() : path_(dir_ / "protocol.log") {
        setenv("OMBRIX_PROTOCOL_LOG", path_.c_str(), 1);
    }
    ~ProtocolLogFile() { unsetenv("OMBRIX_PROTOCOL_LOG"); }
    ProtocolLogFile(const ProtocolLogFile&) = delete;
    ProtocolLogFile& operator=(const ProtocolLogFile&) = delete;

    int notes(std::string_view note) const {
        return std::filesystem::exists(path_) ? protocolLogNotes(readBytes(path_), note) : 0;
    }

private:
    TempDir dir_;
    std::filesystem::path path_;
};

} // namespace ombrix::test
