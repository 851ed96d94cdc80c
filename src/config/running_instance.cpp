#include "config/running_instance.h"

#include "platform/line_socket.h"
#include "platform/user_dirs.h"

#include <algorithm>
#include <filesystem>
#include <openssl/evp.h>

namespace ombrix {
namespace {

constexpr int kAnswerMs = 2000;
constexpr std::size_t kMaxTokenBytes = 512;
constexpr std::string_view kShow = "show";
constexpr std::string_view kCheck = "check";

std::string canonicalKey(const std::string& directory) {
    std::error_code error;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(directory, error);
    if (error)
        canonical = directory;
    std::string key = canonical.lexically_normal().string();
    while (key.size() > 1 && key.back() == '/')
        key.pop_back();
    return key;
}

// 32 hex digits of the key's SHA-256: a name of fixed length, whatever the path.
std::string hashedName(const std::string& key) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(key.data(), key.size(), digest, &length, EVP_sha256(), nullptr);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string name;
    for (unsigned int i = 0; i < 16 && i < length; ++i) {
        name += kHex[digest[i] >> 4];
        name += kHex[digest[i] & 0x0F];
    }
    return name;
}

bool isTokenText(std::string_view token) {
    return token.size() <= kMaxTokenBytes &&
           std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 0x7F; });
}

} // namespace

std::string instanceSocketPath(const std::string& directory) {
    const std::optional<std::filesystem::path> runtime = privateRuntimeDirectory();
    if (!runtime)
        return {};
    return (*runtime / ("ombrix-" + hashedName(canonicalKey(directory)))).string();
}

std::string instanceRequestLine(const InstanceRequest& request) {
    if (request.kind == InstanceRequestKind::Check)
        return std::string(kCheck) + '\n';
    std::string line(kShow);
    if (!request.activationToken.empty() && isTokenText(request.activationToken))
        line += ' ' + request.activationToken;
    return line + '\n';
}

std::optional<InstanceRequest> parseInstanceRequest(std::string_view line) {
    if (line == kCheck)
        return InstanceRequest{InstanceRequestKind::Check, {}};
    if (line == kShow)
        return InstanceRequest{};
    if (line.substr(0, kShow.size() + 1) == std::string(kShow) + ' ') {
        const std::string_view token = line.substr(kShow.size() + 1);
        if (!token.empty() && isTokenText(token))
            return InstanceRequest{InstanceRequestKind::Show, std::string(token)};
    }
    return std::nullopt;
}

bool askRunningInstance(const std::string& directory, const InstanceRequest& request) {
    const std::string path = instanceSocketPath(directory);
    return !path.empty() && sendLineToSocket(path, instanceRequestLine(request), kAnswerMs);
}

} // namespace ombrix
