#include "config/mail_list_file.h"

#include "config/byte_stream.h"
#include "config/obx_schema.h"
#include "core/account_table.h"

#include <algorithm>

namespace ombrix {
namespace {

void encodeMail(ByteWriter& out, const AccountRecord& a, int i) {
    out.string(a.from[i]);
    out.string(a.subject[i]);
    out.string(a.date[i]);
    out.shiftedString(a.bodyPreview[i], schema::kPreviewShift);
    out.u8(a.month[i]);
    out.u8(a.day[i]);
    out.u16(static_cast<std::uint16_t>(a.year[i]));
    out.u16(static_cast<std::uint16_t>(a.serverPosition[i]));
    out.string(a.uid[i]);
    out.raw(schema::kSizeMarker);
    out.u32(static_cast<std::uint32_t>(a.size[i]));
}

// Entry i, in file order, straight into the account's arrays (no copy of a
// field on the way); false when the bytes run out on the way.
bool decodeMail(ByteReader& in, AccountRecord& a, int i) {
    in.stringInto(a.from[i]);
    in.stringInto(a.subject[i]);
    in.stringInto(a.date[i]);
    in.unshiftedStringInto(a.bodyPreview[i], schema::kPreviewShift);
    const auto month = in.u8();
    const auto day = in.u8();
    const auto year = in.u16();
    const auto position = in.u16();
    in.stringInto(a.uid[i]);
    in.skip(schema::kSizeMarker.size()); // the marker is read, never checked
    const auto size = in.u32();
    if (in.failed())
        return false;
    a.month[i] = *month;
    a.day[i] = *day;
    a.year[i] = *year;
    a.serverPosition[i] = *position;
    a.size[i] = static_cast<std::int32_t>(*size);
    a.read[i] = 0;
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
    for (int i = 0; i < *count; ++i) {
        const bool kept = detail == ListDetail::Entries && i < kMaxMails;
        if (!(kept ? decodeMail(in, account, i) : skipMail(in)))
            return false;
    }
    std::string uidValidity;
    std::string uidNext;
    in.stringInto(uidValidity);
    in.stringInto(uidNext);
    if (in.failed())
        return false;
    account.mailCount = std::min<int>(*count, kMaxMails);
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
            return;
        }
    }
}

void decodeMailListFile(std::string_view bytes, ListDetail detail) {
    ByteReader in(bytes);
    decodeMailListFile(in, detail);
}

} // namespace ombrix
