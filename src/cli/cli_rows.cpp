#include "cli/cli_rows.h"

#include "cli/cli.h"

#include <algorithm>
#include <charconv>

namespace ombrix {

int commandNumber(std::string_view command, const std::string& text, const char* what) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < 0)
        throw UsageError(std::string(command) + " takes " + what + ", not " + text);
    return value;
}

std::vector<int> selectedRows(std::string_view command, const std::vector<std::string>& texts,
                              const AccountRecord& account, const std::string& accountText) {
    std::vector<int> rows;
    for (const std::string& text : texts)
        rows.push_back(commandNumber(command, text, "row indices"));
    std::ranges::sort(rows);
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (const int row : rows)
        if (row >= validMailCount(account))
            throw UsageError("account " + accountText + " has no row " + std::to_string(row));
    return rows;
}

} // namespace ombrix
