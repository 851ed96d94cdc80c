#include "app/mail_client.h"

#include "platform/desktop_exec.h"

#include <QProcess>
#include <QStringList>

namespace ombrix {

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
    for (const std::string& word : splitExecWords(part).words)
        start.program += withoutFieldCodes(word);
    for (const std::string& word : splitExecWords(execLine.substr(part.size())).words) {
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
