#pragma once
// One command-line mode: its name, its help line and its handler. A new mode
// is one handler and one row in the table of cli_commands.cpp.

#include "cli/cli.h"
#include "config/state_store.h"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

// The arguments of one command, taken out as the command asks for them;
// whatever is left at the end is an unknown argument.
class CommandArguments {
public:
    CommandArguments(std::string_view command, std::vector<std::string> arguments)
        : command_(command), arguments_(std::move(arguments)) {}

    bool takeFlag(std::string_view option);
    // The value after `option`; throws when the option is last.
    std::optional<std::string> takeValue(std::string_view option);
    // The arguments that are not options, in order.
    std::vector<std::string> takePositionals();
    // Throws for the first argument nobody took.
    void expectNoMore() const;

    std::string_view command() const { return command_; }

private:
    std::string_view command_;
    std::vector<std::string> arguments_;
};

struct CliContext {
    CliStreams& io;
    std::optional<std::string> directory;

    // Finds programDirectory and reads the state files, as the window's
    // start-up does, or as much of them as the scope asks for.
    void loadState(LoadScope scope = LoadScope::Everything) const;
    // After loadState: fetches the passwords that are in the keyring and, for
    // a command that holds the directory, moves the others into it. Where
    // each password lives shows in --accounts.
    void settlePasswords(bool move) const;
    // After settlePasswords, for a run: throws KeyringMissing when accounts
    // wait for passwords from a keyring that does not answer, rather than
    // failing each of them.
    void needKeyringPasswords() const;
    // Says on stderr why passwords stay in obx.dat, when the keyring failed
    // them, and (once) that an OAuth refresh token went to ombrix.conf: the
    // commands a user runs by hand (not those of scripts and timers).
    void tellKeyringNotice() const;
};

struct CliCommand {
    std::string_view name;
    std::string_view usage;
    const char* summaryGerman;
    const char* summaryEnglish;
    int (*run)(CommandArguments& arguments, const CliContext& context);
    // Writes the files of the program directory: runs only while it holds
    // the directory (never beside the desktop program).
    bool writes = false;
    // While the desktop program holds the directory, it is asked to do the
    // same (check now) instead of refusing. Such a command takes no arguments.
    bool desktopDoesIt = false;
    // Asks the user before it writes: it reads and asks without the directory
    // (a desktop start or another command would wait on the terminal's
    // answer), then takes it through whileHoldingDirectory.
    bool asksFirst = false;
};

std::span<const CliCommand> cliCommands();

// Runs a command that writes once it holds the program directory; exit code
// kExitDirectoryBusy with one line on stderr when it cannot have it.
int runWritingCommand(const CliCommand& command, CommandArguments& arguments,
                      const CliContext& context);

// For a command that asks first: before the question, the exit code (and one
// line on stderr) when the desktop program holds the directory, so the user
// is not asked in vain; nothing otherwise. Holds nothing.
std::optional<int> refusedBeforeAsking(const CliContext& context);
// Runs `act` while the command holds the directory; refused as
// runWritingCommand refuses. `act` must read the files again and check that
// what the user answered still holds: they may have changed meanwhile.
int whileHoldingDirectory(const CliContext& context, const std::function<int()>& act);

int runHelp(CommandArguments& arguments, const CliContext& context);
int runAccounts(CommandArguments& arguments, const CliContext& context);
int runAddAccount(CommandArguments& arguments, const CliContext& context);
int runList(CommandArguments& arguments, const CliContext& context);
int runUnread(CommandArguments& arguments, const CliContext& context);
int runCheck(CommandArguments& arguments, const CliContext& context);
int runDelete(CommandArguments& arguments, const CliContext& context);
int runMarkRead(CommandArguments& arguments, const CliContext& context);
int runMarkUnread(CommandArguments& arguments, const CliContext& context);
int runTrust(CommandArguments& arguments, const CliContext& context);

} // namespace ombrix
