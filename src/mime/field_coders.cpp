#include "mime/field_coders.h"

#include "mime/char_classes.h"
#include "mime/charset_conversion.h"
#include "mime/transfer_coders.h"
#include "platform/ascii.h"

#include <algorithm>
#include <optional>

namespace ombrix::mime {
namespace {

struct EncodedWord {
    std::string_view charset;
    char encoding = 0; // 'b' or 'q'
    std::string_view text;
    std::size_t end = 0; // position after the closing "?=" (or the end of the value)
};

// "=?" charset "?" (B|Q) "?" text "?=": the text may run to the end of the value.
std::optional<EncodedWord> readEncodedWord(std::string_view value, std::size_t start) {
    const std::size_t charsetStart = start + 2;
    const std::size_t charsetEnd = value.find('?', charsetStart);
    if (charsetEnd == std::string_view::npos || value.size() - charsetEnd < 3)
        return std::nullopt;
    const char letter = static_cast<char>(value[charsetEnd + 1] | 0x20);
    if ((letter != 'b' && letter != 'q') || value[charsetEnd + 2] != '?')
        return std::nullopt;
    const std::size_t textStart = charsetEnd + 3;
    const std::size_t textEnd = std::min(value.find("?=", textStart), value.size());
    EncodedWord word;
    word.charset = value.substr(charsetStart, charsetEnd - charsetStart);
    word.encoding = letter;
    word.text = value.substr(textStart, textEnd - textStart);
    word.end = std::min(textEnd + 2, value.size());
    return word;
}

void appendDecoded(const EncodedWord& word, std::string& out) {
    static const Base64Coder base64;
    static const QuotedPrintableCoder qWord(QuotedPrintableCoder::Underscore::AsBlank);
    const Coder& coder = word.encoding == 'b' ? static_cast<const Coder&>(base64) : qWord;
    const std::size_t oldSize = out.size();
    out.resize(oldSize + coder.decodedLength(word.text));
    const std::size_t written = coder.decode(word.text, out.data() + oldSize, out.size() - oldSize);
    out.resize(oldSize + written);
}

bool onlyWhiteSpace(std::string_view text) {
    return std::all_of(text.begin(), text.end(), isWhiteSpace);
}

// Encoded words that follow each other in one charset convert together: senders
// split a character across two words, and a stateful charset runs on.
class WordRun {
public:
    void add(const EncodedWord& word, std::string& out) {
        if (open_ && !equalsIgnoringCase(charset_, word.charset))
            finish(out);
        if (!open_)
            charset_.assign(word.charset);
        open_ = true;
        appendDecoded(word, bytes_);
    }

    // Appends the run as UTF-8, or as its bytes when the charset is unknown.
    void finish(std::string& out) {
        if (!open_)
            return;
        const std::optional<std::string> text = convertToUtf8(charset_, bytes_);
        out.append(text ? *text : bytes_);
        bytes_.clear();
        open_ = false;
    }

private:
    std::string charset_;
    std::string bytes_;
    bool open_ = false;
};

} // namespace

void FieldCoder::decode(std::string_view raw, HeaderField& field) const {
    field.charset.clear();
    field.value = decodeEncodedWords(raw, field.charset);
}

std::string decodeEncodedWords(std::string_view raw, std::string& charset) {
    std::string out;
    out.reserve(raw.size());
    bool afterEncodedWord = false;
    bool charsetSeen = false;
    WordRun run;
    std::size_t pos = 0;
    while (pos < raw.size()) {
        const std::size_t next = raw.find("=?", pos);
        const std::size_t plainEnd = next == std::string_view::npos ? raw.size() : next;
        std::optional<EncodedWord> word;
        if (next != std::string_view::npos)
            word = readEncodedWord(raw, next);
        const std::string_view plain = raw.substr(pos, plainEnd - pos);
        if (!(word && afterEncodedWord && onlyWhiteSpace(plain))) {
            run.finish(out);
            out.append(plain);
        }
        if (!word) {
            run.finish(out);
            if (next == std::string_view::npos)
                break;
            out.append("=?"); // not an encoded word after all: plain text
            pos = next + 2;
            afterEncodedWord = false;
            continue;
        }
        if (!charsetSeen) {
            charset.assign(word->charset);
            charsetSeen = true;
        }
        run.add(*word, out);
        pos = word->end;
        afterEncodedWord = true;
    }
    run.finish(out);
    return out;
}

} // namespace ombrix::mime
