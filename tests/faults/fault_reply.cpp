#include "faults/fault_reply.h"

#include "platform/ascii.h"

#include <algorithm>

namespace ombrix::test {
namespace {

constexpr const char* kHugeNumber = "98765432109876543210";
constexpr std::size_t kLiteralLie = 1000;

// A number stands free when neither a letter, a digit, '{' nor '-' touches it.
bool bordersNumber(char c) {
    return c == ' ' || c == '(' || c == ')' || c == '[' || c == ']' || c == '\r' || c == '\n';
}

} // namespace

Reply& Reply::text(std::string bytes) {
    lines_.push_back({{{ReplyPiece::Kind::Text, std::move(bytes), 0}}, false, 0});
    return *this;
}

Reply& Reply::listed(int message, std::string bytes) {
    lines_.push_back({{{ReplyPiece::Kind::Text, std::move(bytes), 0}}, true, message});
    return *this;
}

Reply& Reply::append(std::string bytes) {
    if (lines_.empty())
        return text(std::move(bytes));
    lines_.back().pieces.push_back({ReplyPiece::Kind::Text, std::move(bytes), 0});
    return *this;
}

Reply& Reply::literal(std::string bytes) {
    if (lines_.empty())
        text("");
    const std::size_t size = bytes.size();
    lines_.back().pieces.push_back({ReplyPiece::Kind::Literal, std::move(bytes), size});
    return *this;
}

Reply& Reply::data(std::string bytes) {
    lines_.push_back({{{ReplyPiece::Kind::Data, std::move(bytes), 0}}, false, 0});
    return *this;
}

std::string Reply::render() const {
    std::string out;
    for (const ReplyLine& line : lines_) {
        for (const ReplyPiece& piece : line.pieces) {
            if (piece.kind == ReplyPiece::Kind::Literal)
                out += "{" + std::to_string(piece.claimed) + "}\r\n";
            out += piece.bytes;
        }
    }
    return out;
}

void Reply::hugeCounts() {
    for (ReplyLine& line : lines_)
        for (ReplyPiece& piece : line.pieces)
            if (piece.kind == ReplyPiece::Kind::Text)
                piece.bytes = withHugeNumbers(piece.bytes);
}

void Reply::lieAboutFirstLiteral() {
    for (ReplyLine& line : lines_) {
        for (ReplyPiece& piece : line.pieces) {
            if (piece.kind == ReplyPiece::Kind::Literal) {
                piece.claimed = piece.bytes.size() + kLiteralLie;
                return;
            }
        }
    }
}

void Reply::insertNul() {
    if (lines_.empty() || lines_.front().pieces.empty())
        return;
    std::string& first = lines_.front().pieces.front().bytes;
    const std::size_t space = first.find(' ');
    first.insert(space == std::string::npos ? 0 : space, 1, '\0');
}

void Reply::reverseListing() {
    auto first = std::ranges::find_if(lines_, [](const ReplyLine& l) { return l.listed; });
    auto last = std::find_if(first, lines_.end(), [](const ReplyLine& l) { return !l.listed; });
    std::reverse(first, last);
}

void Reply::addFlagUpdates() {
    std::vector<ReplyLine> lines;
    for (ReplyLine& line : lines_) {
        if (line.listed) {
            const std::string update =
                "* " + std::to_string(line.message) + " FETCH (FLAGS (\\Seen))\r\n";
            lines.push_back({{{ReplyPiece::Kind::Text, update, 0}}, false, 0});
        }
        lines.push_back(std::move(line));
    }
    // And one about a mail the reply is not about at all.
    lines.insert(
        lines.begin(),
        ReplyLine{{{ReplyPiece::Kind::Text, "* 1 FETCH (FLAGS (\\Recent))\r\n", 0}}, false, 0});
    lines_ = std::move(lines);
}

std::string withHugeNumbers(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const bool starts = isAsciiDigit(text[i]) && (i == 0 || bordersNumber(text[i - 1]));
        if (!starts) {
            out += text[i++];
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && isAsciiDigit(text[end]))
            ++end;
        if (end == text.size() || bordersNumber(text[end]))
            out += kHugeNumber;
        else
            out.append(text, i, end - i);
        i = end;
    }
    return out;
}

} // namespace ombrix::test
