#pragma once
// A scripted mail server on 127.0.0.1 (ephemeral port) for dialogue tests, in
// plain TCP or TLS. It plays its script step by step on the connections it
// accepts, one after another:
//
//   Script s;
//   s.sendLine("+OK ready").expect("USER bob").sendLine("+OK").close()   // 1st connection
//    .sendLine("+OK again").expect("QUIT").sendLine("+OK bye");         // 2nd connection
//   LoopbackServer server(s);
//   ... connect to server.host(), server.port() ...
//   EXPECT_TRUE(server.waitUntilDone());
//
// A client line that differs from the expected one is a test failure showing
// both texts. A TLS server makes its hand-shake right after accepting, unless
// the connection's first step is silent() (a server that accepts and then never
// answers). A hand-shake the client refuses is not a failure: the server counts
// it (tlsFailures()) and goes on with the steps after that connection's close().
//
// Script files (tests/fixtures/...) hold one step per line:
//   C: USER bob        the client sends "USER bob" CR LF
//   S: +OK hello       the server sends "+OK hello" CR LF
//   S= +OK\r           the server sends the bytes as written, no CR LF added
//   PAUSE 50           the server waits 50 ms (splits what it sends into chunks)
//   SILENT             nothing more on this connection until the client closes it
//   CLIENT CLOSES      the client must close without sending another line
//   HOLD               the server waits until the test calls release()
//   CLOSE              the server closes; later steps are for the next connection
//   # ...              comment; empty lines are skipped
// Consecutive S lines go out in one write. Escapes in C, S and S= texts:
// \r \n \t \\ \xHH.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace ombrix::test {

struct TestCertificates {
    std::filesystem::path caFile;   // trust it (SSL_CERT_FILE) to accept the server
    std::filesystem::path certFile; // the server's certificate, signed by the CA
    std::filesystem::path keyFile;  // the server's private key
};

// A throwaway CA and a server certificate signed by it, written into dir.
// subjectAltNames as in an OpenSSL configuration: "DNS:localhost,IP:127.0.0.1".
TestCertificates
makeTestCertificates(const std::filesystem::path& dir,
                     const std::string& subjectAltNames = "DNS:localhost,IP:127.0.0.1");

// The SHA-256 fingerprint of the certificate in a PEM file, as
// `openssl x509 -fingerprint -sha256` writes it ("0A:FF:..."), computed apart
// from the program's own formatting.
std::string sha256Fingerprint(const std::filesystem::path& pemFile);

struct ScriptStep {
    enum class Kind { Expect, ExpectStart, Send, Pause, Silent, Hold, Close, ExpectClose };
    Kind kind;
    std::string bytes; // Expect: the line without CR LF; Send: the bytes to write
    std::chrono::milliseconds pause{0};
};

class Script {
public:
    Script& expect(std::string line); // the client sends line + CR LF
    // The client sends a line that begins with prefix: for lines that name
    // what only the running server knows (its port); read them whole from
    // received().
    Script& expectStart(std::string prefix);
    Script& send(std::string bytes);    // one write of exactly these bytes
    Script& sendLine(std::string text); // one write of text + CR LF
    Script& pause(std::chrono::milliseconds duration);
    Script& silent();
    // The server goes on only after release(): the client is held in the
    // middle of its dialogue for as long as the test needs.
    Script& hold();
    Script& close();
    Script& expectClose(); // a line from the client instead of its close is a failure
    const std::vector<ScriptStep>& steps() const { return steps_; }

    // The file format above; throws std::runtime_error naming the bad line.
    static Script parse(std::string_view text);
    static Script load(const std::filesystem::path& file);

private:
    std::vector<ScriptStep> steps_;
};

class LoopbackServer {
public:
    explicit LoopbackServer(Script script);
    LoopbackServer(Script script, const TestCertificates& tls);
    ~LoopbackServer(); // stops the server wherever it is in the script
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::string host() const { return "127.0.0.1"; }
    std::string port() const; // decimal text, as the connect calls take it

    // True once every step has been played.
    bool waitUntilDone(std::chrono::milliseconds limit = std::chrono::seconds(20));
    // True once the steps before `step` (an index into the script) are played
    // and that step has begun.
    bool waitUntilReached(std::size_t step,
                          std::chrono::milliseconds limit = std::chrono::seconds(20));
    // True once `count` connections have been accepted.
    bool waitForConnections(int count, std::chrono::milliseconds limit = std::chrono::seconds(20));
    // The lines the client sent, in order, without CR LF.
    std::vector<std::string> received() const;
    int connections() const;
    int tlsFailures() const;
    // Lets a held script go on (see Script::hold()).
    void release();

private:
    class Session;
    void listenOnLoopback();
    void serve();
    void advanceTo(std::size_t step);

    Script script_;
    std::shared_ptr<void> tlsContext_; // SSL_CTX, when TLS
    int listenFd_ = -1;
    int stopFd_ = -1;
    int releaseFd_ = -1;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable progressed_;
    std::size_t reached_ = 0;
    std::vector<std::string> received_;
    int connections_ = 0;
    int tlsFailures_ = 0;
    std::thread thread_;
};

} // namespace ombrix::test
