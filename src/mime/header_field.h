#pragma once
// One header field of a mail, as read from the text and decoded.

#include <string>

namespace ombrix {

struct HeaderField {
    std::string name;    // as written before the colon; empty for a line without one
    std::string value;   // after encoded-word decoding; folded lines keep their CR LF
    std::string charset; // of the first encoded word, recorded only (bytes stay bytes)
};

} // namespace ombrix
