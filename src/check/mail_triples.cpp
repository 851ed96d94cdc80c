#include "check/mail_triples.h"

namespace ombrix {

MailTriples::MailTriples(const AccountRecord& previousList) {
    buildOnce(previousList);
}

void MailTriples::buildOnce(const AccountRecord& previousList) {
    if (built_)
        return;
    built_ = true;
    const int count = validMailCount(previousList);
    knownTriples_.reserve(static_cast<std::size_t>(count));
    for (int j = 0; j < count; ++j) {
        std::string triple = key(previousList, j);
        if (previousList.read[j] == 1)
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
    for (const std::string* field : {&list.date[i], &list.from[i], &list.subject[i]}) {
        k += std::to_string(field->size());
        k += ':';
        k += *field;
    }
    return k;
}

} // namespace ombrix
