// Certificates for the TLS loopback server, made with the OpenSSL API so the
// tests need no command-line tool.

#include "support/loopback_server.h"

#include <cstdio>
#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <stdexcept>

namespace ombrix::test {
namespace {

struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertFree {
    void operator()(X509* cert) const { X509_free(cert); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Cert = std::unique_ptr<X509, CertFree>;

void require(bool ok, const char* what) {
    if (!ok) {
        throw std::runtime_error(std::string("test certificate: ") + what);
    }
}

void addExtension(X509* cert, X509* issuer, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    require(extension && X509_add_ext(cert, extension, -1) == 1, "extension");
    X509_EXTENSION_free(extension);
}

Cert newCertificate(EVP_PKEY* key, const char* commonName, long serial) {
    Cert cert(X509_new());
    require(cert != nullptr, "X509_new");
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 7 * 24 * 3600);
    X509_set_pubkey(cert.get(), key);
    X509_NAME_add_entry_by_txt(X509_get_subject_name(cert.get()), "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
    return cert;
}

void writePem(const std::filesystem::path& file, X509* cert, EVP_PKEY* key) {
    std::FILE* out = std::fopen(file.c_str(), "wb");
    require(out != nullptr, "cannot write file");
    bool ok = cert ? PEM_write_X509(out, cert) == 1
                   : PEM_write_PrivateKey(out, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    std::fclose(out);
    require(ok, "PEM write");
}

} // namespace

TestCertificates makeTestCertificates(const std::filesystem::path& dir,
                                      const std::string& subjectAltNames) {
    static long serial = 1000;
    Key caKey(EVP_EC_gen("P-256"));
    Key serverKey(EVP_EC_gen("P-256"));
    require(caKey && serverKey, "key generation");

    Cert ca = newCertificate(caKey.get(), "Ombrix Test CA", ++serial);
    X509_set_issuer_name(ca.get(), X509_get_subject_name(ca.get()));
    addExtension(ca.get(), ca.get(), NID_basic_constraints, "critical,CA:TRUE");
    addExtension(ca.get(), ca.get(), NID_key_usage, "critical,keyCertSign,cRLSign");
    addExtension(ca.get(), ca.get(), NID_subject_key_identifier, "hash");
    require(X509_sign(ca.get(), caKey.get(), EVP_sha256()) > 0, "CA signature");

    Cert server = newCertificate(serverKey.get(), "Ombrix Test Server", ++serial);
    X509_set_issuer_name(server.get(), X509_get_subject_name(ca.get()));
    addExtension(server.get(), ca.get(), NID_basic_constraints, "critical,CA:FALSE");
    addExtension(server.get(), ca.get(), NID_key_usage, "critical,digitalSignature");
    addExtension(server.get(), ca.get(), NID_ext_key_usage, "serverAuth");
    addExtension(server.get(), ca.get(), NID_subject_alt_name, subjectAltNames.c_str());
    addExtension(server.get(), ca.get(), NID_authority_key_identifier, "keyid");
    require(X509_sign(server.get(), caKey.get(), EVP_sha256()) > 0, "server signature");

    TestCertificates files{dir / "test-ca.pem", dir / "server-cert.pem", dir / "server-key.pem"};
    writePem(files.caFile, ca.get(), nullptr);
    writePem(files.certFile, server.get(), nullptr);
    writePem(files.keyFile, nullptr, serverKey.get());
    return files;
}

std::string sha256Fingerprint(const std::filesystem::path& pemFile) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(pemFile.c_str(), "rb"),
                                                         &std::fclose);
    require(file != nullptr, "cannot read the certificate file");
    Cert cert(PEM_read_X509(file.get(), nullptr, nullptr, nullptr));
    require(cert != nullptr, "no certificate in the file");
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    require(X509_digest(cert.get(), EVP_sha256(), digest, &length) == 1, "digest");
    std::string text;
    for (unsigned i = 0; i < length; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, i == 0 ? "%02X" : ":%02X", digest[i]);
        text += pair;
    }
    return text;
}

} // namespace ombrix::test
