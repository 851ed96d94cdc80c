#include "oauth/json_object.h"

#include <charconv>

namespace ombrix::oauth {

// Reads one object from the front of the text; every step checks the end
// before it looks at a byte.
class JsonCursor {
public:
    explicit JsonCursor(std::string_view text) : text_(text) {}

    std::optional<JsonObject> object() {
        JsonObject result;
        skipBlanks();
        if (!take('{'))
            return std::nullopt;
        skipBlanks();
        if (take('}'))
            return finished(result);
        for (;;) {
            skipBlanks();
            std::optional<std::string> name = string();
            skipBlanks();
            if (!name || !take(':'))
                return std::nullopt;
            skipBlanks();
            std::optional<JsonObject::Value> value = scalar();
            if (!value)
                return std::nullopt;
            // A repeated name: the last one counts, as most readers do.
            result.members_[*name] = std::move(*value);
            skipBlanks();
            if (take('}'))
                return finished(result);
            if (!take(','))
                return std::nullopt;
        }
    }

private:
    std::optional<JsonObject> finished(JsonObject& result) {
        skipBlanks();
        if (position_ != text_.size())
            return std::nullopt;
        return std::move(result);
    }

    bool atEnd() const { return position_ >= text_.size(); }
    char peek() const { return text_[position_]; }

    bool take(char expected) {
        if (atEnd() || peek() != expected)
            return false;
        ++position_;
        return true;
    }

    bool takeWord(std::string_view word) {
        if (text_.substr(position_, word.size()) != word)
            return false;
        position_ += word.size();
        return true;
    }

    void skipBlanks() {
        while (!atEnd() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r'))
            ++position_;
    }

    std::optional<JsonObject::Value> scalar() {
        using Kind = JsonObject::Kind;
        if (atEnd())
            return std::nullopt;
        if (peek() == '"') {
            std::optional<std::string> decoded = string();
            if (!decoded)
                return std::nullopt;
            return JsonObject::Value{Kind::Text, std::move(*decoded)};
        }
        for (const std::string_view word : {"true", "false", "null"})
            if (takeWord(word))
                return JsonObject::Value{word == "null" ? Kind::Null : Kind::Boolean,
                                         std::string(word)};
        std::optional<std::string> spelled = numberText();
        if (!spelled)
            return std::nullopt;
        return JsonObject::Value{Kind::Number, std::move(*spelled)};
    }

    // number = [ "-" ] int [ frac ] [ exp ]; kept as spelled.
    std::optional<std::string> numberText() {
        const std::size_t start = position_;
        take('-');
        if (take('0')) {
        } else if (!digits()) {
            return std::nullopt;
        }
        if (take('.') && !digits())
            return std::nullopt;
        if (!atEnd() && (peek() == 'e' || peek() == 'E')) {
            ++position_;
            if (!take('+'))
                take('-');
            if (!digits())
                return std::nullopt;
        }
        return std::string(text_.substr(start, position_ - start));
    }

    bool digits() {
        const std::size_t start = position_;
        while (!atEnd() && peek() >= '0' && peek() <= '9')
            ++position_;
        return position_ > start;
    }

    // string = quotation-mark *char quotation-mark, with the escapes of RFC 8259.
    std::optional<std::string> string() {
        if (!take('"'))
            return std::nullopt;
        std::string decoded;
        for (;;) {
            if (atEnd())
                return std::nullopt;
            const char c = text_[position_++];
            if (c == '"')
                return decoded;
            if (static_cast<unsigned char>(c) < 0x20)
                return std::nullopt; // control characters must be escaped
            if (c != '\\') {
                decoded += c;
                continue;
            }
            if (!escape(decoded))
                return std::nullopt;
        }
    }

    bool escape(std::string& decoded) {
        if (atEnd())
            return false;
        const char c = text_[position_++];
        switch (c) {
        case '"':
        case '\\':
        case '/':
            decoded += c;
            return true;
        case 'b':
            decoded += '\b';
            return true;
        case 'f':
            decoded += '\f';
            return true;
        case 'n':
            decoded += '\n';
            return true;
        case 'r':
            decoded += '\r';
            return true;
        case 't':
            decoded += '\t';
            return true;
        case 'u':
            return unicodeEscape(decoded);
        default:
            return false;
        }
    }

    std::optional<std::uint32_t> hexQuad() {
        if (text_.size() - position_ < 4)
            return std::nullopt;
        std::uint32_t value = 0;
        const char* first = text_.data() + position_;
        const auto [end, error] = std::from_chars(first, first + 4, value, 16);
        if (error != std::errc() || end != first + 4)
            return std::nullopt;
        position_ += 4;
        return value;
    }

    // \uXXXX, with a surrogate pair for a code point above the BMP; a lone
    // surrogate has no UTF-8 form and makes the text unreadable.
    bool unicodeEscape(std::string& decoded) {
        std::optional<std::uint32_t> unit = hexQuad();
        if (!unit || (*unit >= 0xDC00 && *unit <= 0xDFFF))
            return false;
        std::uint32_t codePoint = *unit;
        if (*unit >= 0xD800 && *unit <= 0xDBFF) {
            if (!takeWord("\\u"))
                return false;
            std::optional<std::uint32_t> low = hexQuad();
            if (!low || *low < 0xDC00 || *low > 0xDFFF)
                return false;
            codePoint = 0x10000 + ((*unit - 0xD800) << 10) + (*low - 0xDC00);
        }
        appendUtf8(decoded, codePoint);
        return true;
    }

    static void appendUtf8(std::string& out, std::uint32_t codePoint) {
        if (codePoint < 0x80) {
            out += static_cast<char>(codePoint);
        } else if (codePoint < 0x800) {
            out += static_cast<char>(0xC0 | (codePoint >> 6));
            out += static_cast<char>(0x80 | (codePoint & 0x3F));
        } else if (codePoint < 0x10000) {
            out += static_cast<char>(0xE0 | (codePoint >> 12));
            out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (codePoint & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (codePoint >> 18));
            out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (codePoint & 0x3F));
        }
    }

    std::string_view text_;
    std::size_t position_ = 0;
};

std::optional<JsonObject> JsonObject::parse(std::string_view text) {
    return JsonCursor(text).object();
}

std::optional<std::string> JsonObject::text(const std::string& name) const {
    const auto found = members_.find(name);
    if (found == members_.end() || found->second.kind != Kind::Text)
        return std::nullopt;
    return found->second.text;
}

std::optional<std::int64_t> JsonObject::number(const std::string& name) const {
    const auto found = members_.find(name);
    if (found == members_.end() ||
        (found->second.kind != Kind::Number && found->second.kind != Kind::Text))
        return std::nullopt;
    const std::string& spelled = found->second.text;
    std::int64_t value = 0;
    const auto [end, error] =
        std::from_chars(spelled.data(), spelled.data() + spelled.size(), value);
    if (error != std::errc() || end != spelled.data() + spelled.size())
        return std::nullopt;
    return value;
}

std::optional<bool> JsonObject::boolean(const std::string& name) const {
    const auto found = members_.find(name);
    if (found == members_.end() || found->second.kind != Kind::Boolean)
        return std::nullopt;
    return found->second.text == "true";
}

} // namespace ombrix::oauth
