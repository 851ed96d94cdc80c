#include "proto/imap_response_splitter.h"

#include "proto/imap_literal.h"

#include <algorithm>

namespace ombrix {

namespace {

// Enough for "{", twenty digits, "+}" and the line end.
constexpr std::size_t kTailBytes = 32;

} // namespace

std::optional<std::size_t> ImapResponseSplitter::feed(std::string_view chunk,
                                                      const Visitor& visit) {
    std::size_t pos = 0;
    while (pos < chunk.size()) {
        if (literalLeft_ > 0) {
            const std::size_t taken =
                static_cast<std::size_t>(std::min<std::uint64_t>(literalLeft_, chunk.size() - pos));
            keep(chunk.substr(pos, taken));
            literalLeft_ -= taken;
            pos += taken;
            continue;
        }
        const std::size_t lineEnd = chunk.find('\n', pos);
        const std::size_t end = lineEnd == std::string_view::npos ? chunk.size() : lineEnd + 1;
        const std::string_view piece = chunk.substr(pos, end - pos);
        keep(piece);
        lineTail_.append(piece.substr(piece.size() - std::min(piece.size(), kTailBytes)));
        if (lineTail_.size() > kTailBytes)
            lineTail_.erase(0, lineTail_.size() - kTailBytes);
        pos = end;
        if (lineEnd == std::string_view::npos)
            break;
        if (const std::optional<std::uint64_t> literal = imapLiteralAnnounced(lineTail_)) {
            literalLeft_ = *literal;
            lineTail_.clear();
            continue;
        }
        const Kind kind = kindOfCurrent();
        visit(Response{kind, current_, cut_});
        current_.clear();
        lineTail_.clear();
        cut_ = false;
        if (kind == Kind::Tagged)
            return pos;
    }
    return std::nullopt;
}

void ImapResponseSplitter::keep(std::string_view bytes) {
    const std::size_t room = capacity_ - std::min(capacity_, current_.size());
    if (bytes.size() > room)
        cut_ = true;
    current_.append(bytes.substr(0, room));
}

ImapResponseSplitter::Kind ImapResponseSplitter::kindOfCurrent() const {
    if (current_.starts_with('*'))
        return Kind::Untagged;
    if (current_.starts_with('+'))
        return Kind::Continuation;
    return Kind::Tagged;
}

} // namespace ombrix
