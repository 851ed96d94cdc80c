#include "faults/fake_mailbox.h"

#include <algorithm>

namespace ombrix::test {

std::string FakeMail::header() const {
    return "From: Ann <ann@example.org>\r\nSubject: " + subject +
           "\r\nDate: Tue, 2 Jan 2024 09:00:00 +0000\r\nMessage-ID: <" + std::to_string(uid) +
           "@example.org>\r\n" + (extraField.empty() ? "" : extraField + "\r\n") + "\r\n";
}

std::string FakeMail::body() const {
    return "Body of mail " + std::to_string(uid) + ".\r\n.A line with a leading dot.\r\n";
}

std::string pop3UniqueId(std::uint32_t uid) {
    return "uid-" + std::to_string(uid);
}

std::uint32_t FakeMailbox::add(const std::string& subject, const std::string& extraField) {
    std::lock_guard lock(mutex_);
    const std::uint32_t uid = uidNext_++;
    mails_.push_back(
        {uid, subject.empty() ? "Subject " + std::to_string(uid) : subject, extraField, false});
    return uid;
}

void FakeMailbox::flagDeleted(std::uint32_t uid) {
    std::lock_guard lock(mutex_);
    for (FakeMail& mail : mails_)
        if (mail.uid == uid)
            mail.deleted = true;
}

void FakeMailbox::renumber() {
    std::lock_guard lock(mutex_);
    ++uidValidity_;
    for (FakeMail& mail : mails_)
        mail.uid = uidNext_++;
}

std::vector<FakeMail> FakeMailbox::mails() const {
    std::lock_guard lock(mutex_);
    return mails_;
}

std::uint32_t FakeMailbox::uidValidity() const {
    std::lock_guard lock(mutex_);
    return uidValidity_;
}

std::uint32_t FakeMailbox::uidNext() const {
    std::lock_guard lock(mutex_);
    return uidNext_;
}

void FakeMailbox::expunge(const std::vector<std::uint32_t>& uids) {
    std::lock_guard lock(mutex_);
    for (const std::uint32_t uid : uids) {
        if (std::erase_if(mails_, [uid](const FakeMail& m) { return m.uid == uid; }) != 0)
            expunged_.push_back(uid);
    }
}

std::vector<std::uint32_t> FakeMailbox::expunged() const {
    std::lock_guard lock(mutex_);
    return expunged_;
}

} // namespace ombrix::test
