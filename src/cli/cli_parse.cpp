#include "cli/cli.h"
#include "cli/cli_command.h"
#include "core/access_tokens.h"
#include "core/language.h"
#include "oauth/token_broker.h"

#include <algorithm>
#include <ostream>

namespace ombrix {
namespace {

const CliCommand* findCommand(std::string_view name) {
    const auto commands = cliCommands();
    const auto found = std::find_if(commands.begin(), commands.end(),
                                    [&](const CliCommand& c) { return c.name == name; });
    return found == commands.end() ? nullptr : &*found;
}

int languageCode(const std::string& name) {
    if (name == "de")
        return 0;
    if (name == "en")
        return 1;
    throw UsageError("--lang takes de or en, not " + name);
}

} // namespace

CliRequest parseCommandLine(const std::vector<std::string>& arguments) {
    CliRequest request;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--dir" || argument == "--lang") {
            if (i + 1 == arguments.size())
                throw UsageError(argument + " needs a value");
            const std::string& value = arguments[++i];
            if (argument == "--dir")
                request.directory = value;
            else
                request.language = languageCode(value);
        } else if (request.command) {
            request.arguments.push_back(argument);
        } else if (const CliCommand* command = findCommand(argument)) {
            request.command = command;
        } else {
            throw UsageError("unknown argument: " + argument);
        }
    }
    return request;
}

std::optional<int> runCli(const std::vector<std::string>& arguments, CliStreams& io) {
    try {
        const CliRequest request = parseCommandLine(arguments);
        if (request.language)
            Language = *request.language;
        if (!request.command)
            return std::nullopt;
        // The runs ask here for the access tokens of OAuth accounts.
        setAccessTokenSource(oauth::makeOAuthTokenSource());
        CommandArguments commandArguments(request.command->name, request.arguments);
        const CliContext context{io, request.directory};
        if (request.command->writes)
            return runWritingCommand(*request.command, commandArguments, context);
        return request.command->run(commandArguments, context);
    } catch (const UsageError& error) {
        io.err << "ombrix: " << error.what() << " (ombrix --help)\n";
        return kExitUsage;
    } catch (const KeyringMissing& error) {
        io.err << error.what() << '\n';
        return kExitNoKeyring;
    }
}

} // namespace ombrix
