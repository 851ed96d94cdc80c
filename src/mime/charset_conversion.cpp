#include "mime/charset_conversion.h"

#include "mime/char_classes.h"
#include "platform/ascii.h"

#include <array>
#include <cerrno>
#include <iconv.h>

namespace ombrix::mime {
namespace {

// Longer than any registered charset name; a longer one is not a charset.
constexpr std::size_t kMaxCharsetName = 64;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD
// A bound on what one input byte may become, against any surprise in a converter.
constexpr std::size_t kMaxGrowth = 16;

// Only what charset names are made of: a sender must not reach iconv's own
// syntax ("//TRANSLIT", "//IGNORE") or anything path-like.
bool isCharsetNameChar(char c) {
    return isLetterOrDigit(c) || c == '-' || c == '_' || c == '.' || c == ':' || c == '+' ||
           c == '(' || c == ')';
}

std::optional<std::string> iconvName(std::string_view charset) {
    charset = charset.substr(0, charset.find('*'));
    if (charset.empty() || charset.size() > kMaxCharsetName)
        return std::nullopt;
    std::string name;
    for (const char c : charset) {
        if (!isCharsetNameChar(c))
            return std::nullopt;
        name += asciiUpper(c);
    }
    return name;
}

class Converter {
public:
    explicit Converter(const std::string& from) : cd_(iconv_open("UTF-8", from.c_str())) {}
    ~Converter() {
        if (known())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool known() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all of bytes into out, replacing what does not convert.
    void convert(std::string_view bytes, std::string& out) {
        const std::size_t limit = out.size() + bytes.size() * kMaxGrowth + kMaxGrowth;
        char* in = const_cast<char*>(bytes.data()); // iconv's signature; it never writes there
        std::size_t inLeft = bytes.size();
        while (inLeft > 0 && out.size() < limit) {
            const std::size_t before = inLeft;
            const int error = step(&in, &inLeft, out);
            if (error == EILSEQ || error == EINVAL) {
                out += kReplacement;
                ++in; // an incomplete sequence at the end is replaced byte by byte
                --inLeft;
            } else if (error != 0 && inLeft == before) {
                break; // no progress: nothing more would convert
            }
        }
        step(nullptr, nullptr, out); // a stateful charset returns to its initial state
        if (out.size() > limit)
            out.resize(limit);
    }

private:
    // One iconv call into a fixed buffer; returns its errno, 0 when all went.
    int step(char** in, std::size_t* inLeft, std::string& out) {
        std::array<char, 256> buffer;
        char* to = buffer.data();
        std::size_t toLeft = buffer.size();
        const std::size_t result = iconv(cd_, in, inLeft, &to, &toLeft);
        const int error = result == static_cast<std::size_t>(-1) ? errno : 0;
        out.append(buffer.data(), static_cast<std::size_t>(to - buffer.data()));
        return error;
    }

    iconv_t cd_;
};

} // namespace

std::optional<std::string> convertToUtf8(std::string_view charset, std::string_view bytes) {
    const std::optional<std::string> name = iconvName(charset);
    if (!name)
        return std::nullopt;
    Converter converter(*name);
    if (!converter.known())
        return std::nullopt;
    std::string out;
    out.reserve(bytes.size());
    converter.convert(bytes, out);
    return out;
}

} // namespace ombrix::mime
