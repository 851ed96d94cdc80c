#include "config/account_conf_key.h"

#include <charconv>
#include <vector>

namespace ombrix {
namespace {

bool keptAsItIs(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '@' || c == '+' || c == '-';
}

std::string escaped(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (keptAsItIs(byte)) {
            out += c;
            continue;
        }
        out += '%';
        out += kHex[byte >> 4];
        out += kHex[byte & 0x0F];
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1; // escaped() writes upper case only
}

// The reverse of escaped(); nothing for text with a broken escape.
std::optional<std::string> unescaped(std::string_view text) {
    std::string out;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (keptAsItIs(byte)) {
            out += text[at];
            continue;
        }
        if (text[at] != '%' || text.size() - at < 3)
            return std::nullopt;
        const int high = hexDigit(text[at + 1]);
        const int low = hexDigit(text[at + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        at += 2;
    }
    return out;
}

std::vector<std::string_view> partsOf(std::string_view key) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t slash = key.find('/');
        parts.push_back(key.substr(0, slash));
        if (slash == std::string_view::npos)
            return parts;
        key.remove_prefix(slash + 1);
    }
}

std::optional<int> portOf(std::string_view text) {
    int port = 0;
    const auto [rest, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || rest != text.data() + text.size() || text.empty())
        return std::nullopt;
    return port;
}

} // namespace

std::string accountConfKey(std::string_view field, const SecretKey& account) {
    return std::string(field) + '/' + escaped(account.protocol) + '/' +
           std::to_string(account.port) + '/' + escaped(account.host) + '/' + escaped(account.user);
}

std::optional<SecretKey> accountOfConfKey(std::string_view field, std::string_view key) {
    const std::vector<std::string_view> parts = partsOf(key);
    if (parts.size() != 5 || parts[0] != field)
        return std::nullopt;
    const auto protocol = unescaped(parts[1]);
    const auto port = portOf(parts[2]);
    const auto host = unescaped(parts[3]);
    const auto user = unescaped(parts[4]);
    if (!protocol || !port || !host || !user)
        return std::nullopt;
    SecretKey account{*host, *user, *protocol, *port};
    // Only the one spelling names the account: a hand-made "%2f" or "0995"
    // would be a key nobody finds again to drop.
    if (accountConfKey(field, account) != key)
        return std::nullopt;
    return account;
}

} // namespace ombrix
