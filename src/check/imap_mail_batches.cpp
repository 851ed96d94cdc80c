#include "check/imap_mail_batches.h"

#include "check/check_texts.h"
#include "check/fetched_mail.h"
#include "net/mail_socket.h"
#include "proto/imap_completion.h"
#include "proto/imap_fetch_response.h"
#include "proto/imap_response_splitter.h"
#include "proto/reply_buffer.h"
#include "proto/session_texts.h"

#include <algorithm>
#include <charconv>
#include <deque>
#include <unordered_map>

namespace ombrix {

namespace {

// PEEK: a check only looks; the items come back named BODY[HEADER] and
// BODY[TEXT]<0>, as the one-mail dialogue's do.
constexpr std::string_view kBatchItems =
    " (UID RFC822.SIZE BODY.PEEK[HEADER] BODY.PEEK[TEXT]<0.4000>)\r\n";

std::optional<std::uint64_t> uidNumber(std::string_view digits) {
    std::uint64_t uid = 0;
    const char* end = digits.data() + digits.size();
    const auto [last, error] = std::from_chars(digits.data(), end, uid);
    if (digits.empty() || error != std::errc{} || last != end)
        return std::nullopt;
    return uid;
}

// The UID of a FETCH response, as far as it came.
std::optional<std::uint64_t> responseUid(std::string_view response) {
    const std::optional<ImapFetchItem> uid = imapFindItem(response, "UID");
    if (!uid || uid->form != ImapFetchItem::Form::Atom)
        return std::nullopt;
    return uidNumber(uid->raw);
}

// The first item `wanted` of a mail's responses, whichever holds it.
std::optional<ImapFetchItem> firstItem(std::string_view responses, std::string_view wanted) {
    std::optional<ImapFetchItem> found;
    forEachImapFetchResponse(responses, [&](std::uint64_t, std::string_view response) {
        if (!found)
            found = imapFindItem(response, wanted);
    });
    return found;
}

struct Batch {
    std::string tag;
    std::vector<int> mails;          // working indices, in list order
    std::vector<std::uint64_t> uids; // theirs
    std::vector<std::string> texts;  // per mail: its whole responses, one after another
    std::vector<std::uint8_t> whole; // per mail: 0 once a response of it came cut
    std::unordered_map<std::uint64_t, std::size_t> byUid;
    std::size_t bytes = 0;
    enum class Completion { Pending, Ok, Refused } completion = Completion::Pending;
};

class MailBatches {
public:
    MailBatches(AccountCheck& check, const std::string& countText, const ImapBatchLimits& limits)
        : c_(check), countText_(countText), limits_(limits),
          taken_(static_cast<std::size_t>(check.workingList.mailCount), 0) {}

    std::optional<std::vector<int>> run() {
        std::vector<Batch> batches = plan();
        c_.progress.range(0, c_.workingList.mailCount);
        std::deque<Batch*> inFlight;
        std::size_t next = 0;
        while (next < batches.size() || !inFlight.empty()) {
            while (!refused_ && next < batches.size() &&
                   inFlight.size() < static_cast<std::size_t>(limits_.batchesInFlight)) {
                send(batches[next]);
                inFlight.push_back(&batches[next++]);
            }
            if (c_.aborted() || !readUntilComplete(*inFlight.front(), inFlight))
                return std::nullopt;
            finish(*inFlight.front());
            inFlight.pop_front();
        }
        std::vector<int> left;
        for (int i = 0; i < c_.workingList.mailCount; ++i) {
            if (c_.fetchList[static_cast<std::size_t>(i)] != 0 &&
                taken_[static_cast<std::size_t>(i)] == 0)
                left.push_back(i);
        }
        return left;
    }

private:
    // Mails whose UID is no number are left to the one-mail dialogue, which
    // fetches by message number.
    std::vector<Batch> plan() const {
        std::vector<Batch> batches;
        if (limits_.mailsPerBatch < 1)
            return batches;
        for (int i = 0; i < c_.workingList.mailCount; ++i) {
            if (c_.fetchList[static_cast<std::size_t>(i)] == 0)
                continue;
            const std::optional<std::uint64_t> uid = uidNumber(c_.workingList.mails.uid(i));
            if (!uid)
                continue;
            if (batches.empty() ||
                batches.back().mails.size() >= static_cast<std::size_t>(limits_.mailsPerBatch))
                batches.emplace_back();
            Batch& batch = batches.back();
            if (!batch.byUid.emplace(*uid, batch.mails.size()).second)
                continue; // a UID listed twice: the one-mail dialogue takes the second
            batch.mails.push_back(i);
            batch.uids.push_back(*uid);
        }
        for (Batch& batch : batches) {
            batch.texts.resize(batch.mails.size());
            batch.whole.assign(batch.mails.size(), 1);
        }
        return batches;
    }

    void send(Batch& batch) {
        batch.tag = imapTag(c_.socket.tagCounter());
        c_.socket.SendTagged("UID FETCH " + imapUidSet(batch.uids) + std::string(kBatchItems));
    }

    // Reads responses until the batch has its completion. A server may run
    // pipelined commands at once (RFC 3501 5.5): the responses of the batches
    // sent later can come before this batch's completion, so each goes to
    // whichever batch on the wire asked for its UID.
    bool readUntilComplete(const Batch& batch, const std::deque<Batch*>& inFlight) {
        while (batch.completion == Batch::Completion::Pending) {
            bool foreign = false;
            ImapResponseSplitter splitter(c_.reply.capacity());
            const bool ended =
                c_.socket.ReceiveStream(c_.timeouts.replyMs, [&](std::string_view chunk) {
                    return splitter.feed(
                        chunk, [&](const ImapResponseSplitter::Response& response) {
                            if (response.kind == ImapResponseSplitter::Kind::Untagged)
                                take(inFlight, response);
                            else if (!complete(inFlight, response))
                                foreign = true;
                        });
                });
            if (c_.aborted())
                return false;
            if (!ended) {
                c_.fail(session_texts::noResponse());
                return false;
            }
            if (expunged_ || foreign) {
                // After an expunge the message numbers of the listing name other mails.
                c_.fail(session_texts::protocolFault());
                return false;
            }
        }
        return true;
    }

    // The completion of one of the batches on the wire; false for any other.
    static bool complete(const std::deque<Batch*>& inFlight,
                         const ImapResponseSplitter::Response& response) {
        if (response.kind != ImapResponseSplitter::Kind::Tagged)
            return false;
        const std::string_view tag = imapTagOf(response.text);
        for (Batch* batch : inFlight) {
            if (batch->tag != tag || batch->completion != Batch::Completion::Pending)
                continue;
            batch->completion = imapCompletedOk(response.text, batch->tag)
                                    ? Batch::Completion::Ok
                                    : Batch::Completion::Refused;
            return true;
        }
        return false;
    }

    void finish(Batch& batch) {
        if (batch.completion == Batch::Completion::Refused)
            refused_ = true; // the rest goes one mail at a time
        else
            record(batch);
        batch = Batch{};
    }

    void take(const std::deque<Batch*>& inFlight, const ImapResponseSplitter::Response& response) {
        if (imapReplyExpunges(response.text))
            expunged_ = true;
        if (!imapFetchNumber(response.text))
            return;
        const std::optional<std::uint64_t> uid = responseUid(response.text);
        if (!uid)
            return; // a flag update
        for (Batch* batch : inFlight) {
            const auto found = batch->byUid.find(*uid);
            if (found != batch->byUid.end() && batch->completion == Batch::Completion::Pending) {
                take(*batch, found->second, response);
                return;
            }
        }
        // a mail not asked for
    }

    void take(Batch& batch, std::size_t k, const ImapResponseSplitter::Response& response) {
        batch.bytes += response.text.size();
        if (response.cut || batch.bytes > limits_.batchBytes)
            batch.whole[k] = 0;
        else
            batch.texts[k].append(response.text);
        const int i = batch.mails[k];
        c_.progress.position(i);
        c_.progress.text(
            check_texts::readingMail(c_.account.name, c_.messageNumber(i), countText_));
    }

    // The mails of a batch that completed: each whose header and size came whole.
    void record(const Batch& batch) {
        for (std::size_t k = 0; k < batch.mails.size(); ++k) {
            if (batch.whole[k] == 0)
                continue;
            const std::string_view text = batch.texts[k];
            const std::optional<ImapFetchItem> header = firstItem(text, "BODY[HEADER]");
            const std::optional<ImapFetchItem> size = firstItem(text, "RFC822.SIZE");
            if (!header || !size)
                continue;
            const int i = batch.mails[k];
            parseImapMailItems(c_.workingList, i, *header, firstItem(text, "BODY[TEXT]"));
            c_.workingList.mails[i].size = listedSize(imapSizeValue(size->raw));
            c_.recordFetched(i);
            taken_[static_cast<std::size_t>(i)] = 1;
        }
    }

    AccountCheck& c_;
    const std::string& countText_;
    ImapBatchLimits limits_;
    std::vector<std::uint8_t> taken_; // per working index
    bool refused_ = false;
    bool expunged_ = false;
};

} // namespace

std::optional<std::vector<int>> fetchImapMailBatches(AccountCheck& check,
                                                     const std::string& countText,
                                                     const ImapBatchLimits& limits) {
    return MailBatches(check, countText, limits).run();
}

void parseImapMailItems(AccountRecord& workingList, int i, const ImapFetchItem& header,
                        const std::optional<ImapFetchItem>& text) {
    std::string headerScratch;
    std::string textScratch;
    std::optional<std::string_view> preview;
    if (text && text->form != ImapFetchItem::Form::Nil &&
        (text->form == ImapFetchItem::Form::Literal || !text->raw.empty()))
        preview = imapItemView(*text, textScratch);
    ParseFetchedImapMail(imapItemView(header, headerScratch), preview, workingList, i);
}

std::string imapUidSet(const std::vector<std::uint64_t>& uids) {
    std::string set;
    for (std::size_t k = 0; k < uids.size();) {
        std::size_t last = k;
        while (last + 1 < uids.size() && uids[last + 1] == uids[last] + 1)
            ++last;
        if (!set.empty())
            set += ',';
        set += std::to_string(uids[k]);
        if (last > k)
            set += ':' + std::to_string(uids[last]);
        k = last + 1;
    }
    return set;
}

} // namespace ombrix
