#include "idle/idle_responses.h"

#include "platform/ascii.h"
#include "proto/imap_fetch_items.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace ombrix {
namespace {

// The word at `pos` up to the next blank (or the line's end); pos moves past
// the blank.
std::string_view nextWord(std::string_view line, std::size_t& pos) {
    const std::size_t begin = pos;
    const std::size_t blank = line.find(' ', begin);
    const std::size_t end = blank == std::string_view::npos ? line.size() : blank;
    pos = end == line.size() ? end : end + 1;
    return line.substr(begin, end - begin);
}

bool isNumber(std::string_view word) {
    return !word.empty() && std::all_of(word.begin(), word.end(), isAsciiDigit);
}

IdleEvent classifyUntagged(std::string_view line) {
    std::size_t pos = 2;
    const std::string_view first = nextWord(line, pos);
    if (equalsIgnoringCase(first, "BYE"))
        return IdleEvent::Bye;
    if (!isNumber(first))
        return IdleEvent::Other;
    const std::string_view keyword = nextWord(line, pos);
    if (equalsIgnoringCase(keyword, "EXISTS") || equalsIgnoringCase(keyword, "EXPUNGE"))
        return IdleEvent::MailboxChanged;
    if (equalsIgnoringCase(keyword, "FETCH") && imapFindItem(line, "FLAGS"))
        return IdleEvent::FlagsChanged;
    return IdleEvent::Other;
}

IdleEvent classifyTagged(std::string_view line, std::string_view tag) {
    std::size_t pos = tag.size() + 1;
    const std::string_view status = nextWord(line, pos);
    if (equalsIgnoringCase(status, "OK"))
        return IdleEvent::Completed;
    if (equalsIgnoringCase(status, "NO") || equalsIgnoringCase(status, "BAD"))
        return IdleEvent::Refused;
    return IdleEvent::Other;
}

// Each line of a reply without its CR LF, in order.
template <class Visit> void forEachLine(std::string_view text, Visit visit) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        visit(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// The digits right after `code` (found without regard to case) up to "]".
std::string responseCodeNumber(std::string_view line, std::string_view code) {
    for (std::size_t at = 0; at + code.size() <= line.size(); ++at) {
        if (!equalsIgnoringCase(line.substr(at, code.size()), code))
            continue;
        std::string_view rest = line.substr(at + code.size());
        const std::size_t digits = rest.find_first_not_of("0123456789");
        rest = rest.substr(0, digits);
        return std::string(rest);
    }
    return {};
}

} // namespace

bool listsCapability(std::string_view reply, std::string_view name) {
    bool listed = false;
    forEachLine(reply, [&](std::string_view line) {
        if (!startsWithIgnoringCase(line, "* CAPABILITY "))
            return;
        std::size_t pos = 13;
        while (pos < line.size())
            listed = equalsIgnoringCase(nextWord(line, pos), name) || listed;
    });
    return listed;
}

MailboxMark readMailboxMark(std::string_view examineReply) {
    MailboxMark mark;
    forEachLine(examineReply, [&](std::string_view line) {
        if (!line.starts_with("* "))
            return;
        std::size_t pos = 2;
        const std::string_view count = nextWord(line, pos);
        if (isNumber(count) && equalsIgnoringCase(nextWord(line, pos), "EXISTS"))
            mark.exists = std::string(count);
        if (std::string next = responseCodeNumber(line, "[UIDNEXT "); !next.empty())
            mark.uidNext = std::move(next);
    });
    return mark;
}

IdleEvent classifyIdleLine(std::string_view line, std::string_view tag) {
    if (line.starts_with("* "))
        return classifyUntagged(line);
    if (line.starts_with("+"))
        return IdleEvent::Continuation;
    if (!tag.empty() && line.size() > tag.size() && line[tag.size()] == ' ' &&
        equalsIgnoringCase(line.substr(0, tag.size()), tag))
        return classifyTagged(line, tag);
    return IdleEvent::Other;
}

void IdleLineReader::feed(std::string_view bytes, const std::function<void(IdleEvent)>& onEvent) {
    // The splitter stops at each tagged line; an IDLE connection goes on after it.
    while (!bytes.empty()) {
        const std::optional<std::size_t> consumed =
            splitter_.feed(bytes, [&](const ImapResponseSplitter::Response& response) {
                std::string_view line = response.text.substr(0, response.text.find('\n'));
                if (line.ends_with('\r'))
                    line.remove_suffix(1);
                onEvent(classifyIdleLine(line, tag_));
            });
        if (!consumed)
            return;
        bytes.remove_prefix(*consumed);
    }
}

} // namespace ombrix
