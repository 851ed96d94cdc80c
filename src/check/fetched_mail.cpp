#include "check/fetched_mail.h"

#include "check/mail_date.h"
#include "mime/header_reader.h"
#include "mime/message_part.h"
#include "platform/ascii.h"

#include <algorithm>
#include <charconv>
#include <new>
#include <optional>

namespace ombrix {
namespace {

std::string valueOrEmpty(std::optional<std::string_view> value) {
    return value ? std::string(*value) : std::string();
}

// The size n of a literal "{n}" that ends the line, or none.
std::optional<std::size_t> literalSize(std::string_view line) {
    if (line.size() < 3 || line.back() != '}')
        return std::nullopt;
    const std::size_t open = line.rfind('{');
    if (open == std::string_view::npos)
        return std::nullopt;
    std::size_t size = 0;
    const char* first = line.data() + open + 1;
    const char* last = line.data() + line.size() - 1;
    const auto [end, error] = std::from_chars(first, last, size);
    if (error != std::errc() || end != last)
        return std::nullopt;
    return size;
}

// Cuts the tagged completion line ("a004 OK Fetch completed (0.001 secs).") off
// the end, so that its own parentheses are not taken for the FETCH's close.
std::string_view withoutCompletionLine(std::string_view reply) {
    std::string_view text = reply;
    if (text.ends_with("\r\n"))
        text.remove_suffix(2);
    const std::size_t lastLineFeed = text.rfind('\n');
    const std::size_t lineStart = lastLineFeed == std::string_view::npos ? 0 : lastLineFeed + 1;
    const std::string_view lastLine = text.substr(lineStart);
    const bool tagged = lastLine.size() > 1 && lastLine[0] == 'a' && isAsciiDigit(lastLine[1]);
    return tagged ? reply.substr(0, lineStart) : reply;
}

// What follows the header's empty line is " BODY[TEXT]<0> {n}" up to its line
// end, then the text. The preview runs from that line's CR LF: the n octets
// of the literal, or, without a literal, up to the FETCH's closing ")".
std::string_view imapPreview(std::string_view afterHeader) {
    const std::size_t lineEnd = afterHeader.find('\r');
    if (lineEnd == std::string_view::npos)
        return {};
    const std::string_view rest = afterHeader.substr(lineEnd);
    if (const auto size = literalSize(afterHeader.substr(0, lineEnd)))
        return rest.substr(0, 2 + std::min(*size, rest.size()));
    const std::string_view fetch = withoutCompletionLine(rest);
    const std::size_t closing = fetch.rfind(')');
    return closing == std::string_view::npos ? std::string_view() : fetch.substr(0, closing);
}

std::string_view pop3Preview(std::string_view fetched, std::string_view afterHeader) {
    const bool endsWithTerminator = fetched.size() >= 3 && fetched[fetched.size() - 3] == '.';
    if (endsWithTerminator)
        afterHeader.remove_suffix(std::min<std::size_t>(3, afterHeader.size()));
    return afterHeader;
}

// The fields of the mail's own header, as MessagePart::load reads them, without
// decoding the body and its parts: the list shows header fields only, and the
// preview is kept as the server sent it. A header that could not be read to
// its end still answers with the fields before the fault.
void readOwnHeader(std::string_view fetched, MessagePart& message) {
    try {
        mime::readHeader(fetched, message.fields);
    } catch (const std::bad_alloc&) {
        // the fields read so far stay, as after a failed load
    }
}

} // namespace

std::string bodyPreviewOf(std::string_view fetched, FetchForm form) {
    constexpr std::string_view kEmptyLine = "\r\n\r\n";
    const std::size_t emptyLine = fetched.find(kEmptyLine);
    if (emptyLine == std::string_view::npos)
        return {};
    const std::string_view afterHeader = fetched.substr(emptyLine + kEmptyLine.size());
    return std::string(form == FetchForm::Imap ? imapPreview(afterHeader)
                                               : pop3Preview(fetched, afterHeader));
}

std::string listedSubject(std::string_view subject) {
    std::string listed = subject.empty() ? std::string("Kein Betreff") : std::string(subject);
    std::erase(listed, '\n');
    return listed;
}

std::string listedSubjectOf(const MessagePart& message) {
    return listedSubject(valueOrEmpty(message.getSubject()));
}

std::string listedSubjectOf(std::string_view mailText) {
    MessagePart message;
    readOwnHeader(mailText, message);
    return listedSubjectOf(message);
}

namespace {

void takeHeaderFields(std::string_view header, AccountRecord& workingList, int i) {
    MessagePart message;
    readOwnHeader(header, message);
    workingList.mails.setSubject(i, listedSubjectOf(message));
    workingList.mails.setFrom(i, valueOrEmpty(message.getFrom()));
    workingList.mails.setDate(i, valueOrEmpty(message.getDate()));
    const MailDate date = readMailDate(workingList.mails.date(i));
    workingList.mails[i].day = date.day;
    workingList.mails[i].month = date.month;
    workingList.mails[i].year = date.year;
}

} // namespace

void ParseFetchedMail(std::string_view fetched, AccountRecord& workingList, int i, FetchForm form) {
    if (i < 0 || i >= kMaxMails)
        return;
    takeHeaderFields(fetched, workingList, i);
    workingList.mails.setBodyPreview(i, bodyPreviewOf(fetched, form));
}

void ParseFetchedImapMail(std::string_view header, std::optional<std::string_view> text,
                          AccountRecord& workingList, int i) {
    if (i < 0 || i >= kMaxMails)
        return;
    takeHeaderFields(header, workingList, i);
    if (!text) {
        workingList.mails.setBodyPreview(i, {});
        return;
    }
    char* preview = workingList.mails.placeText(i, MailText::BodyPreview, 2 + text->size());
    std::copy(text->begin(), text->end(), std::copy_n("\r\n", 2, preview));
}

} // namespace ombrix
