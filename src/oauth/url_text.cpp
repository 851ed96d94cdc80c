#include "oauth/url_text.h"

#include "platform/ascii.h"

#include <charconv>

namespace ombrix::oauth {
namespace {

bool unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string percentDecoded(std::string_view text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            decoded += ' ';
            continue;
        }
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                decoded += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        decoded += text[i];
    }
    return decoded;
}

std::optional<std::uint16_t> portOf(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value == 0 ||
        value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

} // namespace

std::string urlForMessages(std::string_view url) {
    const std::size_t schemeEnd = url.find("://");
    const std::size_t start = schemeEnd == std::string_view::npos ? 0 : schemeEnd + 3;
    const std::size_t at = url.rfind('@');
    if (at == std::string_view::npos || at < start)
        return std::string(url);
    return std::string(url.substr(0, start)) + "***" + std::string(url.substr(at));
}

std::optional<UrlParts> parseUrl(std::string_view url) {
    UrlParts parts;
    const std::size_t colon = url.find("://");
    if (colon == std::string_view::npos)
        return std::nullopt;
    parts.scheme = asciiLowercase(url.substr(0, colon));
    if (parts.scheme != "http" && parts.scheme != "https")
        return std::nullopt;
    std::string_view rest = url.substr(colon + 3);
    rest = rest.substr(0, rest.find('#'));
    const std::size_t targetStart = rest.find_first_of("/?");
    std::string_view authority = rest.substr(0, targetStart);
    if (targetStart != std::string_view::npos)
        parts.target = std::string(rest.substr(targetStart));
    if (parts.target.empty() || parts.target.front() == '?')
        parts.target.insert(0, "/");
    if (authority.find('@') != std::string_view::npos)
        return std::nullopt;
    std::string_view portText;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        parts.host = std::string(authority.substr(1, close - 1));
        const std::string_view after = authority.substr(close + 1);
        if (!after.empty() && after.front() != ':')
            return std::nullopt;
        if (!after.empty())
            portText = after.substr(1);
        if (after.size() == 1)
            return std::nullopt;
    } else {
        const std::size_t portColon = authority.rfind(':');
        parts.host = std::string(authority.substr(0, portColon));
        if (portColon != std::string_view::npos) {
            portText = authority.substr(portColon + 1);
            if (portText.empty())
                return std::nullopt;
        }
    }
    if (parts.host.empty())
        return std::nullopt;
    if (portText.empty()) {
        parts.port = parts.scheme == "https" ? 443 : 80;
    } else {
        const std::optional<std::uint16_t> port = portOf(portText);
        if (!port)
            return std::nullopt;
        parts.port = *port;
    }
    return parts;
}

std::string percentEncoded(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (unreserved(byte)) {
            encoded += c;
            continue;
        }
        encoded += '%';
        encoded += kHex[byte >> 4];
        encoded += kHex[byte & 0x0F];
    }
    return encoded;
}

std::string formEncoded(const std::vector<std::pair<std::string, std::string>>& fields) {
    std::string body;
    for (const auto& [name, value] : fields) {
        if (!body.empty())
            body += '&';
        body += percentEncoded(name) + '=' + percentEncoded(value);
    }
    return body;
}

std::map<std::string, std::string> queryFields(std::string_view target) {
    std::map<std::string, std::string> fields;
    if (const std::size_t question = target.find('?'); question != std::string_view::npos)
        target.remove_prefix(question + 1);
    else if (target.starts_with('/'))
        return fields;
    target = target.substr(0, target.find('#'));
    while (!target.empty()) {
        const std::size_t end = std::min(target.find('&'), target.size());
        const std::string_view pair = target.substr(0, end);
        target.remove_prefix(std::min(end + 1, target.size()));
        if (pair.empty())
            continue;
        const std::size_t equals = pair.find('=');
        const std::string name = percentDecoded(pair.substr(0, equals));
        const std::string value = equals == std::string_view::npos
                                      ? std::string()
                                      : percentDecoded(pair.substr(equals + 1));
        fields.emplace(name, value);
    }
    return fields;
}

std::string withQuery(std::string url,
                      const std::vector<std::pair<std::string, std::string>>& fields) {
    url += url.find('?') == std::string::npos ? '?' : '&';
    return url + formEncoded(fields);
}

} // namespace ombrix::oauth
