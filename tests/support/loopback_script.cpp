// Building scripts for the loopback server in code and from fixture files.

#include "support/loopback_server.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace ombrix::test {
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string unescape(std::string_view text, int lineNumber) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            bytes += text[i];
            continue;
        }
        char code = text[++i];
        if (code == 'r') {
            bytes += '\r';
        } else if (code == 'n') {
            bytes += '\n';
        } else if (code == 't') {
            bytes += '\t';
        } else if (code == '\\') {
            bytes += '\\';
        } else if (code == 'x' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            bytes += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            throw std::runtime_error("script line " + std::to_string(lineNumber) +
                                     ": unknown escape \\" + code);
        }
    }
    return bytes;
}

// The text after "C:", "S:" or "S=": one blank after the marker is not part of it.
std::string_view argument(std::string_view line) {
    std::string_view rest = line.substr(2);
    if (!rest.empty() && rest.front() == ' ') {
        rest.remove_prefix(1);
    }
    return rest;
}

} // namespace

Script& Script::expect(std::string line) {
    steps_.push_back({ScriptStep::Kind::Expect, std::move(line), {}});
    return *this;
}

Script& Script::expectStart(std::string prefix) {
    steps_.push_back({ScriptStep::Kind::ExpectStart, std::move(prefix), {}});
    return *this;
}

Script& Script::send(std::string bytes) {
    steps_.push_back({ScriptStep::Kind::Send, std::move(bytes), {}});
    return *this;
}

Script& Script::sendLine(std::string text) {
    return send(std::move(text) + "\r\n");
}

Script& Script::pause(std::chrono::milliseconds duration) {
    steps_.push_back({ScriptStep::Kind::Pause, {}, duration});
    return *this;
}

Script& Script::silent() {
    steps_.push_back({ScriptStep::Kind::Silent, {}, {}});
    return *this;
}

Script& Script::hold() {
    steps_.push_back({ScriptStep::Kind::Hold, {}, {}});
    return *this;
}

Script& Script::close() {
    steps_.push_back({ScriptStep::Kind::Close, {}, {}});
    return *this;
}

Script& Script::expectClose() {
    steps_.push_back({ScriptStep::Kind::ExpectClose, {}, {}});
    return *this;
}

Script Script::parse(std::string_view text) {
    Script script;
    std::string pending; // consecutive server lines, sent in one write
    bool sending = false;
    auto flush = [&] {
        if (sending) {
            script.send(pending);
            pending.clear();
            sending = false;
        }
    };
    std::istringstream lines{std::string(text)};
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::string_view view(line);
        if (view.empty() || view.front() == '#') {
            continue;
        }
        if (view.starts_with("S:") || view.starts_with("S=")) {
            pending += unescape(argument(view), lineNumber);
            if (view[1] == ':') {
                pending += "\r\n";
            }
            sending = true;
            continue;
        }
        flush();
        if (view.starts_with("C:")) {
            script.expect(unescape(argument(view), lineNumber));
        } else if (view.starts_with("PAUSE ")) {
            script.pause(std::chrono::milliseconds(std::stoi(line.substr(6))));
        } else if (view == "SILENT") {
            script.silent();
        } else if (view == "HOLD") {
            script.hold();
        } else if (view == "CLOSE") {
            script.close();
        } else if (view == "CLIENT CLOSES") {
            script.expectClose();
        } else {
            throw std::runtime_error("script line " + std::to_string(lineNumber) + ": " + line);
        }
    }
    flush();
    return script;
}

Script Script::load(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read script " + file.string());
    }
    std::ostringstream text;
    text << in.rdbuf();
    return parse(text.str());
}

} // namespace ombrix::test
