// libFuzzer entry: the first two bytes pick the first message number and how
// many messages the list holds; the rest is the reply to "FETCH first:* UID".
// Each UID found must be the digits that open the value of a UID item of a
// response about that very mail, never text of another mail or of another
// item, and every mail that a response names by its (first) UID item must
// get one.

#include "platform/ascii.h"
#include "proto/imap_fetch_items.h"
#include "proto/imap_fetch_response.h"
#include "support/fuzz_support.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

using ombrix::fuzz::require;

using ombrix::ImapFetchItem;

bool inside(std::string_view part, std::string_view whole) {
    return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

bool isUidItem(const ImapFetchItem& item) {
    return ombrix::imapItemIs(item, "UID") && item.form == ImapFetchItem::Form::Atom;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::uint64_t first = 1 + data[0] % 16;
    const int count = data[1] % 40;
    const std::string_view reply(reinterpret_cast<const char*>(data + 2), size - 2);

    const std::vector<std::string_view> uids = ombrix::imapFetchUids(reply, first, count);
    require(uids.size() == static_cast<std::size_t>(count));

    std::vector<bool> named(uids.size(), false); // a response gave the mail a UID
    std::vector<bool> placed(uids.size(), false);
    ombrix::forEachImapFetchResponse(reply, [&](std::uint64_t number, std::string_view response) {
        const bool listed = number >= first && number - first < uids.size();
        bool firstUid = true; // a response names its mail by its first UID item
        for (const ImapFetchItem& item : ombrix::imapFetchItems(response)) {
            if (!isUidItem(item))
                continue;
            if (listed && firstUid && !item.raw.empty() && ombrix::isAsciiDigit(item.raw.front()))
                named[number - first] = true;
            firstUid = false;
            for (std::size_t k = 0; k < uids.size(); ++k)
                if (!uids[k].empty() && uids[k].data() == item.raw.data())
                    placed[k] = placed[k] || number == first + k;
        }
    });
    for (std::size_t k = 0; k < uids.size(); ++k) {
        const std::string_view uid = uids[k];
        require(uid.empty() == !named[k]);
        if (uid.empty())
            continue;
        require(inside(uid, reply) && std::ranges::all_of(uid, ombrix::isAsciiDigit));
        require(placed[k]);
    }
    (void)ombrix::imapRfc822Size(reply);
    return 0;
}
