#pragma once
// Bearer tokens as the test Dovecot's oauth2 passdb validates them: HS256
// JWTs signed with the server's shared secret (DIR/oauth-secret).

#include <cstdint>
#include <string>

namespace ombrix::test {

struct JwtClaims {
    std::string subject;        // "sub": the user name the server logs in
    std::int64_t issuedAt = 0;  // "iat", seconds since the epoch
    std::int64_t expiresAt = 0; // "exp"
};

std::string mintJwt(const std::string& secret, const JwtClaims& claims);

// Claims for `user` valid from now for an hour, or expired an hour ago.
JwtClaims validClaims(const std::string& user);
JwtClaims expiredClaims(const std::string& user);

} // namespace ombrix::test
