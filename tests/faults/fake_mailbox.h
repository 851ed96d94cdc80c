#pragma once
// The one mailbox the fault server serves, shared by its connections. It
// records every mail it expunges, so a test can tell what a deletion removed.

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace ombrix::test {

struct FakeMail {
    std::uint32_t uid = 0; // IMAP UID; POP3 unique id "uid-<uid>"
    std::string subject;
    std::string extraField; // a header line of its own after the others, when given
    bool deleted = false;   // IMAP \Deleted
    std::string header() const;
    std::string body() const;
    std::string message() const { return header() + body(); }
};

std::string pop3UniqueId(std::uint32_t uid);

class FakeMailbox {
public:
    // Adds a mail with the next UID; its subject is "Subject <uid>" unless given.
    std::uint32_t add(const std::string& subject = {}, const std::string& extraField = {});
    void flagDeleted(std::uint32_t uid);
    // A new UIDVALIDITY: as after the mailbox was recreated.
    void renumber();

    std::vector<FakeMail> mails() const;
    std::uint32_t uidValidity() const;
    std::uint32_t uidNext() const;
    // Removes the mails with these UIDs and records them as expunged.
    void expunge(const std::vector<std::uint32_t>& uids);
    std::vector<std::uint32_t> expunged() const;

private:
    mutable std::mutex mutex_;
    std::vector<FakeMail> mails_;
    std::vector<std::uint32_t> expunged_;
    std::uint32_t uidNext_ = 11;
    std::uint32_t uidValidity_ = 1700000000;
};

} // namespace ombrix::test
