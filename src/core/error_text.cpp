#include "core/error_text.h"

#include "platform/display_bytes.h"

namespace ombrix {

namespace {

constexpr std::string_view kCutMark = "...";

bool isLineBreakOrTab(unsigned char c) {
    return c == '\r' || c == '\n' || c == '\t';
}

// The bytes of the character at i: one, or a whole UTF-8 sequence when the
// text is valid UTF-8 (then the lead byte tells the length).
std::size_t characterLength(std::string_view text, std::size_t i, bool utf8) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (!utf8 || c < 0xC0)
        return 1;
    return c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
}

// C0, DEL, and the C1 range: U+0080..U+009F in UTF-8, the bytes that the
// display's windows-1252 reading leaves as C1 otherwise.
bool isControl(std::string_view character, bool utf8) {
    const auto c = static_cast<unsigned char>(character[0]);
    if (c < 0x20 || c == 0x7F)
        return true;
    if (!utf8)
        return readsAsC1Control(c);
    return c == 0xC2 && static_cast<unsigned char>(character[1]) <= 0x9F;
}

// The start of the last character that still fits in `limit` bytes.
std::size_t cutPosition(std::string_view text, std::size_t limit, bool utf8) {
    std::size_t cut = limit;
    while (utf8 && cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return cut;
}

} // namespace

std::string boundedErrorText(std::string_view text) {
    const bool utf8 = isValidUtf8(text);
    std::string shown;
    bool blankPending = false;
    for (std::size_t i = 0; i < text.size() && shown.size() <= kMaxErrorTextBytes;) {
        const std::size_t length = characterLength(text, i, utf8);
        const std::string_view character = text.substr(i, length);
        i += length;
        if (isLineBreakOrTab(static_cast<unsigned char>(character[0]))) {
            blankPending = !shown.empty();
            continue;
        }
        if (blankPending)
            shown += ' ';
        blankPending = false;
        if (isControl(character, utf8))
            shown += '?';
        else
            shown += character;
    }
    if (shown.size() <= kMaxErrorTextBytes)
        return shown;
    shown.resize(cutPosition(shown, kMaxErrorTextBytes - kCutMark.size(), utf8));
    return shown + std::string(kCutMark);
}

} // namespace ombrix
