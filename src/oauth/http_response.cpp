#include "oauth/http_response.h"

#include "platform/ascii.h"

#include <algorithm>
#include <charconv>

namespace ombrix::oauth {
namespace {

struct Head {
    int status = 0;
    std::optional<std::size_t> contentLength;
    bool chunked = false;
    std::string location;
};

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

template <class Number> std::optional<Number> numberOf(std::string_view text, int base = 10) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// status-line = HTTP-version SP status-code SP reason-phrase, status-code =
// 3DIGIT; a bare "200" without the reason is taken as well.
std::optional<int> statusOf(std::string_view line) {
    if (!line.starts_with("HTTP/1.") || line.size() < 12 || line[8] != ' ' ||
        (line.size() > 12 && line[12] != ' '))
        return std::nullopt;
    const std::string_view code = line.substr(9, 3);
    if (!std::ranges::all_of(code, [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return numberOf<int>(code);
}

std::optional<Head> headOf(std::string_view headText) {
    Head head;
    std::size_t lineEnd = headText.find('\n');
    const std::optional<int> status = statusOf(trimmed(headText.substr(0, lineEnd)));
    if (!status)
        return std::nullopt;
    head.status = *status;
    while (lineEnd != std::string_view::npos) {
        headText.remove_prefix(lineEnd + 1);
        lineEnd = headText.find('\n');
        const std::string_view line = headText.substr(0, lineEnd);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string name = asciiLowercase(trimmed(line.substr(0, colon)));
        const std::string_view value = trimmed(line.substr(colon + 1));
        if (name == "content-length") {
            // Two lengths that differ leave the body's end open (RFC 9112,
            // section 6.3): no answer rather than a guess.
            const std::optional<std::size_t> length = numberOf<std::size_t>(value);
            if (!length || (head.contentLength && *head.contentLength != *length))
                return std::nullopt;
            head.contentLength = length;
        } else if (name == "transfer-encoding") {
            head.chunked = asciiLowercase(value).find("chunked") != std::string::npos;
        } else if (name == "location") {
            head.location = std::string(value);
        }
    }
    return head;
}

// chunk = chunk-size [ chunk-ext ] CRLF chunk-data CRLF, ended by a chunk of
// size 0 (its trailer is not waited for: nothing in it matters here).
ResponseState dechunked(std::string_view body, std::string& out) {
    for (;;) {
        const std::size_t lineEnd = body.find("\r\n");
        if (lineEnd == std::string_view::npos)
            return ResponseState::Incomplete;
        std::string_view sizeText = body.substr(0, lineEnd);
        sizeText = trimmed(sizeText.substr(0, sizeText.find(';')));
        const std::optional<std::size_t> size = numberOf<std::size_t>(sizeText, 16);
        if (!size || *size > kMaxResponseBytes)
            return ResponseState::Malformed;
        body.remove_prefix(lineEnd + 2);
        if (*size == 0)
            return ResponseState::Complete;
        if (body.size() < *size + 2)
            return ResponseState::Incomplete;
        if (body.substr(*size, 2) != "\r\n")
            return ResponseState::Malformed; // the chunk is longer than its size says
        out.append(body.substr(0, *size));
        body.remove_prefix(*size + 2);
    }
}

} // namespace

ResponseRead readHttpResponse(std::string_view received, bool ended) {
    ResponseRead read;
    if (received.size() > kMaxResponseBytes) {
        read.state = ResponseState::Malformed;
        return read;
    }
    const std::size_t headEnd = received.find("\r\n\r\n");
    if (headEnd == std::string_view::npos) {
        read.state = ended ? ResponseState::Malformed : ResponseState::Incomplete;
        return read;
    }
    const std::optional<Head> head = headOf(received.substr(0, headEnd));
    if (!head) {
        read.state = ResponseState::Malformed;
        return read;
    }
    read.response.status = head->status;
    read.response.location = head->location;
    const std::string_view body = received.substr(headEnd + 4);
    if (head->status == 204 || head->status == 304) {
        // These end at their head whatever it says (RFC 9112, section 6.3):
        // bytes after it are no body of theirs, and taken as one they would
        // make the answer depend on how the bytes arrived.
        read.state = ResponseState::Complete;
    } else if (head->chunked) {
        read.state = dechunked(body, read.response.body);
    } else if (head->contentLength) {
        if (body.size() >= *head->contentLength) {
            read.response.body = std::string(body.substr(0, *head->contentLength));
            read.state = ResponseState::Complete;
        }
    } else if (ended) {
        read.response.body = std::string(body);
        read.state = ResponseState::Complete;
    }
    if (read.state == ResponseState::Incomplete && ended)
        read.state = ResponseState::Malformed;
    return read;
}

} // namespace ombrix::oauth
