#include "proto/imap_fetch_items.h"

#include "platform/ascii.h"
#include "proto/imap_fetch_response.h"

#include <cstdint>

namespace ombrix {

namespace {

// Longer literals than this are no mail the check could hold.
constexpr std::uint64_t kMaxLiteral = 100000000;

// A reader over one response that never moves past its end. A read that
// does not find what it expects fails, and nothing after it is read.
class ItemReader {
public:
    explicit ItemReader(std::string_view text) : text_(text) {}

    // Past "* n FETCH" and the blanks to the "(" that opens the items.
    bool open() {
        if (!imapFetchNumber(text_))
            return false;
        pos_ = text_.find(' ', 2) + 6;
        skipBlanks();
        return take('(');
    }

    // The next item; false at the close, the end, or a fault.
    bool next(ImapFetchItem& item) {
        skipBlanks();
        if (!ok_ || ended_ || atEnd() || peek() == ')')
            return false;
        item.name = name();
        skipBlanks();
        if (item.name.empty() || atEnd())
            return false;
        value(item);
        return ok_;
    }

    // Whether the reading stopped at the response's close: nothing cut,
    // nothing garbled.
    bool closed() const { return ok_ && !ended_ && !atEnd() && peek() == ')'; }

private:
    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return text_[pos_]; }
    bool take(char c) {
        if (atEnd() || peek() != c)
            return false;
        ++pos_;
        return true;
    }
    void skipBlanks() {
        while (take(' ')) {
        }
    }

    // Atom characters, a section "[...]" taken whole (it may hold blanks and
    // parentheses) and a partial "<n>".
    std::string_view name() {
        const std::size_t start = pos_;
        while (ok_ && !atEnd() && peek() != ' ' && peek() != ')' && peek() != '(' &&
               peek() != '\r' && peek() != '\n') {
            if (take('['))
                skipPast(']');
            else if (take('<'))
                skipPast('>');
            else
                ++pos_;
        }
        return ok_ ? text_.substr(start, pos_ - start) : std::string_view();
    }

    void skipPast(char close) {
        const std::size_t found = text_.find(close, pos_);
        ok_ = found != std::string_view::npos;
        pos_ = ok_ ? found + 1 : text_.size();
    }

    void value(ImapFetchItem& item) {
        const std::size_t start = pos_;
        if (peek() == '"') {
            item.form = ImapFetchItem::Form::Quoted;
            item.raw = quoted();
        } else if (peek() == '{') {
            item.form = ImapFetchItem::Form::Literal;
            item.raw = literal();
        } else if (peek() == '(') {
            item.form = ImapFetchItem::Form::List;
            skipList();
            item.raw = ok_ ? text_.substr(start, pos_ - start) : std::string_view();
        } else {
            item.raw = atom();
            item.form = equalsIgnoringCase(item.raw, "NIL") ? ImapFetchItem::Form::Nil
                                                            : ImapFetchItem::Form::Atom;
            if (item.form == ImapFetchItem::Form::Nil)
                item.raw = {};
        }
    }

    std::string_view quoted() {
        take('"');
        const std::size_t start = pos_;
        while (!atEnd() && peek() != '"') {
            if (peek() == '\r' || peek() == '\n')
                break;
            pos_ += peek() == '\\' ? 2 : 1;
        }
        ok_ = take('"');
        return ok_ ? text_.substr(start, pos_ - 1 - start) : std::string_view();
    }

    // "{n}" (or "{n+}") CR LF and n octets. A literal cut by the reply's end gives what
    // came of it and ends the reading.
    std::string_view literal() {
        take('{');
        std::uint64_t size = 0;
        const std::size_t digits = pos_;
        while (!atEnd() && isAsciiDigit(peek()) && size <= kMaxLiteral)
            size = size * 10 + static_cast<std::uint64_t>(text_[pos_++] - '0');
        take('+'); // LITERAL+ announces the same octets
        ok_ = pos_ > digits && size <= kMaxLiteral && take('}') && take('\r') && take('\n');
        if (!ok_)
            return {};
        const std::size_t start = pos_;
        if (size > text_.size() - pos_) {
            ended_ = true;
            pos_ = text_.size();
            return text_.substr(start);
        }
        pos_ += static_cast<std::size_t>(size);
        return text_.substr(start, static_cast<std::size_t>(size));
    }

    std::string_view atom() {
        const std::size_t start = pos_;
        while (!atEnd() && peek() != ' ' && peek() != ')' && peek() != '(' && peek() != '\r' &&
               peek() != '\n')
            ++pos_;
        ok_ = pos_ > start;
        return text_.substr(start, pos_ - start);
    }

    // A list with every list inside it; the server decides how deep they
    // nest, so the depth is counted, never recursed into.
    void skipList() {
        std::size_t depth = 0;
        do {
            if (atEnd()) {
                ok_ = false;
            } else if (take('(')) {
                ++depth;
            } else if (take(')')) {
                --depth;
            } else if (peek() == '"') {
                quoted();
            } else if (peek() == '{') {
                literal();
            } else {
                ++pos_;
            }
        } while (ok_ && depth > 0);
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    bool ok_ = true;
    bool ended_ = false; // the reply ended inside a literal
};

} // namespace

std::vector<ImapFetchItem> imapFetchItems(std::string_view response) {
    std::vector<ImapFetchItem> items;
    ItemReader reader(response);
    if (!reader.open())
        return items;
    for (ImapFetchItem item; reader.next(item);)
        items.push_back(item);
    return items;
}

std::optional<std::vector<ImapFetchItem>> imapFetchItemsWhole(std::string_view response) {
    std::vector<ImapFetchItem> items;
    ItemReader reader(response);
    if (!reader.open())
        return std::nullopt;
    for (ImapFetchItem item; reader.next(item);)
        items.push_back(item);
    if (!reader.closed())
        return std::nullopt;
    return items;
}

std::optional<ImapFetchItem> imapFindItem(std::string_view response, std::string_view wanted) {
    ItemReader reader(response);
    if (!reader.open())
        return std::nullopt;
    for (ImapFetchItem item; reader.next(item);)
        if (imapItemIs(item, wanted))
            return item;
    return std::nullopt;
}

bool imapItemIs(const ImapFetchItem& item, std::string_view wanted) {
    std::string_view name = item.name;
    if (name.ends_with('>') && !wanted.ends_with('>'))
        name = name.substr(0, name.rfind('<'));
    return equalsIgnoringCase(name, wanted);
}

std::string imapItemText(const ImapFetchItem& item) {
    std::string scratch;
    return std::string(imapItemView(item, scratch));
}

std::string_view imapItemView(const ImapFetchItem& item, std::string& scratch) {
    if (item.form != ImapFetchItem::Form::Quoted)
        return item.raw; // empty for NIL
    scratch.clear();
    for (std::size_t i = 0; i < item.raw.size(); ++i) {
        if (item.raw[i] == '\\' && i + 1 < item.raw.size())
            ++i;
        scratch += item.raw[i];
    }
    return scratch;
}

} // namespace ombrix
