// libFuzzer entry: the input is a token endpoint's answer. A readable answer
// is exactly one flat object: blanks around it change nothing and any cut
// before its closing brace is unreadable. A member has one kind (a number
// may also be spelled as a string of digits), and the values read, written
// back as JSON, read the same again.

#include "oauth/json_object.h"
#include "support/fuzz_support.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace {

using ombrix::fuzz::require;

using ombrix::oauth::JsonObject;

// The names in the text that need no unescaping, and those a token answer has.
std::set<std::string> namesIn(std::string_view text) {
    std::set<std::string> names = {"access_token", "refresh_token", "expires_in", "error",
                                   "interval"};
    for (std::size_t open = text.find('"'); open != std::string_view::npos && names.size() < 40;) {
        const std::size_t close = text.find('"', open + 1);
        if (close == std::string_view::npos)
            break;
        const std::string_view name = text.substr(open + 1, close - open - 1);
        if (name.find('\\') == std::string_view::npos)
            names.insert(std::string(name));
        open = text.find('"', close + 1);
    }
    return names;
}

std::string quoted(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

struct Member {
    std::optional<std::string> text;
    std::optional<std::int64_t> number;
    std::optional<bool> boolean;
    bool has;
    bool operator==(const Member&) const = default;
};

Member memberOf(const JsonObject& object, const std::string& name) {
    return {object.text(name), object.number(name), object.boolean(name), object.has(name)};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<JsonObject> object = JsonObject::parse(text);
    const std::string padded = " \r\n\t" + std::string(text) + "\n ";
    const std::optional<JsonObject> paddedObject = JsonObject::parse(padded);
    require(object.has_value() == paddedObject.has_value());
    if (!object)
        return 0;

    const std::size_t close = text.find_last_not_of(" \t\r\n");
    require(close != std::string_view::npos && text[close] == '}');
    require(!JsonObject::parse(text.substr(0, close)));
    require(!JsonObject::parse(text.substr(0, close / 2)));

    std::string written = "{";
    for (const std::string& name : namesIn(text)) {
        const Member member = memberOf(*object, name);
        require(member == memberOf(*paddedObject, name));
        require(member.has || (!member.text && !member.number && !member.boolean));
        require(!(member.text && member.boolean) && !(member.number && member.boolean));
        if (!member.has)
            continue;
        if (written.size() > 1)
            written += ',';
        written += quoted(name) + ':';
        if (member.text)
            written += quoted(*member.text);
        else if (member.number)
            written += std::to_string(*member.number);
        else if (member.boolean)
            written += *member.boolean ? "true" : "false";
        else
            written += "null"; // or a number out of range, which reads as none either way
    }
    written += '}';
    const std::optional<JsonObject> again = JsonObject::parse(written);
    require(again.has_value());
    for (const std::string& name : namesIn(text)) {
        const Member before = memberOf(*object, name);
        const Member after = memberOf(*again, name);
        require(before.has == after.has && before.text == after.text &&
                before.boolean == after.boolean);
        // A number spelled beyond int64 or with a fraction reads as none twice.
        require(!before.number || before.number == after.number);
    }
    return 0;
}
