#include "support/bearer_jwt.h"

#include <chrono>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <stdexcept>

namespace ombrix::test {
namespace {

std::string base64Url(const std::string& bytes) {
    std::string encoded(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()),
                                       reinterpret_cast<const unsigned char*>(bytes.data()),
                                       static_cast<int>(bytes.size()));
    encoded.resize(static_cast<std::size_t>(length));
    while (!encoded.empty() && encoded.back() == '=')
        encoded.pop_back();
    for (char& c : encoded)
        c = c == '+' ? '-' : c == '/' ? '_' : c;
    return encoded;
}

std::int64_t now() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

std::string mintJwt(const std::string& secret, const JwtClaims& claims) {
    const std::string header = base64Url(R"({"alg":"HS256","typ":"JWT"})");
    const std::string payload =
        base64Url(R"({"sub":")" + claims.subject + R"(","iat":)" + std::to_string(claims.issuedAt) +
                  R"(,"exp":)" + std::to_string(claims.expiresAt) + "}");
    const std::string signedPart = header + "." + payload;
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int macLength = 0;
    if (!HMAC(EVP_sha256(), secret.data(), static_cast<int>(secret.size()),
              reinterpret_cast<const unsigned char*>(signedPart.data()), signedPart.size(), mac,
              &macLength))
        throw std::runtime_error("HMAC-SHA256 failed");
    return signedPart + "." + base64Url(std::string(reinterpret_cast<char*>(mac), macLength));
}

JwtClaims validClaims(const std::string& user) {
    return {user, now() - 60, now() + 3600};
}

JwtClaims expiredClaims(const std::string& user) {
    return {user, now() - 7200, now() - 3600};
}

} // namespace ombrix::test
