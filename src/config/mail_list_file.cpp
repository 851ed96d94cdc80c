#include "config/mail_list_file.h"

#include "config/byte_stream.h"
#include "config/obx_schema.h"
#include "core/account_table.h"

#include <algorithm>
#include <utility>

namespace ombrix {
namespace {

void encodeMail(ByteWriter& out, const AccountRecord& a, int i) {
    out.string(a.mails.from(i));
    out.string(a.mails.subject(i));
    out.string(a.mails.date(i));
    out.shiftedString(a.mails.bodyPreview(i), schema::kPreviewShift);
    out.u8(a.mails[i].month);
    out.u8(a.mails[i].day);
    out.u16(static_cast<std::uint16_t>(a.mails[i].year));
    out.u16(static_cast<std::uint16_t>(a.mails[i].serverPosition));
    out.string(a.mails.uid(i));
    out.raw(schema::kSizeMarker);
    out.u32(static_cast<std::uint32_t>(a.mails[i].size));
}

// Entry i, in file order, straight into the list's texts (no copy of a
// field on the way); false when the bytes run out on the way.
bool decodeMail(ByteReader& in, MailList& list, int i) {
    const auto into = [&list, i](MailText field) {
        return [&list, i, field](std::size_t length) { return list.placeText(i, field, length); };
    };
    in.unshiftedStringInto(into(MailText::From), 0);
    in.unshiftedStringInto(into(MailText::Subject), 0);
    in.unshiftedStringInto(into(MailText::Date), 0);
    in.unshiftedStringInto(into(MailText::BodyPreview), schema::kPreviewShift);
    const auto month = in.u8();
    const auto day = in.u8();
    const auto year = in.u16();
    const auto position = in.u16();
    in.unshiftedStringInto(into(MailText::Uid), 0);
    in.skip(schema::kSizeMarker.size()); // the marker is read, never checked
    const auto size = in.u32();
    if (in.failed())
        return false;
    MailFields& m = list[i];
    m.month = *month;
    m.day = *day;
    m.year = *year;
    m.serverPosition = *position;
    m.size = static_cast<std::int32_t>(*size);
    m.read = 0;
    return true;
}

// An entry that is not kept: its lengths are followed, its bytes not copied.
bool skipMail(ByteReader& in) {
    constexpr std::size_t kNumbers = 1 + 1 + 2 + 2; // month, day, year, position
    for (int text = 0; text < 4; ++text)
        in.skipString();
    in.skip(kNumbers);
    in.skipString();
    in.skip(schema::kSizeMarker.size() + 4);
    return !in.failed();
}

// One account's part; false when the bytes ended inside it.
bool decodeAccountList(ByteReader& in, AccountRecord& account, ListDetail detail) {
    const auto count = in.u16();
    in.u8(); // separator
    if (in.failed())
        return false;
    MailList list;
    list.reserve(std::min<int>(*count, kMaxMails), 0);
    for (int i = 0; i < *count; ++i) {
        const bool kept = detail == ListDetail::Entries && i < kMaxMails;
        if (!(kept ? decodeMail(in, list, i) : skipMail(in)))
            return false;
    }
    std::string uidValidity;
    std::string uidNext;
    in.stringInto(uidValidity);
    in.stringInto(uidNext);
    if (in.failed())
        return false;
    account.mailCount = std::min<int>(*count, kMaxMails);
    if (detail == ListDetail::Entries) {
        list.shrinkToFit(); // the arena grew by doubling; realloc copies nothing
        account.mails = std::move(list);
    }
    account.errorFlag = 0;
    account.checked = 1;
    account.uidValidity = std::move(uidValidity);
    account.uidNext = std::move(uidNext);
    return true;
}

} // namespace

void encodeMailListFile(ByteWriter& out) {
    const auto count = std::min<std::uint32_t>(accountCount, kMaxAccounts);
    for (std::uint32_t k = 0; k < count; ++k) {
        const AccountRecord& a = accounts[k];
        const int mails = validMailCount(a);
        out.u16(static_cast<std::uint16_t>(mails));
        out.u8(schema::kMailCountSeparator);
        for (int i = 0; i < mails; ++i)
            encodeMail(out, a, i);
        out.string(a.uidValidity);
        out.string(a.uidNext);
    }
    out.flush();
}

std::string encodeMailListFile() {
    ByteWriter out;
    encodeMailListFile(out);
    return out.bytes();
}

void decodeMailListFile(ByteReader& in, ListDetail detail) {
    const auto count = std::min<std::uint32_t>(accountCount, kMaxAccounts);
    for (std::uint32_t k = 0; k < count; ++k) {
        if (!decodeAccountList(in, accounts[k], detail)) {
            accounts[k].mailCount = 0;
            if (detail == ListDetail::Entries)
                accounts[k].mails.clear();
            return;
        }
    }
}

void decodeMailListFile(std::string_view bytes, ListDetail detail) {
    ByteReader in(bytes);
    decodeMailListFile(in, detail);
}

} // namespace ombrix
