#pragma once
// Proof Key for Code Exchange (RFC 7636, method S256) and the other random
// values of a sign-in. A desktop program cannot keep a client secret, so the
// code the browser hands back is worth nothing without the verifier that
// only this process knows.

#include <string>
#include <string_view>

namespace ombrix::oauth {

// base64url without padding (RFC 4648, section 5).
std::string base64Url(std::string_view bytes);

// `byteCount` bytes from OpenSSL's generator as base64url; throws when the
// generator fails, as no sign-in may go on without real randomness.
std::string randomToken(std::size_t byteCount);

struct PkcePair {
    std::string verifier;  // 43 characters of base64url (32 random bytes)
    std::string challenge; // base64url(SHA-256(verifier))
};

PkcePair makePkcePair();
std::string s256Challenge(std::string_view verifier);

} // namespace ombrix::oauth
