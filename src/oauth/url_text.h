#pragma once
// The pieces of the web addresses and forms that the sign-in speaks: the
// endpoints' URLs, the query of the browser's redirect and the bodies
// posted to the token endpoint (application/x-www-form-urlencoded).

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ombrix::oauth {

struct UrlParts {
    std::string scheme; // "http" or "https", lower case
    std::string host;   // without brackets for an IPv6 literal
    std::uint16_t port = 0;
    std::string target; // path and query, at least "/"
};

// scheme://host[:port][/path][?query]; nothing for other schemes, user
// information, an empty host or a port out of range. A fragment is dropped.
std::optional<UrlParts> parseUrl(std::string_view url);

// The address as a message may repeat it: everything up to its last "@"
// (user:password@ and whatever a password's unescaped "/" or "?" made of the
// rest) is "***". An address that does not parse is shown so too.
std::string urlForMessages(std::string_view url);

// Every byte but the unreserved ones (RFC 3986) as %XX.
std::string percentEncoded(std::string_view text);
// name=value pairs joined with '&', each side percent-encoded.
std::string formEncoded(const std::vector<std::pair<std::string, std::string>>& fields);
// The query of a request target ("/?a=b&c=d" or "a=b"): '+' reads as a
// blank, %XX as its byte; a malformed escape stays as it stands. The first of
// a repeated name counts.
std::map<std::string, std::string> queryFields(std::string_view target);
// url with the fields appended as its query (after '?' or '&').
std::string withQuery(std::string url,
                      const std::vector<std::pair<std::string, std::string>>& fields);

} // namespace ombrix::oauth
