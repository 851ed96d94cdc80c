#include "cli/cli_command.h"
#include "cli/terminal_text.h"
#include "core/account_table.h"
#include "core/display_field.h"

#include <charconv>
#include <ostream>

namespace ombrix {
namespace {

std::string_view withoutLineEnd(std::string_view uid) {
    while (!uid.empty() && (uid.back() == '\n' || uid.back() == '\r'))
        uid.remove_suffix(1);
    return uid;
}

void printMails(std::ostream& out, std::uint32_t account, bool withAccountIndex) {
    const AccountRecord& a = accounts[account];
    for (int i = 0; i < validMailCount(a); ++i) {
        if (withAccountIndex)
            out << account << '\t';
        out << i << '\t' << (a.mails[i].read != 0 ? 1 : 0) << '\t' << terminalLine(a.mails.from(i))
            << '\t' << terminalLine(a.mails.subject(i)) << '\t'
            << displayDate(a.mails[i].day, a.mails[i].month, a.mails[i].year) << '\t'
            << a.mails[i].size << '\t' << terminalLine(withoutLineEnd(a.mails.uid(i))) << '\n';
    }
}

std::uint32_t accountIndex(const std::string& text) {
    std::uint32_t index = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), index);
    if (error != std::errc{} || end != text.data() + text.size())
        throw UsageError("--list takes an account index, not " + text);
    return index;
}

} // namespace

int runList(CommandArguments& arguments, const CliContext& context) {
    const std::vector<std::string> positionals = arguments.takePositionals();
    arguments.expectNoMore();
    if (positionals.size() > 1)
        throw UsageError("--list takes at most one account index");
    const std::optional<std::uint32_t> only =
        positionals.empty() ? std::nullopt : std::optional(accountIndex(positionals[0]));
    context.loadState();
    if (only) {
        if (*only >= accountCount)
            throw UsageError("there is no account " + positionals[0]);
        printMails(context.io.out, *only, false);
        return 0;
    }
    for (std::uint32_t k = 0; k < accountCount; ++k)
        printMails(context.io.out, k, true);
    return 0;
}

} // namespace ombrix
