#pragma once
// The two SASL mechanisms that carry an OAuth 2.0 bearer token: OAUTHBEARER
// (RFC 7628) and Google's older XOAUTH2. Their client responses and the
// server's failure challenge, as bytes; no sockets.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

enum class BearerMechanism { OAuthBearer, XOAuth2 };

// The mechanism's name on the wire ("OAUTHBEARER", "XOAUTH2").
std::string_view mechanismName(BearerMechanism mechanism);

// The mechanism to use among those a server names (upper or lower case):
// OAUTHBEARER when it offers both, as the standard one; none without either.
std::optional<BearerMechanism> chooseBearerMechanism(const std::vector<std::string>& offered);

// Where the client signs in: OAUTHBEARER names the server it talks to.
struct BearerTarget {
    std::string_view user;
    std::string_view host;
    std::string_view port;
};

// The initial client response, base64-encoded, for the token. XOAUTH2:
// "user=" USER ^A "auth=Bearer " TOKEN ^A ^A. OAUTHBEARER: the GS2 header
// "n,a=" USER "," then ^A "host=" HOST ^A "port=" PORT ^A "auth=Bearer " TOKEN
// ^A ^A, with "," and "=" of the user name written "=2C" and "=3D".
std::string bearerInitialResponse(BearerMechanism mechanism, const BearerTarget& target,
                                  std::string_view token);

// What the client answers a failure challenge with, so that the server
// sends its failure: nothing for XOAUTH2, a lone ^A ("AQ==") for OAUTHBEARER.
std::string_view bearerFailureAcknowledgement(BearerMechanism mechanism);

// Whether the token can go into a response: a bearer token is visible ASCII
// (RFC 6750 b64token); a control character would end the line or the
// mechanism's field early.
bool bearerTokenSendable(std::string_view token);
// The same for the user name, which the responses carry as well.
bool bearerUserSendable(std::string_view user);

// The server's failure challenge: base64 of a JSON object such as
// {"status":"401","schemes":"bearer","scope":"mail"}.
struct BearerChallenge {
    std::string status; // empty when the challenge names none or is no JSON
    // Whether the server refused the token itself (expired, revoked, bad
    // signature): a fresh token may pass where this one did not.
    bool tokenRefused() const;
};

BearerChallenge decodeBearerChallenge(std::string_view base64);

// Whether a server's refusal of a bearer sign-in (its "NO" or "-ERR" line)
// blames the server itself: IMAP's UNAVAILABLE, SERVERBUG or INUSE, POP3's
// SYS/TEMP, SYS/PERM or IN-USE. A fresh token would meet the same refusal;
// any other refusal may be the token's, whatever the server says about it.
bool refusalBlamesServer(std::string_view refusal);

// Standard base64 with padding.
std::string base64Encode(std::string_view bytes);

} // namespace ombrix
