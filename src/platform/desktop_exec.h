#pragma once
// The Exec= key of freedesktop desktop entries, in its three layers: the
// string escapes of every entry value (\\, \n, \t, \r, \s), the double quotes
// that group an argument, and the field codes (%u, %f, ...; "%%" for "%").
// Our own autostart entry is written and read with it, and the user's mail
// program is started from its entry's line.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

std::string escapeDesktopValue(std::string_view raw);
std::string unescapeDesktopValue(std::string_view value);

// One argument in double quotes, with a literal "%" doubled: inside the
// quotes ", `, $ and \ take a backslash.
std::string quoteExecArgument(std::string_view argument);

struct ExecWords {
    std::vector<std::string> words; // quotes and their escapes undone
    bool quoteLeftOpen = false;     // the last word ran into the end of the line
};

// Blanks and tabs separate words; a double-quoted stretch belongs to its
// word, and inside it a backslash escapes ", `, $ and \ (any other backslash
// is itself). Field codes stay in the words.
ExecWords splitExecWords(std::string_view line);

// The word with its field codes removed and "%%" as "%".
std::string withoutFieldCodes(std::string_view word);
// A word that is nothing but field codes ("%U"): it stands for files or URLs.
bool isOnlyFieldCodes(std::string_view word);

} // namespace ombrix
