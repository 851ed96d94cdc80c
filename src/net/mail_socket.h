#pragma once
// The one connection of a check or deletion run to a mail server, plain or TLS.
// Replies are read by a reader thread of the connection and handed over chunk
// by chunk; every wait is sliced so that abortRequest ends it within a second
// (within six while connecting). Two flavours: line replies (POP3) and tagged
// replies (IMAP). All members are called from one worker thread.

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <thread>

namespace ombrix {

struct MailConnection;

// Receives, over the whole process, that ended because their time-out ran out
// before the reply was complete. A healthy server never causes one; the check
// benchmark reports the count.
inline std::atomic<std::uint32_t> receiveTimeouts{0};

class CMailSocket {
public:
    CMailSocket() = default;
    ~CMailSocket();
    CMailSocket(const CMailSocket&) = delete;
    CMailSocket& operator=(const CMailSocket&) = delete;

    // Opens the connection; port is decimal text. False when the host cannot be
    // resolved or reached, TLS fails (lastFailureReason() says why), or
    // abortRequest is set while connecting.
    bool ConnectPop3(const std::string& host, bool useSsl, const std::string& port);
    // As ConnectPop3; the first SendTagged after it carries the tag a000.
    bool ConnectImap(const std::string& host, bool useSsl, const std::string& port);

    // Sends the line as it is (the caller ends it with "\r\n").
    void SendLine(const std::string& line);
    // Collects one POP3 reply into dest and returns the number of bytes stored
    // (never more than dest.size(); the rest of a longer reply is dropped).
    std::uint32_t ReceiveReply(std::span<char> dest, std::uint32_t timeoutMs,
                               std::uint32_t expectedSize, bool singleLine, bool dotList);

    // Sends tag, blank and command (which ends with "\r\n"), then counts the tag up.
    void SendTagged(const std::string& command);
    // Collects the greeting (tagged false) or everything up to the completion of
    // the last tagged command. A completion NO or BAD sets imapRefused.
    // sizeHint is accepted for the callers' sake and changes nothing.
    std::uint32_t ReceiveTagged(std::span<char> dest, std::uint32_t timeoutMs,
                                std::uint32_t sizeHint, bool tagged);

    // Ends the connection and its reader thread. Safe to call at any time.
    void Close();

    // Why the last connect failed ("" after a success), for the account's error text.
    const std::string& lastFailureReason() const { return failureReason_; }
    // The last tagged line sent, tag included.
    const std::string& lastCommand() const { return lastCommand_; }
    int tagCounter() const { return tagCounter_; }

private:
    bool connect(const std::string& host, bool useSsl, const std::string& port);
    template <class Scanner>
    std::uint32_t receive(std::span<char> dest, std::uint32_t timeoutMs, Scanner& scanner);
    void send(const std::string& bytes);

    std::shared_ptr<MailConnection> connection_;
    std::thread reader_;
    std::string failureReason_;
    std::string lastCommand_;
    int tagCounter_ = 0;
};

} // namespace ombrix
