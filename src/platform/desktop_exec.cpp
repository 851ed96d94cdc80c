#include "platform/desktop_exec.h"

namespace ombrix {
namespace {

bool escapableInQuotes(char c) {
    return c == '"' || c == '`' || c == '$' || c == '\\';
}

} // namespace

std::string escapeDesktopValue(std::string_view raw) {
    std::string value;
    for (const char c : raw) {
        switch (c) {
        case '\\':
            value += "\\\\";
            break;
        case '\n':
            value += "\\n";
            break;
        case '\t':
            value += "\\t";
            break;
        case '\r':
            value += "\\r";
            break;
        default:
            value += c;
        }
    }
    return value;
}

std::string unescapeDesktopValue(std::string_view value) {
    std::string raw;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            raw += value[i];
            continue;
        }
        switch (value[++i]) {
        case 'n':
            raw += '\n';
            break;
        case 't':
            raw += '\t';
            break;
        case 'r':
            raw += '\r';
            break;
        case 's':
            raw += ' ';
            break;
        case '\\':
            raw += '\\';
            break;
        default:
            raw += '\\', raw += value[i];
        }
    }
    return raw;
}

std::string quoteExecArgument(std::string_view argument) {
    std::string quoted = "\"";
    for (const char c : argument) {
        if (escapableInQuotes(c))
            quoted += '\\';
        quoted += c;
        if (c == '%')
            quoted += '%';
    }
    return quoted + '"';
}

ExecWords splitExecWords(std::string_view line) {
    ExecWords result;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '\\' && i + 1 < line.size() && escapableInQuotes(line[i + 1]))
                word += line[++i];
            else if (c == '"')
                quoted = false;
            else
                word += c;
        } else if (c == ' ' || c == '\t') {
            if (inWord)
                result.words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            inWord = true;
            if (c == '"')
                quoted = true;
            else
                word += c;
        }
    }
    if (inWord)
        result.words.push_back(std::move(word));
    result.quoteLeftOpen = quoted;
    return result;
}

std::string withoutFieldCodes(std::string_view word) {
    std::string result;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word[i] != '%') {
            result += word[i];
        } else if (i + 1 < word.size()) {
            if (word[++i] == '%')
                result += '%';
        }
    }
    return result;
}

bool isOnlyFieldCodes(std::string_view word) {
    return !word.empty() && word.find('%') != std::string_view::npos &&
           withoutFieldCodes(word).empty();
}

} // namespace ombrix
