#include "delete/imap_replies.h"

#include "platform/ascii.h"
#include "proto/imap_completion.h"
#include "proto/imap_fetch_items.h"
#include "proto/imap_fetch_response.h"

#include <algorithm>
#include <charconv>

namespace ombrix {

namespace {

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
    std::optional<std::string> body;
    bool broken = false;
    forEachImapFetchResponse(reply, [&](std::uint64_t, std::string_view response) {
        if (body || broken)
            return;
        const std::optional<std::vector<ImapFetchItem>> items = imapFetchItemsWhole(response);
        if (!items) {
            broken = true; // cut or garbled: nothing after it can be trusted
            return;
        }
        std::optional<std::uint32_t> named;
        std::optional<std::string> text;
        for (const ImapFetchItem& item : *items) {
            if (imapItemIs(item, "UID") && item.form == ImapFetchItem::Form::Atom)
                named = number(item.raw);
            else if (item.name.size() > 5 && equalsIgnoringCase(item.name.substr(0, 5), "BODY[") &&
                     item.form != ImapFetchItem::Form::Nil &&
                     item.form != ImapFetchItem::Form::List)
                text = imapItemText(item);
        }
        if (named == uid && text)
            body = std::move(text);
    });
    return body;
}

std::string imapUidValidity(std::string_view selectReply) {
    // "UIDVALIDITY" and one blank come before the value.
    constexpr std::size_t kValueOffset = 12;
    const std::size_t word = imapKeywordAt(selectReply, "UIDVALIDITY");
    std::string digits;
    if (word == std::string_view::npos)
        return digits;
    for (std::size_t pos = word + kValueOffset;
         pos < selectReply.size() && isAsciiDigit(selectReply[pos]); ++pos)
        digits += selectReply[pos];
    return digits;
}

std::string imapUidSet(std::span<const std::uint32_t> uids) {
    std::string set;
    for (const std::uint32_t uid : uids)
        set += (set.empty() ? "" : ",") + std::to_string(uid);
    return set;
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
