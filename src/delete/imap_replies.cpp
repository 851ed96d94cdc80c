#include "delete/imap_replies.h"

#include "platform/ascii.h"

#include <algorithm>
#include <charconv>

namespace ombrix {

namespace {

// Longer literals than this are no header of one field.
constexpr std::uint64_t kMaxLiteral = 100000000;

std::optional<std::uint32_t> number(std::string_view digits) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
        !isAsciiDigit(digits.front()))
        return std::nullopt;
    return value;
}

// The words of the untagged response "* NAME words..." that opens `line`
// (without its line end), or none when the line is another response.
std::optional<std::vector<std::string_view>> untaggedWords(std::string_view line,
                                                           std::string_view name) {
    if (!line.starts_with("* "))
        return std::nullopt;
    std::vector<std::string_view> words;
    std::size_t pos = 2;
    while (pos < line.size()) {
        const std::size_t blank = std::min(line.find(' ', pos), line.size());
        if (blank > pos)
            words.push_back(line.substr(pos, blank - pos));
        pos = blank + 1;
    }
    if (words.empty() || !equalsIgnoringCase(words.front(), name))
        return std::nullopt;
    words.erase(words.begin());
    return words;
}

// Each line of the reply without its line end.
template <class Visit> void forEachLine(std::string_view reply, Visit visit) {
    std::size_t pos = 0;
    while (pos < reply.size()) {
        const std::size_t lf = std::min(reply.find('\n', pos), reply.size());
        std::string_view line = reply.substr(pos, lf - pos);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        visit(line);
        pos = lf + 1;
    }
}

// A reader over one reply that never moves past its end; every read that
// does not find what it expects fails and leaves the reply unread for good.
class Cursor {
public:
    explicit Cursor(std::string_view text, std::size_t pos = 0) : text_(text), pos_(pos) {}

    bool ok() const { return ok_; }
    std::size_t pos() const { return pos_; }
    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[pos_]; }

    bool take(char c) {
        if (ok_ && peek() == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    void expect(char c) { ok_ = take(c) && ok_; }
    void fail() { ok_ = false; }

    // "* n FETCH (" at the cursor, any case; the cursor then stands on "(".
    bool fetchStart() {
        if (text_.substr(pos_, 2) != "* ")
            return false;
        std::size_t end = pos_ + 2;
        while (end < text_.size() && isAsciiDigit(text_[end]))
            ++end;
        if (end == pos_ + 2 || !equalsIgnoringCase(text_.substr(end, 8), " FETCH ("))
            return false;
        pos_ = end + 7;
        return true;
    }

    // An item name: atom characters, a section "[...]" taken whole (it holds
    // blanks and parentheses), and a partial "<n>".
    std::string_view itemName() {
        const std::size_t start = pos_;
        while (ok_ && !atEnd() && peek() != ' ' && peek() != ')') {
            if (take('['))
                skipPast(']');
            else if (take('<'))
                skipPast('>');
            else
                ++pos_;
        }
        return text_.substr(start, pos_ - start);
    }

    // A value: an atom or number, a quoted string, a literal, or a
    // parenthesised list (skipped). `text` receives strings and atoms.
    void value(std::string& text) {
        if (peek() == '(')
            skipList();
        else
            scalar(text);
    }

    // A list with every list inside it. The server decides how deep they
    // nest, so the depth is counted, never recursed into.
    void skipList() {
        std::string ignored;
        std::size_t depth = 0;
        do {
            if (atEnd())
                return fail();
            if (take('('))
                ++depth;
            else if (take(')'))
                --depth;
            else if (!take(' '))
                scalar(ignored);
        } while (ok_ && depth > 0);
    }

    // Past the next line feed, skipping any literal that ends a line on the
    // way. A literal that the reply ends inside (cut where the buffer was
    // full) takes the rest: its text must not be read as responses.
    void skipLine() {
        while (!atEnd()) {
            std::string ignored;
            if (peek() == '{') {
                literal(ignored);
                if (!ok_ && literalCut_) {
                    pos_ = text_.size();
                    return;
                }
                ok_ = true;
            } else if (text_[pos_++] == '\n') {
                return;
            }
        }
    }

private:
    void skipPast(char close) {
        const std::size_t found = text_.find(close, pos_);
        if (found == std::string_view::npos)
            return fail();
        pos_ = found + 1;
    }

    void scalar(std::string& text) {
        if (peek() == '"')
            quoted(text);
        else if (peek() == '{')
            literal(text);
        else
            atom(text);
    }

    void quoted(std::string& text) {
        expect('"');
        text.clear();
        while (ok_ && !take('"')) {
            if (atEnd() || peek() == '\r' || peek() == '\n')
                return fail();
            if (take('\\') && atEnd())
                return fail();
            text += text_[pos_++];
        }
    }

    // "{n}" CR LF and n octets, all of which must be in the reply.
    void literal(std::string& text) {
        expect('{');
        std::uint64_t size = 0;
        const std::size_t digitsStart = pos_;
        while (ok_ && isAsciiDigit(peek()) && size <= kMaxLiteral)
            size = size * 10 + static_cast<std::uint64_t>(text_[pos_++] - '0');
        if (pos_ == digitsStart || size > kMaxLiteral)
            fail();
        expect('}');
        expect('\r');
        expect('\n');
        literalCut_ = ok_ && text_.size() - pos_ < size;
        if (!ok_ || literalCut_)
            return fail();
        text.assign(text_.substr(pos_, size));
        pos_ += size;
    }

    void atom(std::string& text) {
        const std::size_t start = pos_;
        while (!atEnd() && peek() != ' ' && peek() != ')' && peek() != '\r' && peek() != '\n')
            ++pos_;
        if (pos_ == start)
            fail();
        text.assign(text_.substr(start, pos_ - start));
    }

    std::string_view text_;
    std::size_t pos_;
    bool ok_ = true;
    bool literalCut_ = false; // the last literal announced more than the reply holds
};

struct FetchResponse {
    std::optional<std::uint32_t> uid;
    std::optional<std::string> body;
};

// The items of one FETCH response; the cursor stands on its "(".
std::optional<FetchResponse> fetchItems(Cursor& cursor) {
    FetchResponse response;
    cursor.expect('(');
    while (cursor.ok() && !cursor.take(')')) {
        cursor.take(' ');
        const std::string_view name = cursor.itemName();
        cursor.expect(' ');
        std::string value;
        const bool isNil = cursor.peek() == 'N' || cursor.peek() == 'n';
        cursor.value(value);
        if (equalsIgnoringCase(name, "UID"))
            response.uid = number(value);
        else if (name.size() > 5 && equalsIgnoringCase(name.substr(0, 5), "BODY[") && !isNil)
            response.body = std::move(value);
        if (cursor.atEnd())
            cursor.fail();
    }
    if (!cursor.ok())
        return std::nullopt;
    return response;
}

} // namespace

bool imapAnnounces(std::string_view reply, std::string_view capability) {
    bool announced = false;
    forEachLine(reply, [&](std::string_view line) {
        if (const auto words = untaggedWords(line, "CAPABILITY"))
            announced = announced || std::ranges::any_of(*words, [&](std::string_view word) {
                            return equalsIgnoringCase(word, capability);
                        });
    });
    return announced;
}

std::optional<std::vector<std::uint32_t>> imapSearchNumbers(std::string_view reply) {
    std::optional<std::vector<std::uint32_t>> numbers;
    forEachLine(reply, [&](std::string_view line) {
        const auto words = untaggedWords(line, "SEARCH");
        if (!words)
            return;
        if (!numbers)
            numbers.emplace();
        for (const std::string_view word : *words)
            if (const auto value = number(word))
                numbers->push_back(*value);
    });
    return numbers;
}

std::optional<std::string> imapFetchedBody(std::string_view reply, std::uint32_t uid) {
    Cursor cursor(reply);
    while (!cursor.atEnd()) {
        if (!cursor.fetchStart()) {
            cursor.skipLine();
            continue;
        }
        std::optional<FetchResponse> response = fetchItems(cursor);
        if (!response)
            return std::nullopt; // cut or garbled: nothing after it can be trusted
        if (response->uid == uid && response->body)
            return std::move(response->body);
        cursor.skipLine();
    }
    return std::nullopt;
}

std::optional<std::uint32_t> imapUidNumber(std::string_view storedUid) {
    std::string digits(storedUid);
    std::erase(digits, ' ');
    const std::optional<std::uint32_t> value = number(digits);
    if (!value || *value == 0)
        return std::nullopt;
    return value;
}

} // namespace ombrix
