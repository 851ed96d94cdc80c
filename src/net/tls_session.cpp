#include "net/tls_session.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace ombrix {
namespace {

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

} // namespace

struct TlsSession::Handles {
    SSL_CTX* context = nullptr;
    SSL* ssl = nullptr;
    bool closeNotified = false;
    ~Handles() {
        SSL_free(ssl);
        SSL_CTX_free(context);
    }
};

TlsSession::TlsSession(std::unique_ptr<Handles> handles) : handles_(std::move(handles)) {}

TlsSession::~TlsSession() = default;

std::unique_ptr<TlsSession> TlsSession::create(int fd, const std::string& host,
                                               std::string& reason) {
    auto handles = std::make_unique<Handles>();
    handles->context = SSL_CTX_new(TLS_client_method());
    if (!handles->context) {
        reason = libraryErrorText();
        return nullptr;
    }
    SSL_CTX* context = handles->context;
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    if (SSL_CTX_set_default_verify_paths(context) != 1) {
        reason = libraryErrorText();
        return nullptr;
    }
    handles->ssl = SSL_new(context);
    if (!handles->ssl || SSL_set_fd(handles->ssl, fd) != 1 || !bindToHost(handles->ssl, host)) {
        reason = libraryErrorText();
        return nullptr;
    }
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
    int result = SSL_connect(handles_->ssl);
    return result == 1 ? Step::Done : classify(result, &reason);
}

TlsSession::Step TlsSession::read(char* buffer, std::size_t capacity, std::size_t& got) {
    ERR_clear_error();
    got = 0;
    int result = SSL_read_ex(handles_->ssl, buffer, capacity, &got);
    return result == 1 ? Step::Done : classify(result, nullptr);
}

TlsSession::Step TlsSession::write(const char* data, std::size_t length, std::size_t& written) {
    ERR_clear_error();
    written = 0;
    int result = SSL_write_ex(handles_->ssl, data, length, &written);
    return result == 1 ? Step::Done : classify(result, nullptr);
}

bool TlsSession::hasBufferedBytes() const {
    return SSL_pending(handles_->ssl) > 0;
}

void TlsSession::notifyClose() {
    if (!handles_->closeNotified) {
        handles_->closeNotified = true;
        SSL_shutdown(handles_->ssl);
        ERR_clear_error();
    }
}

} // namespace ombrix
