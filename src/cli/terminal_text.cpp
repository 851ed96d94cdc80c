#include "cli/terminal_text.h"

#include "platform/display_bytes.h"

#include <cstdio>

namespace ombrix {
namespace {

void appendEscaped(std::string& out, unsigned codePoint) {
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02X", codePoint);
    out += text;
}

} // namespace

std::string terminalLine(std::string_view bytes) {
    const std::string text = displayText(bytes);
    std::string line;
    line.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r' || c == '\n' || c == '\t') {
            line += ' ';
        } else if (c < 0x20 || c == 0x7F) {
            appendEscaped(line, c);
        } else if (c == 0xC2 && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            appendEscaped(line, static_cast<unsigned char>(text[++i])); // a C1 control
        } else {
            line += text[i];
        }
    }
    return line;
}

std::string terminalMessage(std::string_view text) {
    std::string message;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        while (line.ends_with('\r'))
            line.remove_suffix(1);
        message += terminalLine(line);
        if (end < text.size())
            message += '\n';
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return message;
}

} // namespace ombrix
