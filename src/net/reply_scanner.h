#pragma once
// End detection of the two reply flavours. A scanner is fed the chunks of one
// reply in order, copies their bytes into the caller's bounded buffer and says
// after each chunk whether the reply is complete. A chunk may hold the start of
// the next reply too: a scanner stops at its reply's end, and consumed() says
// how much of the last chunk was its own. Pure logic, no sockets.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ombrix {

// The caller's destination: bytes past its capacity are dropped, never written.
class BoundedSink {
public:
    explicit BoundedSink(std::span<char> dest) : dest_(dest) {}
    void put(char byte) {
        if (stored_ < dest_.size()) {
            dest_[stored_++] = byte;
        }
    }
    void put(std::string_view bytes) {
        const std::size_t room = dest_.size() - stored_;
        const std::size_t taken = bytes.size() < room ? bytes.size() : room;
        bytes.copy(dest_.data() + stored_, taken);
        stored_ += taken;
    }
    std::size_t stored() const { return stored_; }

private:
    std::span<char> dest_;
    std::size_t stored_ = 0;
};

// POP3: one line, a dot-terminated listing, or the TOP reply (dot-unstuffed,
// complete at its terminator line, or at the line end of a "-ERR" status).
class LineReplyScanner {
public:
    LineReplyScanner(bool singleLine, bool dotList, std::uint32_t expectedSize);
    bool feed(std::string_view chunk, BoundedSink& sink);
    std::size_t consumed() const { return consumed_; }

private:
    void scan(char byte, BoundedSink& sink);
    // How many bytes at the start of `rest` are plain line text, which can
    // change nothing but the sink, the count and the last bytes seen.
    std::size_t plainRun(std::string_view rest) const;
    void takePlainRun(std::string_view run, BoundedSink& sink);
    bool endsAfterThisByte() const;
    void countLineEnd();
    bool atLineStart() const { return previous_[1] == '\r' && previous_[2] == '\n'; }

    bool singleLine_;
    bool dotList_;
    std::uint32_t expectedSize_;
    std::uint64_t seen_ = 0;
    char previous_[3] = {0, 0, 0}; // the last three bytes of the stream, oldest first
    bool firstLineSeen_ = false;
    bool endOfLineSeen_ = false;
    bool errorReply_ = false;
    bool stuffedDotPending_ = false;
    bool terminatorSeen_ = false;
    int terminatorMatched_ = 0;
    std::uint32_t afterFirstLine_ = 0;
    std::size_t consumed_ = 0;
};

// IMAP: the greeting ("* OK" opening a line) or the tagged completion of the
// command whose tag is given, each up to the end of its line. A completion NO
// or BAD is a refusal. Literals ({n} at a line end) are skipped, so mail text
// can never pose as a completion. With Continuation::EndsReply a continuation
// request ("+" opening a line) ends the reply too: the server waits for the
// client then.
class TaggedReplyScanner {
public:
    enum class Continuation { Ignored, EndsReply };

    TaggedReplyScanner(std::string tag, bool tagged,
                       Continuation continuation = Continuation::Ignored);
    bool feed(std::string_view chunk, BoundedSink& sink);
    std::size_t consumed() const { return consumed_; }
    bool refused() const { return refused_; }
    // Whether the reply ended at a continuation request.
    bool continued() const { return continued_; }
    // The line that ended the reply, line end included (its first
    // kMaxCompletionLine bytes): kept apart, since a caller's buffer may have
    // been full long before it came.
    const std::string& completionLine() const { return completionLine_; }

    static constexpr std::size_t kMaxCompletionLine = 8192;

private:
    void scan(char byte);
    // How many bytes at the start of `rest` can only be copied: the inside of
    // a literal, or a line that can no longer complete the reply, up to its
    // end or a "{". Counts them off a literal.
    std::size_t plainRun(std::string_view rest);
    void matchLine(char byte);
    void trackLiteral(char byte);

    std::string pattern_; // what opens the completing line
    bool tagged_;
    bool continuationEnds_;
    bool continued_ = false;
    bool completionSeen_ = false; // the reply ends with this line
    bool ended_ = false;
    bool refused_ = false;
    bool lineStart_ = true;
    bool matching_ = true;
    std::size_t matched_ = 0;
    bool afterOk_ = false;       // the pattern and "O" are in; "K" must follow
    std::string candidate_;      // the matched start of the current line
    std::string completionLine_; // see completionLine()
    // Literal announcement at a line end: "{", digits, "}", CR, LF.
    enum class Literal { None, Digits, Closed, Cr } literal_ = Literal::None;
    std::uint64_t literalSize_ = 0;
    std::uint64_t literalLeft_ = 0;
    std::size_t consumed_ = 0;
};

// "a" and the tag number in at least three digits (a000, a999, a1000): a tag
// never repeats within a connection, so no old completion can pass for a new one.
std::string imapTag(int tagCounter);

} // namespace ombrix
