#include "oauth/pkce.h"

#include <openssl/rand.h>
#include <openssl/sha.h>
#include <stdexcept>
#include <vector>

namespace ombrix::oauth {

std::string base64Url(std::string_view bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string encoded;
    encoded.reserve((bytes.size() * 4 + 2) / 3);
    std::size_t i = 0;
    const auto at = [&bytes](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    for (; i + 3 <= bytes.size(); i += 3) {
        const unsigned group = (at(i) << 16) | (at(i + 1) << 8) | at(i + 2);
        for (const int shift : {18, 12, 6, 0})
            encoded += kAlphabet[(group >> shift) & 0x3F];
    }
    const std::size_t left = bytes.size() - i;
    if (left == 1) {
        const unsigned group = at(i) << 16;
        encoded += kAlphabet[(group >> 18) & 0x3F];
        encoded += kAlphabet[(group >> 12) & 0x3F];
    } else if (left == 2) {
        const unsigned group = (at(i) << 16) | (at(i + 1) << 8);
        for (const int shift : {18, 12, 6})
            encoded += kAlphabet[(group >> shift) & 0x3F];
    }
    return encoded;
}

std::string randomToken(std::size_t byteCount) {
    std::vector<unsigned char> bytes(byteCount);
    if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1)
        throw std::runtime_error("no random numbers for the sign-in");
    return base64Url(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string s256Challenge(std::string_view verifier) {
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(verifier.data()), verifier.size(), digest);
    return base64Url(std::string_view(reinterpret_cast<const char*>(digest), sizeof digest));
}

PkcePair makePkcePair() {
    PkcePair pair;
    pair.verifier = randomToken(32);
    pair.challenge = s256Challenge(pair.verifier);
    return pair;
}

} // namespace ombrix::oauth
