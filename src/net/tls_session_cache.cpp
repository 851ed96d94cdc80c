#include "net/tls_session_cache.h"

#include <ctime>
#include <openssl/ssl.h>

namespace ombrix {

TlsSessionCache::~TlsSessionCache() {
    clear();
}

void TlsSessionCache::dropAt(std::size_t index) {
    SSL_SESSION_free(entries_[index].session);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
}

void TlsSessionCache::store(const TlsResumptionKey& key, SSL_SESSION* session) {
    if (!session || SSL_SESSION_up_ref(session) != 1) {
        return;
    }
    const std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].key == key) {
            dropAt(i);
            break;
        }
    }
    if (entries_.size() >= kCapacity) {
        dropAt(0);
    }
    entries_.push_back({key, session});
}

SSL_SESSION* TlsSessionCache::find(const TlsResumptionKey& key) {
    const std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].key != key) {
            continue;
        }
        SSL_SESSION* session = entries_[i].session;
        // The server would refuse it and make a full hand-shake anyway.
        const std::time_t now = std::time(nullptr);
        if (SSL_SESSION_get_time(session) + SSL_SESSION_get_timeout(session) <= now) {
            dropAt(i);
            return nullptr;
        }
        SSL_SESSION_up_ref(session);
        return session;
    }
    return nullptr;
}

void TlsSessionCache::forget(const TlsResumptionKey& key) {
    const std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].key == key) {
            dropAt(i);
            return;
        }
    }
}

void TlsSessionCache::keepOnly(std::uint64_t trustGeneration) {
    const std::lock_guard lock(mutex_);
    for (std::size_t i = entries_.size(); i-- > 0;) {
        if (entries_[i].key.trustGeneration != trustGeneration) {
            dropAt(i);
        }
    }
}

void TlsSessionCache::clear() {
    const std::lock_guard lock(mutex_);
    for (Entry& entry : entries_) {
        SSL_SESSION_free(entry.session);
    }
    entries_.clear();
}

std::size_t TlsSessionCache::size() const {
    const std::lock_guard lock(mutex_);
    return entries_.size();
}

TlsSessionCache& tlsSessionCache() {
    static TlsSessionCache cache;
    return cache;
}

} // namespace ombrix
