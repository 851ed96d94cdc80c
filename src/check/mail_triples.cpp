#include "check/mail_triples.h"

namespace ombrix {

MailTriples::MailTriples(const AccountRecord& previousList) {
    buildOnce(previousList, previousList, {});
}

void MailTriples::buildOnce(const AccountRecord& previousList, const AccountRecord& workingList,
                            const std::vector<int>& movedTo) {
    if (built_)
        return;
    built_ = true;
    const int count = validMailCount(previousList);
    knownTriples_.reserve(static_cast<std::size_t>(count));
    for (int j = 0; j < count; ++j) {
        const std::size_t k = static_cast<std::size_t>(j);
        const bool moved = k < movedTo.size() && movedTo[k] >= 0;
        const AccountRecord& list = moved ? workingList : previousList;
        const int i = moved ? movedTo[k] : j;
        std::string triple = key(list, i);
        if (list.mails[i].read == 1)
            readTriples_.insert(triple);
        knownTriples_.insert(std::move(triple));
    }
}

bool MailTriples::readBefore(const AccountRecord& list, int i) const {
    return readTriples_.contains(key(list, i));
}

bool MailTriples::knownBefore(const AccountRecord& list, int i) const {
    return knownTriples_.contains(key(list, i));
}

// Each field is led by its length, so no byte inside a field can make two
// different triples share a key.
std::string MailTriples::key(const AccountRecord& list, int i) {
    std::string k;
    for (const MailText field : {MailText::Date, MailText::From, MailText::Subject}) {
        const std::string_view text = list.mails.text(i, field);
        k += std::to_string(text.size());
        k += ':';
        k += text;
    }
    return k;
}

} // namespace ombrix
