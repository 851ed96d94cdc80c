#include "net/tls_session.h"

#include "net/tls_session_cache.h"
#include "net/trust_files_stamp.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <mutex>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <string>
#include <sys/socket.h>
#include <vector>

namespace ombrix {

// What the verification of one hand-shake found out about the server's own
// certificate (never an issuer's), for the pin and for the user.
struct TlsPinCheck {
    AcceptedCertificate pin;
    std::optional<CertificateFacts> presented; // set at the first verification error
    bool refused = false;                      // some fault was not accepted by the pin
    int refusedError = X509_V_OK;              // the first such fault's error
};

// Where the sessions a server hands out on one connection go. Resuming skips
// the server's certificate, so a session is only worth keeping once its own
// hand-shake passed the certificate decision: with TLS 1.2 the library hands
// it out before the hand-shake returns, and it waits here until then; TLS 1.3
// tickets come after it.
struct TlsResumptionSlot {
    TlsResumptionKey key;
    bool accepted = false;
    SSL_SESSION* early = nullptr; // handed out before `accepted`; ours to free
    TlsResumptionSlot() = default;
    TlsResumptionSlot(const TlsResumptionSlot&) = delete;
    TlsResumptionSlot& operator=(const TlsResumptionSlot&) = delete;
    ~TlsResumptionSlot() { SSL_SESSION_free(early); }
};

// The socket under a session. The library's own socket BIO reads with read(),
// which waits whenever the socket blocks; this one can also be asked to look
// without waiting (MSG_DONTWAIT), so that one socket serves both.
struct TlsSocket {
    int fd = -1;
    bool dontWait = false;
};

namespace {

// Whether the socket under the session may wait, for one call into the library.
class SocketWaits {
public:
    SocketWaits(TlsSocket& socket, bool wait) : socket_(socket) { socket_.dontWait = !wait; }
    ~SocketWaits() { socket_.dontWait = false; }
    SocketWaits(const SocketWaits&) = delete;
    SocketWaits& operator=(const SocketWaits&) = delete;

private:
    TlsSocket& socket_;
};

int socketRead(BIO* bio, char* data, std::size_t length, std::size_t* got) {
    const auto* socket = static_cast<const TlsSocket*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    const ssize_t result = ::recv(socket->fd, data, length, socket->dontWait ? MSG_DONTWAIT : 0);
    if (result > 0) {
        *got = static_cast<std::size_t>(result);
        return 1;
    }
    if (result == 0) {
        BIO_set_flags(bio, BIO_FLAGS_IN_EOF); // the library tells a cut stream by this
    } else if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        BIO_set_retry_read(bio);
    }
    return 0;
}

int socketWrite(BIO* bio, const char* data, std::size_t length, std::size_t* written) {
    const auto* socket = static_cast<const TlsSocket*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    const ssize_t result =
        ::send(socket->fd, data, length, MSG_NOSIGNAL | (socket->dontWait ? MSG_DONTWAIT : 0));
    if (result >= 0) {
        *written = static_cast<std::size_t>(result);
        return 1;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        BIO_set_retry_write(bio);
    }
    return 0;
}

long socketControl(BIO* bio, int command, long, void*) {
    switch (command) {
    case BIO_CTRL_FLUSH:
    case BIO_CTRL_DUP:
        return 1;
    case BIO_CTRL_EOF:
        return BIO_test_flags(bio, BIO_FLAGS_IN_EOF) != 0 ? 1 : 0;
    default:
        return 0;
    }
}

// Made once for the process, like the library's own methods.
const BIO_METHOD* socketMethod() {
    static BIO_METHOD* method = [] {
        BIO_METHOD* made =
            BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "ombrix socket");
        if (made) {
            BIO_meth_set_read_ex(made, socketRead);
            BIO_meth_set_write_ex(made, socketWrite);
            BIO_meth_set_ctrl(made, socketControl);
        }
        return made;
    }();
    return method;
}

// A server chooses its certificate's names; what the user is shown of them is bounded.
constexpr std::size_t kMaxNameBytes = 512;

std::string libraryErrorText() {
    unsigned long code = ERR_get_error();
    if (code == 0) {
        return "TLS error";
    }
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    ERR_clear_error();
    return text;
}

bool isAddressLiteral(const std::string& host) {
    unsigned char buffer[sizeof(in6_addr)];
    return inet_pton(AF_INET, host.c_str(), buffer) == 1 ||
           inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

// Certificates are checked against the host the user typed: its DNS name, or
// its address when an address was typed. SNI only carries names.
bool bindToHost(SSL* ssl, const std::string& host) {
    if (isAddressLiteral(host)) {
        return X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str()) == 1;
    }
    return SSL_set1_host(ssl, host.c_str()) == 1 &&
           SSL_set_tlsext_host_name(ssl, host.c_str()) == 1;
}

// One line, control characters escaped, other characters as UTF-8.
std::string nameText(const X509_NAME* name) {
    BIO* bio = BIO_new(BIO_s_mem());
    if (!bio || !name) {
        BIO_free(bio);
        return {};
    }
    X509_NAME_print_ex(bio, name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    std::string text(data, static_cast<std::size_t>(std::max(length, 0L)));
    BIO_free(bio);
    if (text.size() > kMaxNameBytes) {
        text.resize(kMaxNameBytes);
    }
    return text;
}

std::string timeText(const ASN1_TIME* time) {
    std::tm parts{};
    if (!time || ASN1_TIME_to_tm(time, &parts) != 1) {
        return {};
    }
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
    return text;
}

CertificateFacts describe(X509* certificate, const char* reason) {
    CertificateFacts facts;
    facts.reason = reason;
    if (!certificate) {
        return facts;
    }
    facts.subject = nameText(X509_get_subject_name(certificate));
    facts.issuer = nameText(X509_get_issuer_name(certificate));
    facts.notBefore = timeText(X509_get0_notBefore(certificate));
    facts.notAfter = timeText(X509_get0_notAfter(certificate));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (X509_digest(certificate, EVP_sha256(), digest, &length) == 1) {
        facts.sha256 = fingerprintText({digest, length});
    }
    return facts;
}

TlsPinCheck* pinCheckOf(X509_STORE_CTX* store) {
    auto* ssl =
        static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    return ssl ? static_cast<TlsPinCheck*>(SSL_get_app_data(ssl)) : nullptr;
}

// The library's verification stands, except that the pinned certificate is
// accepted with the faults its pin accepted. Called for each error of the
// chain; the first one describes the certificate. Every error is let pass so
// that the verification goes on and finds every fault the user must weigh
// (asked once for all of them, not once for each); verifyChain and the check
// of a resumed session then refuse on `refused`.
int acceptPinned(int verified, X509_STORE_CTX* store) {
    if (verified == 1) {
        return 1;
    }
    TlsPinCheck* check = pinCheckOf(store);
    if (!check) {
        return 0;
    }
    const int error = X509_STORE_CTX_get_error(store);
    if (!check->presented) {
        check->presented = describe(X509_STORE_CTX_get0_cert(store), "");
    }
    CertificateFacts& facts = *check->presented;
    const std::string fault = certificateFault(error);
    facts.faults.insert(fault);
    const bool pinned = !check->pin.sha256.empty() && facts.sha256 == check->pin.sha256;
    if (!pinned || !check->pin.faults.contains(fault)) {
        if (!check->refused) {
            facts.reason = X509_verify_cert_error_string(error);
            check->refusedError = error;
        }
        check->refused = true;
    }
    return 1;
}

// The hand-shake's verification: the library's, run to its end through
// acceptPinned, then refused within the hand-shake (the server sees the
// alert, and not a byte of the dialogue follows) when a fault was not
// accepted. The first such fault is the verification's result.
int verifyChain(X509_STORE_CTX* store, void*) {
    const int verified = X509_verify_cert(store);
    const TlsPinCheck* check = pinCheckOf(store);
    if (verified == 1 && check && check->refused) {
        X509_STORE_CTX_set_error(store, check->refusedError);
        return 0;
    }
    return verified;
}

// Where a connection finds its TlsResumptionSlot; -1 when the library had no
// index to spare, and then nothing is resumed.
int resumptionSlotIndex() {
    static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

// The library's call for every session a server hands out. It keeps its own
// reference, since the cache takes one of its own.
int keepNewSession(SSL* ssl, SSL_SESSION* session) {
    const int index = resumptionSlotIndex();
    auto* slot =
        index >= 0 ? static_cast<TlsResumptionSlot*>(SSL_get_ex_data(ssl, index)) : nullptr;
    if (!slot || SSL_SESSION_is_resumable(session) != 1) {
        return 0;
    }
    if (slot->accepted) {
        tlsSessionCache().store(slot->key, session);
    } else if (SSL_SESSION_up_ref(session) == 1) {
        SSL_SESSION_free(slot->early);
        slot->early = session;
    }
    return 0;
}

// The files the library's default verify paths read: SSL_CERT_FILE or the
// system's CA file, SSL_CERT_DIR or the system's directory (a list).
std::vector<std::string> trustFiles() {
    const char* file = std::getenv(X509_get_default_cert_file_env());
    const char* dirs = std::getenv(X509_get_default_cert_dir_env());
    std::vector<std::string> paths{file ? file : X509_get_default_cert_file()};
    const std::string dirList = dirs ? dirs : X509_get_default_cert_dir();
    for (std::size_t begin = 0; begin <= dirList.size();) {
        const std::size_t end = std::min(dirList.find(':', begin), dirList.size());
        paths.push_back(dirList.substr(begin, end - begin));
        begin = end + 1;
    }
    return paths;
}

SSL_CTX* newClientContext(std::string& reason) {
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    if (!context) {
        reason = libraryErrorText();
        return nullptr;
    }
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, acceptPinned);
    SSL_CTX_set_cert_verify_callback(context, verifyChain, nullptr);
    // The sessions are kept by key (TlsSessionCache), never by the library,
    // whose own cache knows neither the pin nor the host as it was named.
    SSL_CTX_set_session_cache_mode(context,
                                   SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(context, keepNewSession);
    if (SSL_CTX_set_default_verify_paths(context) != 1) {
        reason = libraryErrorText();
        SSL_CTX_free(context);
        return nullptr;
    }
    return context;
}

// Every session of the process shares one context: making it and reading the
// system's trusted authorities (a few hundred certificates) costs more than
// the hand-shake itself on a near server. It is made anew once the trusted
// files changed. Pins belong to the sessions, never to the context. The
// caller owns one reference. `trustGeneration` counts up whenever the files
// are seen to change, and the sessions of the generations before are dropped.
// Any thread.
SSL_CTX* sharedClientContext(std::uint64_t& trustGeneration, std::string& reason) {
    static std::mutex mutex;
    static SSL_CTX* shared = nullptr;
    static TrustFilesStamp sharedBuilt;
    static std::uint64_t generation = 0;
    TrustFilesStamp now = TrustFilesStamp::take(trustFiles());
    const std::lock_guard lock(mutex);
    if (!shared || !now.unchangedSince(sharedBuilt)) {
        SSL_CTX* fresh = newClientContext(reason);
        if (!fresh) {
            return nullptr;
        }
        if (!shared || !now.sameFilesAs(sharedBuilt)) {
            tlsSessionCache().keepOnly(++generation);
        }
        SSL_CTX_free(shared);
        shared = fresh;
        sharedBuilt = std::move(now);
    }
    SSL_CTX_up_ref(shared);
    trustGeneration = generation;
    return shared;
}

} // namespace

struct TlsSession::Handles {
    SSL_CTX* context = nullptr;
    SSL* ssl = nullptr;
    TlsPinCheck check;
    TlsResumptionSlot resumption;
    TlsSocket socket;
    bool closeNotified = false;
    ~Handles() {
        SSL_free(ssl);
        SSL_CTX_free(context);
    }
};

TlsSession::TlsSession(std::unique_ptr<Handles> handles) : handles_(std::move(handles)) {}

TlsSession::~TlsSession() = default;

std::unique_ptr<TlsSession> TlsSession::create(int fd, const std::string& host, std::uint16_t port,
                                               const AcceptedCertificate& pinned,
                                               std::string& reason) {
    auto handles = std::make_unique<Handles>();
    handles->check.pin = pinned;
    std::uint64_t trustGeneration = 0;
    handles->context = sharedClientContext(trustGeneration, reason);
    if (!handles->context) {
        return nullptr;
    }
    handles->ssl = SSL_new(handles->context);
    if (!handles->ssl || !bindToHost(handles->ssl, host)) {
        reason = libraryErrorText();
        return nullptr;
    }
    if (const int index = resumptionSlotIndex(); index >= 0) {
        // A session accepted on a pin's faults is only for the same pin.
        handles->resumption.key = {host, port, pinned.sha256 + " " + faultsText(pinned.faults),
                                   trustGeneration};
        SSL_set_ex_data(handles->ssl, index, &handles->resumption);
        if (SSL_SESSION* cached = tlsSessionCache().find(handles->resumption.key)) {
            SSL_set_session(handles->ssl, cached); // takes a reference of its own
            SSL_SESSION_free(cached);
        }
    }
    handles->socket.fd = fd;
    BIO* bio = socketMethod() ? BIO_new(socketMethod()) : nullptr;
    if (!bio) {
        reason = libraryErrorText();
        return nullptr;
    }
    BIO_set_data(bio, &handles->socket);
    BIO_set_init(bio, 1);
    SSL_set_bio(handles->ssl, bio, bio); // the session owns it from here
    // A reply of several records then comes in one read of the socket, not two per record.
    SSL_set_read_ahead(handles->ssl, 1);
    SSL_set_app_data(handles->ssl, &handles->check);
    SSL_set_connect_state(handles->ssl);
    return std::unique_ptr<TlsSession>(new TlsSession(std::move(handles)));
}

TlsSession::Step TlsSession::classify(int result, std::string* reason) {
    switch (SSL_get_error(handles_->ssl, result)) {
    case SSL_ERROR_NONE:
        return Step::Done;
    case SSL_ERROR_WANT_READ:
        return Step::WantRead;
    case SSL_ERROR_WANT_WRITE:
        return Step::WantWrite;
    case SSL_ERROR_ZERO_RETURN:
        return Step::Closed;
    default:
        if (reason) {
            long verdict = SSL_get_verify_result(handles_->ssl);
            *reason =
                verdict != X509_V_OK ? X509_verify_cert_error_string(verdict) : libraryErrorText();
        }
        ERR_clear_error();
        return Step::Failed;
    }
}

TlsSession::Step TlsSession::handshake(std::string& reason) {
    ERR_clear_error();
    const int result = SSL_connect(handles_->ssl);
    Step step = result == 1 ? Step::Done : classify(result, &reason);
    if (step == Step::Done && resumed() && !verifyResumed(reason)) {
        step = Step::Failed;
    }
    TlsResumptionSlot& slot = handles_->resumption;
    if (step == Step::Done) {
        slot.accepted = true;
        if (slot.early) {
            tlsSessionCache().store(slot.key, slot.early);
            SSL_SESSION_free(slot.early);
            slot.early = nullptr;
        }
    } else if (step == Step::Failed || step == Step::Closed) {
        // Whatever the server is now, it is not one to resume with.
        tlsSessionCache().forget(slot.key);
    }
    return step;
}

// Why resuming never bypasses the certificate decision. A resumed hand-shake
// carries no certificate: the library takes the peer's certificate, its
// chain and the verification result from the session, and calls no verify
// callback, so by itself it would accept whatever the session's own
// hand-shake accepted, even by a pin. A session is kept only after that
// hand-shake passed (TlsResumptionSlot) and is offered only under the same
// host, port, pin and trusted files (TlsResumptionKey), so the decision would
// be the same; what could still differ is the time (a certificate expired
// since) or a CA file rewritten too quickly for its time stamps to show it.
// So the stored chain is verified once more, now, against the current store,
// with the same parameters (host name) and the same pin callback as a full
// hand-shake; a session that fails is refused like a certificate that does
// not verify, and dropped.
bool TlsSession::verifyResumed(std::string& reason) {
    SSL* ssl = handles_->ssl;
    X509* peer = SSL_get0_peer_certificate(ssl);
    STACK_OF(X509)* chain = SSL_get_peer_cert_chain(ssl); // the peer's own first
    X509_STORE_CTX* store = X509_STORE_CTX_new();
    bool verified = false;
    if (!peer) {
        reason = "resumed TLS session without a certificate";
    } else if (!store ||
               X509_STORE_CTX_init(store, SSL_CTX_get_cert_store(handles_->context), peer, chain) !=
                   1 ||
               X509_STORE_CTX_set_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx(), ssl) != 1 ||
               X509_STORE_CTX_set_default(store, "ssl_server") != 1 ||
               X509_VERIFY_PARAM_set1(X509_STORE_CTX_get0_param(store), SSL_get0_param(ssl)) != 1) {
        reason = libraryErrorText();
    } else {
        X509_VERIFY_PARAM_set_auth_level(X509_STORE_CTX_get0_param(store),
                                         SSL_get_security_level(ssl));
        X509_STORE_CTX_set_verify_cb(store, acceptPinned);
        verified = verifyChain(store, nullptr) == 1;
        if (!verified) {
            const int error = X509_STORE_CTX_get_error(store);
            reason = error != X509_V_OK ? X509_verify_cert_error_string(error) : libraryErrorText();
        }
    }
    X509_STORE_CTX_free(store);
    ERR_clear_error();
    return verified;
}

bool TlsSession::resumed() const {
    return SSL_session_reused(handles_->ssl) == 1;
}

std::optional<CertificateFacts> TlsSession::refusedCertificate() const {
    const TlsPinCheck& check = handles_->check;
    if (!check.presented || !check.refused) {
        return std::nullopt;
    }
    CertificateFacts facts = *check.presented;
    if (check.pin.sha256.empty()) {
        return facts;
    }
    if (facts.sha256 != check.pin.sha256) {
        facts.pinnedSha256 = check.pin.sha256;
    } else {
        std::ranges::set_difference(facts.faults, check.pin.faults,
                                    std::inserter(facts.newFaults, facts.newFaults.end()));
    }
    return facts;
}

TlsSession::Step TlsSession::read(char* buffer, std::size_t capacity, std::size_t& got, bool wait) {
    ERR_clear_error();
    got = 0;
    const SocketWaits mode(handles_->socket, wait);
    int result = SSL_read_ex(handles_->ssl, buffer, capacity, &got);
    return result == 1 ? Step::Done : classify(result, nullptr);
}

TlsSession::Step TlsSession::write(const char* data, std::size_t length, std::size_t& written,
                                   bool wait) {
    ERR_clear_error();
    written = 0;
    const SocketWaits mode(handles_->socket, wait);
    int result = SSL_write_ex(handles_->ssl, data, length, &written);
    return result == 1 ? Step::Done : classify(result, nullptr);
}

void TlsSession::notifyClose() {
    if (!handles_->closeNotified) {
        handles_->closeNotified = true;
        const SocketWaits mode(handles_->socket, false); // the socket may block by now
        SSL_shutdown(handles_->ssl);
        ERR_clear_error();
    }
}

} // namespace ombrix
