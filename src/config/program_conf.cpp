#include "config/program_conf.h"

#include "config/program_directory.h"
#include "platform/text_file.h"

#include <algorithm>
#include <charconv>
#include <mutex>

namespace ombrix {
namespace {

std::mutex programConfMutex;
ProgramConf programConf; // only under programConfMutex

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string oneLine(std::string_view value) {
    std::string line(value);
    std::erase_if(line, [](char c) { return c == '\n' || c == '\r'; });
    return line;
}

} // namespace

ProgramConf ProgramConf::parse(std::string_view text) {
    ProgramConf conf;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::size_t equals = line.find('=');
        const std::string_view key =
            equals == std::string_view::npos ? std::string_view() : trimmed(line.substr(0, equals));
        if (key.empty() || key.front() == '#')
            conf.lines_.push_back({{}, std::string(line)});
        else
            conf.lines_.push_back(
                {std::string(key), std::string(trimmed(line.substr(equals + 1)))});
    }
    return conf;
}

std::string ProgramConf::serialize() const {
    std::string text;
    for (const Line& line : lines_)
        text += (line.key.empty() ? line.text : line.key + '=' + line.text) + '\n';
    return text;
}

std::optional<std::string> ProgramConf::value(std::string_view key) const {
    // The last entry of a key wins, as a hand-edited file would expect.
    for (auto it = lines_.crbegin(); it != lines_.crend(); ++it)
        if (!it->key.empty() && it->key == key)
            return it->text;
    return std::nullopt;
}

bool ProgramConf::flag(std::string_view key, bool fallback) const {
    const auto stored = value(key);
    if (stored == "1" || stored == "true" || stored == "on")
        return true;
    if (stored == "0" || stored == "false" || stored == "off")
        return false;
    return fallback;
}

std::int64_t ProgramConf::number(std::string_view key, std::int64_t fallback) const {
    const auto stored = value(key);
    if (!stored)
        return fallback;
    std::int64_t parsed = 0;
    const char* end = stored->data() + stored->size();
    const auto [rest, error] = std::from_chars(stored->data(), end, parsed);
    return error == std::errc() && rest == end ? parsed : fallback;
}

std::vector<std::string> ProgramConf::keys() const {
    std::vector<std::string> found;
    for (const Line& line : lines_)
        if (!line.key.empty() && std::find(found.begin(), found.end(), line.key) == found.end())
            found.push_back(line.key);
    return found;
}

void ProgramConf::set(std::string_view key, std::string_view value) {
    for (auto it = lines_.rbegin(); it != lines_.rend(); ++it)
        if (it->key == key) {
            it->text = oneLine(value);
            return;
        }
    lines_.push_back({std::string(key), oneLine(value)});
}

void ProgramConf::erase(std::string_view key) {
    std::erase_if(lines_, [key](const Line& line) { return !line.key.empty() && line.key == key; });
}

void ProgramConf::setFlag(std::string_view key, bool on) {
    set(key, on ? "1" : "0");
}

void ProgramConf::setSwitch(std::string_view key, bool on) {
    set(key, on ? "on" : "off");
}

void ProgramConf::setNumber(std::string_view key, std::int64_t number) {
    set(key, std::to_string(number));
}

std::filesystem::path programConfPath(const std::string& directory) {
    return std::filesystem::path(directory) / kProgramConfName;
}

ProgramConf loadProgramConf(const std::filesystem::path& file) {
    const auto bytes = readFileBytes(file);
    return bytes ? ProgramConf::parse(*bytes) : ProgramConf();
}

std::error_code saveProgramConf(const std::filesystem::path& file, const ProgramConf& conf) {
    return replaceFile(file, conf.serialize(),
                       std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

ProgramConf readProgramConf() {
    const std::lock_guard lock(programConfMutex);
    return programConf;
}

std::error_code updateProgramConf(const std::function<void(ProgramConf&)>& change) {
    const std::lock_guard lock(programConfMutex);
    change(programConf);
    return saveProgramConf(programConfPath(programDirectory), programConf);
}

void replaceProgramConf(ProgramConf conf) {
    const std::lock_guard lock(programConfMutex);
    programConf = std::move(conf);
}

} // namespace ombrix
