#pragma once
// One header field of a mail, as read from the text and decoded.

#include <string>

namespace ombrix {

struct HeaderField {
    std::string name;    // as written before the colon; empty for a line without one
    std::string value;   // unfolded, encoded words decoded (UTF-8 when their charset is known)
    std::string charset; // of the first encoded word, as named there
};

} // namespace ombrix
