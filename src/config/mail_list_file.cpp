#include "config/mail_list_file.h"

#include "check/account_table.h"
#include "config/byte_stream.h"
#include "config/obx_schema.h"

#include <algorithm>

namespace ombrix {
namespace {

std::string shifted(std::string_view bytes, int shift) {
    std::string result(bytes);
    for (char& c : result)
        c = static_cast<char>(static_cast<std::uint8_t>(c) + shift);
    return result;
}

void encodeMail(ByteWriter& out, const AccountRecord& a, int i) {
    out.string(a.from[i]);
    out.string(a.subject[i]);
    out.string(a.date[i]);
    out.string(shifted(a.bodyPreview[i], schema::kPreviewShift));
    out.u8(a.month[i]);
    out.u8(a.day[i]);
    out.u16(static_cast<std::uint16_t>(a.year[i]));
    out.u16(static_cast<std::uint16_t>(a.serverPosition[i]));
    out.string(a.uid[i]);
    out.raw(schema::kSizeMarker);
    out.u32(static_cast<std::uint32_t>(a.size[i]));
}

// One entry, in file order; nothing when the bytes run out on the way.
std::optional<MailEntry> decodeMail(ByteReader& in) {
    MailEntry m;
    const auto from = in.string();
    const auto subject = in.string();
    const auto date = in.string();
    const auto preview = in.string();
    const auto month = in.u8();
    const auto day = in.u8();
    const auto year = in.u16();
    const auto position = in.u16();
    const auto uid = in.string();
    in.raw(schema::kSizeMarker.size()); // the marker is read, never checked
    const auto size = in.u32();
    if (in.failed())
        return std::nullopt;
    return MailEntry{.date = std::string(*date),
                     .bodyPreview = shifted(*preview, -schema::kPreviewShift),
                     .serverPosition = *position,
                     .read = 0,
                     .from = std::string(*from),
                     .subject = std::string(*subject),
                     .uid = std::string(*uid),
                     .day = *day,
                     .month = *month,
                     .year = *year,
                     .size = static_cast<std::int32_t>(*size)};
}

// One account's part; false when the bytes ended inside it.
bool decodeAccountList(ByteReader& in, AccountRecord& account) {
    const auto count = in.u16();
    in.u8(); // separator
    if (in.failed())
        return false;
    for (int i = 0; i < *count; ++i) {
        const auto mail = decodeMail(in);
        if (!mail)
            return false;
        if (i < kMaxMails)
            storeMail(account, i, *mail);
    }
    const auto uidValidity = in.string();
    const auto uidNext = in.string();
    if (in.failed())
        return false;
    account.mailCount = std::min<int>(*count, kMaxMails);
    account.errorFlag = 0;
    account.checked = 1;
    account.uidValidity = *uidValidity;
    account.uidNext = *uidNext;
    return true;
}

} // namespace

std::string encodeMailListFile() {
    ByteWriter out;
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
    return out.bytes();
}

void decodeMailListFile(std::string_view bytes) {
    ByteReader in(bytes);
    const auto count = std::min<std::uint32_t>(accountCount, kMaxAccounts);
    for (std::uint32_t k = 0; k < count; ++k) {
        if (!decodeAccountList(in, accounts[k])) {
            accounts[k].mailCount = 0;
            return;
        }
    }
}

} // namespace ombrix
