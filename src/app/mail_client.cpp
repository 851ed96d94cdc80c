#include "app/mail_client.h"

#include <QProcess>
#include <QStringList>

namespace ombrix {
namespace {

// Inside double quotes a backslash escapes '"', '`', '$' and '\'.
bool escapable(char c) {
    return c == '"' || c == '`' || c == '$' || c == '\\';
}

// Splits an Exec= value into words: blanks separate, a double-quoted stretch
// belongs to its word.
std::vector<std::string> execWords(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '\\' && i + 1 < text.size() && escapable(text[i + 1]))
                word += text[++i];
            else if (c == '"')
                quoted = false;
            else
                word += c;
        } else if (c == ' ' || c == '\t') {
            if (inWord)
                words.push_back(std::move(word));
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
        words.push_back(std::move(word));
    return words;
}

// A word without its field codes; "%%" is a percent sign.
std::string withoutFieldCodes(const std::string& word) {
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

bool isOnlyFieldCodes(const std::string& word) {
    return !word.empty() && word.find('%') != std::string::npos && withoutFieldCodes(word).empty();
}

} // namespace

std::string commandProgramPart(std::string_view command) {
    std::string part;
    int quotes = 0;
    for (const char c : command) {
        if (c == ' ' && quotes == 0)
            break;
        part += c;
        if (c == '"' && ++quotes == 2)
            break;
    }
    return part;
}

MailClientStart parseMailClientCommand(std::string_view execLine) {
    const std::string part = commandProgramPart(execLine);
    MailClientStart start;
    const std::vector<std::string> programWords = execWords(part);
    for (const std::string& word : programWords)
        start.program += withoutFieldCodes(word);
    for (const std::string& word : execWords(execLine.substr(part.size()))) {
        if (!isOnlyFieldCodes(word))
            start.arguments.push_back(withoutFieldCodes(word));
    }
    return start;
}

bool startDetached(const MailClientStart& start) {
    if (start.program.empty())
        return false;
    QStringList arguments;
    for (const std::string& argument : start.arguments)
        arguments << QString::fromStdString(argument);
    return QProcess::startDetached(QString::fromStdString(start.program), arguments);
}

} // namespace ombrix
