#include "proto/imap_fetch_response.h"

#include "platform/ascii.h"
#include "proto/imap_literal.h"

#include <algorithm>
#include <charconv>

namespace ombrix {

namespace {

// The digits of the UID item of a FETCH response; empty without one (a flag
// update, for instance).
std::string_view uidValue(std::string_view response) {
    for (const ImapFetchItem& item : imapFetchItems(response)) {
        if (!imapItemIs(item, "UID") || item.form != ImapFetchItem::Form::Atom)
            continue;
        const std::string_view value = item.raw;
        const auto digits =
            std::find_if(value.begin(), value.end(), [](char c) { return !isAsciiDigit(c); });
        return value.substr(0, static_cast<std::size_t>(digits - value.begin()));
    }
    return {};
}

// Where the response that opens at `pos` ends: past the line end that no
// literal follows, or at the reply's end.
std::size_t responseEnd(std::string_view reply, std::size_t pos) {
    for (;;) {
        const std::size_t lf = reply.find('\n', pos);
        const std::string_view line =
            reply.substr(pos, lf == std::string_view::npos ? lf : lf - pos);
        if (lf == std::string_view::npos)
            return reply.size();
        pos = lf + 1;
        const std::optional<std::uint64_t> literal = imapLiteralAnnounced(line);
        if (!literal)
            return pos;
        if (*literal >= reply.size() - pos)
            return reply.size();
        pos += static_cast<std::size_t>(*literal);
    }
}

// Whether the response opens with "* " digits " EXPUNGE" and its line end.
bool isExpunge(std::string_view response) {
    if (!response.starts_with("* "))
        return false;
    std::size_t end = 2;
    while (end < response.size() && isAsciiDigit(response[end]))
        ++end;
    const std::string_view rest = response.substr(end);
    return end > 2 && equalsIgnoringCase(rest.substr(0, 8), " EXPUNGE") &&
           (rest.size() == 8 || rest[8] == '\r' || rest[8] == '\n');
}

} // namespace

std::optional<std::uint64_t> imapFetchNumber(std::string_view line) {
    if (!line.starts_with("* "))
        return std::nullopt;
    std::size_t end = 2;
    while (end < line.size() && isAsciiDigit(line[end]))
        ++end;
    if (end == 2 || !equalsIgnoringCase(line.substr(end, 6), " FETCH"))
        return std::nullopt;
    std::uint64_t number = 0;
    const auto [stop, error] = std::from_chars(line.data() + 2, line.data() + end, number);
    if (error != std::errc{})
        return std::nullopt;
    return number;
}

void forEachImapFetchResponse(
    std::string_view reply,
    const std::function<void(std::uint64_t number, std::string_view response)>& visit) {
    for (std::size_t pos = 0; pos < reply.size();) {
        const std::size_t end = responseEnd(reply, pos);
        const std::string_view response = reply.substr(pos, end - pos);
        pos = end;
        if (const std::optional<std::uint64_t> number = imapFetchNumber(response))
            visit(*number, response);
    }
}

std::optional<ImapFetchItem> imapFetchItem(std::string_view reply, std::uint64_t number,
                                           std::string_view wanted) {
    std::optional<ImapFetchItem> found;
    forEachImapFetchResponse(reply, [&](std::uint64_t about, std::string_view response) {
        if (!found && about == number)
            found = imapFindItem(response, wanted);
    });
    return found;
}

bool imapReplyExpunges(std::string_view reply) {
    for (std::size_t pos = 0; pos < reply.size();) {
        const std::size_t end = responseEnd(reply, pos);
        if (isExpunge(reply.substr(pos, end - pos)))
            return true;
        pos = end;
    }
    return false;
}

std::vector<std::string_view> imapFetchUids(std::string_view reply, std::uint64_t first,
                                            int count) {
    std::vector<std::string_view> uids(static_cast<std::size_t>(count));
    forEachImapFetchResponse(reply, [&](std::uint64_t number, std::string_view response) {
        if (number < first || number - first >= uids.size())
            return;
        std::string_view& uid = uids[number - first];
        if (uid.empty())
            uid = uidValue(response);
    });
    return uids;
}

std::uint32_t imapRfc822Size(std::string_view reply) {
    const std::optional<ImapFetchItem> item = imapFindItem(reply, "RFC822.SIZE");
    return item ? imapSizeValue(item->raw) : 0;
}

std::uint32_t imapSizeValue(std::string_view value) {
    std::uint32_t size = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), size);
    if (error == std::errc::result_out_of_range)
        return UINT32_MAX;
    return end == value.data() ? 0 : size;
}

} // namespace ombrix
