#pragma once
// The token endpoints answer with one flat JSON object (RFC 8259): names with
// strings, numbers, booleans or null. This reader takes exactly that and
// nothing nested; a nested value makes the whole answer unreadable, as no
// token answer has one in a member this program reads.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace ombrix::oauth {

class JsonObject {
public:
    // Nothing for text that is not one flat object (trailing blanks allowed).
    static std::optional<JsonObject> parse(std::string_view text);

    // A string member as UTF-8; nothing for a missing member or one of another kind.
    std::optional<std::string> text(const std::string& name) const;
    // A number member (or a string of digits, as some servers send
    // "expires_in"); nothing when it is no whole number in range.
    std::optional<std::int64_t> number(const std::string& name) const;
    std::optional<bool> boolean(const std::string& name) const;
    bool has(const std::string& name) const { return members_.count(name) != 0; }

private:
    enum class Kind { Text, Number, Boolean, Null };
    struct Value {
        Kind kind = Kind::Null;
        std::string text; // the decoded string, or the number's or literal's spelling
    };
    std::map<std::string, Value> members_;

    friend class JsonCursor;
};

} // namespace ombrix::oauth
