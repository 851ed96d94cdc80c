// libFuzzer entry: the input is a FETCH reply, its first byte steers where
// each response is cut. The responses must lie one after another inside the
// reply, each item inside its response and after the one before; a search by
// name must find the first item the list holds under that name; and a
// response cut short must give the items before the cut as they were, the
// last one with its name and the start of its value.

#include "proto/imap_fetch_items.h"
#include "proto/imap_fetch_response.h"
#include "support/fuzz_support.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using ombrix::fuzz::require;

using ombrix::ImapFetchItem;

bool inside(std::string_view part, std::string_view whole) {
    return part.empty() || (part.data() >= whole.data() &&
                            part.data() + part.size() <= whole.data() + whole.size());
}

bool sameView(std::string_view a, std::string_view b) {
    return a.size() == b.size() && (a.empty() || a.data() == b.data());
}

bool sameItem(const ImapFetchItem& a, const ImapFetchItem& b) {
    return sameView(a.name, b.name) && a.form == b.form && sameView(a.raw, b.raw);
}

bool sameFound(const std::optional<ImapFetchItem>& a, const std::optional<ImapFetchItem>& b) {
    return a.has_value() == b.has_value() && (!a || sameItem(*a, *b));
}

std::optional<ImapFetchItem> firstNamed(const std::vector<ImapFetchItem>& items,
                                        std::string_view wanted) {
    for (const ImapFetchItem& item : items)
        if (ombrix::imapItemIs(item, wanted))
            return item;
    return std::nullopt;
}

constexpr std::string_view kWanted[] = {"UID",          "FLAGS",      "RFC822.SIZE",
                                        "BODY[HEADER]", "BODY[TEXT]", "BODY[TEXT]<0>"};

void checkItems(std::string_view response, const std::vector<ImapFetchItem>& items) {
    const char* after = response.data();
    for (const ImapFetchItem& item : items) {
        require(!item.name.empty() && inside(item.name, response) && item.name.data() >= after);
        require(inside(item.raw, response));
        require(item.form != ImapFetchItem::Form::Nil || item.raw.empty());
        if (!item.raw.empty()) {
            require(item.raw.data() >= item.name.data() + item.name.size());
            after = item.raw.data() + item.raw.size();
        } else {
            after = item.name.data() + item.name.size();
        }
        std::string scratch;
        const std::string_view text = ombrix::imapItemView(item, scratch);
        require(text == ombrix::imapItemText(item));
        if (item.form == ImapFetchItem::Form::Quoted)
            require(text.size() <= item.raw.size());
        else
            require(sameView(text, item.raw));
        // A search by this item's own name stops at the first of that name.
        require(sameFound(ombrix::imapFindItem(response, item.name), firstNamed(items, item.name)));
    }
}

// The items of a response cut at `cut` against those of the whole one.
void checkCut(std::string_view response, const std::vector<ImapFetchItem>& items, std::size_t cut) {
    const std::vector<ImapFetchItem> before = ombrix::imapFetchItems(response.substr(0, cut));
    require(before.size() <= items.size());
    for (std::size_t i = 0; i + 1 < before.size(); ++i)
        require(sameItem(before[i], items[i]));
    if (before.empty())
        return;
    const ImapFetchItem& last = before.back();
    const ImapFetchItem& full = items[before.size() - 1];
    require(sameView(last.name, full.name));
    const bool nil = last.form == ImapFetchItem::Form::Nil || full.form == ImapFetchItem::Form::Nil;
    if (!nil) {
        require(last.form == full.form);
        require(last.raw.size() <= full.raw.size());
        require(last.raw.empty() || last.raw.data() == full.raw.data());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    std::uint32_t cutState = data[0] * 2654435761u + 1u;
    const std::string_view reply(reinterpret_cast<const char*>(data + 1), size - 1);

    struct Response {
        std::uint64_t number;
        std::string_view text;
    };
    std::vector<Response> responses;
    ombrix::forEachImapFetchResponse(reply, [&](std::uint64_t number, std::string_view text) {
        require(inside(text, reply) && !text.empty());
        require(responses.empty() ||
                text.data() >= responses.back().text.data() + responses.back().text.size());
        require(ombrix::imapFetchNumber(text) == number);
        responses.push_back({number, text});
    });

    for (const Response& response : responses) {
        const std::vector<ImapFetchItem> items = ombrix::imapFetchItems(response.text);
        checkItems(response.text, items);
        for (const std::string_view wanted : kWanted)
            require(
                sameFound(ombrix::imapFindItem(response.text, wanted), firstNamed(items, wanted)));
        cutState = cutState * 1103515245u + 12345u;
        checkCut(response.text, items, (cutState >> 8) % (response.text.size() + 1));
    }

    // The item of a mail comes from the first of its responses that has one
    // (a few mails: each look reads the whole reply).
    for (std::size_t i = 0; i < responses.size() && i < 8; ++i) {
        const Response& response = responses[i];
        for (const std::string_view wanted : kWanted) {
            std::optional<ImapFetchItem> expected;
            for (const Response& other : responses)
                if (!expected && other.number == response.number)
                    expected = ombrix::imapFindItem(other.text, wanted);
            require(sameFound(ombrix::imapFetchItem(reply, response.number, wanted), expected));
        }
    }
    (void)ombrix::imapReplyExpunges(reply);
    return 0;
}
