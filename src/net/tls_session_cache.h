#pragma once
// The TLS sessions servers handed out, kept for the process so that the next
// connect to the same server resumes (one round trip and the server's
// signature saved) instead of making a full hand-shake. Every member locks;
// any thread.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <openssl/ssl.h>
#include <string>
#include <vector>

namespace ombrix {

// What a session is kept for. A session is offered only to a connect that
// would accept the same certificate on the same terms: the host as it was
// named (the name the certificate was checked against), the port, the pin
// and the generation of the trusted authorities.
struct TlsResumptionKey {
    std::string host;
    std::uint16_t port = 0;
    std::string pinnedSha256;
    std::uint64_t trustGeneration = 0;

    bool operator==(const TlsResumptionKey&) const = default;
};

class TlsSessionCache {
public:
    // A checker talks to a handful of servers; more entries only keep
    // sessions that expire unused.
    static constexpr std::size_t kCapacity = 64;

    TlsSessionCache() = default;
    ~TlsSessionCache();
    TlsSessionCache(const TlsSessionCache&) = delete;
    TlsSessionCache& operator=(const TlsSessionCache&) = delete;

    // Keeps a reference of its own, in place of the key's earlier session;
    // when full, the entry stored longest ago makes room.
    void store(const TlsResumptionKey& key, SSL_SESSION* session);
    // The key's session as a reference the caller frees, or null. A session
    // past its lifetime is dropped instead of offered.
    SSL_SESSION* find(const TlsResumptionKey& key);
    void forget(const TlsResumptionKey& key);
    // Drops the sessions of every trust generation but `current`.
    void keepOnly(std::uint64_t trustGeneration);
    void clear();
    std::size_t size() const;

private:
    struct Entry {
        TlsResumptionKey key;
        SSL_SESSION* session = nullptr;
    };
    // Oldest first; few enough that a scan costs less than a hash.
    void dropAt(std::size_t index);

    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
};

// The one cache of this process.
TlsSessionCache& tlsSessionCache();

} // namespace ombrix
