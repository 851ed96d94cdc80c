#include "net/reply_scanner.h"

#include "platform/ascii.h"

#include <algorithm>
#include <cstdio>

namespace ombrix {

LineReplyScanner::LineReplyScanner(bool singleLine, bool dotList, std::uint32_t expectedSize)
    : singleLine_(singleLine), dotList_(dotList), expectedSize_(expectedSize) {}

bool LineReplyScanner::feed(std::string_view chunk, BoundedSink& sink) {
    consumed_ = 0;
    while (consumed_ < chunk.size()) {
        // Most of a listing is the inside of its lines: taken in one piece.
        if (const std::size_t run = plainRun(chunk.substr(consumed_)); run > 0) {
            takePlainRun(chunk.substr(consumed_, run), sink);
            consumed_ += run;
            continue;
        }
        scan(chunk[consumed_++], sink);
        if (endsAfterThisByte()) {
            return true;
        }
    }
    // Counted per chunk, the chunk that holds the first line end included.
    if (firstLineSeen_) {
        afterFirstLine_ += static_cast<std::uint32_t>(chunk.size());
    }
    // A listing refused with "-ERR" ends with the chunk, even before its line end.
    if (errorReply_ && dotList_) {
        return true;
    }
    // A TOP reply ends only at its terminator: its status line and stuffed
    // dots make it longer than the mail's listed size, so ending by count
    // would leave its tail in the stream to be taken as the next reply.
    // A listing may still end by count: that only caps a runaway reply.
    // Unsigned on purpose: an expected size below 3 never ends a reply by count.
    return !singleLine_ && dotList_ && afterFirstLine_ >= expectedSize_ - 3u;
}

bool LineReplyScanner::endsAfterThisByte() const {
    if (singleLine_ || errorReply_) {
        return endOfLineSeen_;
    }
    return terminatorSeen_;
}

void LineReplyScanner::scan(char byte, BoundedSink& sink) {
    if (stuffedDotPending_) {
        stuffedDotPending_ = false;
        if (byte == '.') {
            // The server doubled a leading dot; the doubled line is never the terminator.
            terminatorMatched_ = 0;
            return;
        }
    }
    bool lineStart = seen_ == 0 || atLineStart();
    if (!singleLine_ && seen_ == 1 && previous_[2] == '-' && byte == 'E') {
        errorReply_ = true;
    }
    ++seen_;
    // Content lines that begin with a dot arrive doubled, so a lone dot after
    // the status line is always the end, however few body lines came before.
    bool armed = dotList_ || firstLineSeen_;
    if (terminatorMatched_ == 1 && byte == '\r') {
        terminatorMatched_ = 2;
    } else if (terminatorMatched_ == 2 && byte == '\n') {
        terminatorSeen_ = true;
    } else {
        terminatorMatched_ = (armed && lineStart && byte == '.') ? 1 : 0;
    }
    if (!singleLine_ && !dotList_ && byte == '.' && seen_ > 1 && atLineStart()) {
        stuffedDotPending_ = true;
    }
    sink.put(byte);
    if (previous_[2] == '\r' && byte == '\n') {
        countLineEnd();
    }
    previous_[0] = previous_[1];
    previous_[1] = previous_[2];
    previous_[2] = byte;
}

std::size_t LineReplyScanner::plainRun(std::string_view rest) const {
    // The first bytes of the stream and of each line, and a byte after a
    // stuffed dot, are the ones that steer the scan.
    if (seen_ < 3 || stuffedDotPending_ || atLineStart()) {
        return 0;
    }
    const auto end = std::ranges::find_if(rest, [](char c) { return c == '\r' || c == '\n'; });
    return static_cast<std::size_t>(end - rest.begin());
}

void LineReplyScanner::takePlainRun(std::string_view run, BoundedSink& sink) {
    sink.put(run);
    seen_ += run.size();
    terminatorMatched_ = 0;
    for (const char byte : run.substr(run.size() > 3 ? run.size() - 3 : 0)) {
        previous_[0] = previous_[1];
        previous_[1] = previous_[2];
        previous_[2] = byte;
    }
}

void LineReplyScanner::countLineEnd() {
    if (!firstLineSeen_) {
        firstLineSeen_ = true;
        afterFirstLine_ = 0;
    }
    endOfLineSeen_ = true;
}

TaggedReplyScanner::TaggedReplyScanner(std::string tag, bool tagged, Continuation continuation)
    : pattern_(tagged ? tag + " " : std::string("* O")), tagged_(tagged),
      continuationEnds_(continuation == Continuation::EndsReply) {}

bool TaggedReplyScanner::feed(std::string_view chunk, BoundedSink& sink) {
    consumed_ = 0;
    while (!ended_ && consumed_ < chunk.size()) {
        if (const std::size_t run = plainRun(chunk.substr(consumed_)); run > 0) {
            sink.put(chunk.substr(consumed_, run));
            consumed_ += run;
            continue;
        }
        const char byte = chunk[consumed_++];
        sink.put(byte);
        if (completionSeen_) {
            // The rest of the completion line belongs to this reply; left in
            // the stream it would open the next command's reply.
            if (completionLine_.size() < kMaxCompletionLine)
                completionLine_ += byte;
            ended_ = byte == '\n';
            continue;
        }
        scan(byte);
        if (completionSeen_)
            completionLine_ = candidate_;
    }
    return ended_;
}

void TaggedReplyScanner::scan(char byte) {
    if (literalLeft_ > 0) {
        --literalLeft_;
        return;
    }
    matchLine(byte);
    trackLiteral(byte);
    lineStart_ = byte == '\n' && literal_ == Literal::None && literalLeft_ == 0;
}

std::size_t TaggedReplyScanner::plainRun(std::string_view rest) {
    if (completionSeen_) {
        return 0;
    }
    if (literalLeft_ > 0) {
        const std::size_t run =
            static_cast<std::size_t>(std::min<std::uint64_t>(literalLeft_, rest.size()));
        literalLeft_ -= run;
        return run;
    }
    if (lineStart_ || matching_ || literal_ != Literal::None) {
        return 0;
    }
    const auto end = std::ranges::find_if(rest, [](char c) { return c == '{' || c == '\n'; });
    return static_cast<std::size_t>(end - rest.begin());
}

void TaggedReplyScanner::matchLine(char byte) {
    if (lineStart_) {
        matching_ = true;
        matched_ = 0;
        afterOk_ = false;
        candidate_.clear();
        if (continuationEnds_ && byte == '+') {
            candidate_ += byte;
            completionSeen_ = true;
            continued_ = true;
            return;
        }
    }
    if (!matching_) {
        return;
    }
    candidate_ += byte; // no longer than the pattern and "OK": matching stops there
    // Status words are case-insensitive: "a004 ok" completes as "a004 OK" does.
    const char upper = asciiUpper(byte);
    if (matched_ < pattern_.size()) {
        matching_ = upper == asciiUpper(pattern_[matched_]);
        if (matching_ && ++matched_ == pattern_.size() && !tagged_) {
            completionSeen_ = true;
        }
        return;
    }
    matching_ = false;
    if (afterOk_) {
        completionSeen_ = upper == 'K';
    } else if (upper == 'O') {
        afterOk_ = true;
        matching_ = true;
    } else if (upper == 'N' || upper == 'B') {
        completionSeen_ = true;
        refused_ = true;
    }
}

void TaggedReplyScanner::trackLiteral(char byte) {
    const bool digit = isAsciiDigit(byte);
    switch (literal_) {
    case Literal::Digits:
        if (digit && literalSize_ < 100000000) {
            literalSize_ = literalSize_ * 10 + static_cast<std::uint64_t>(byte - '0');
            return;
        }
        literal_ = byte == '}' ? Literal::Closed : Literal::None;
        return;
    case Literal::Closed:
        literal_ = byte == '\r' ? Literal::Cr : Literal::None;
        return;
    case Literal::Cr:
        literal_ = Literal::None;
        if (byte == '\n') {
            literalLeft_ = literalSize_;
        }
        return;
    case Literal::None:
        break;
    }
    if (byte == '{') {
        literal_ = Literal::Digits;
        literalSize_ = 0;
    }
}

std::string imapTag(int tagCounter) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03d", tagCounter);
    return "a" + std::string(digits);
}

} // namespace ombrix
