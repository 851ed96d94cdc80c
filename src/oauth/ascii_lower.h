#pragma once
// Header names, URL schemes and host names compare without regard to ASCII
// case, whatever the locale.

#include <string>
#include <string_view>

namespace ombrix::oauth {

inline std::string asciiLowered(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

} // namespace ombrix::oauth
