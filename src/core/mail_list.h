#pragma once
// An account's mails: the numbers of each mail in one entry, and all texts of
// all mails in one arena, each entry naming its texts by offset and length.
// A list of 3000 mails so costs two blocks of memory instead of thousands of
// small strings, and moving a list from a run into the table moves two
// pointers.
//
// Entries past the end read as empty; writing one (through operator[] or a
// setter) lengthens the list up to it, as an array of fixed length would
// behave. Editing a text appends its new bytes and leaves the old ones as
// waste, which is given back once it outgrows what the texts hold.
//
// A view returned by a text accessor stays valid until the list's texts are
// next changed.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

// The texts of a mail, in the order of MailFields::text.
enum class MailText : std::uint8_t { Date, BodyPreview, From, Subject, Uid };
inline constexpr std::size_t kMailTexts = 5;
inline constexpr std::array<MailText, kMailTexts> kAllMailTexts{
    MailText::Date, MailText::BodyPreview, MailText::From, MailText::Subject, MailText::Uid};

struct TextSpan {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

// A mail's numbers, kept by value; its texts as spans of the list's arena.
struct MailFields {
    std::uint32_t serverPosition = 0;
    std::int32_t year = 0;
    std::int32_t size = 0;
    std::uint8_t read = 0;
    std::uint8_t day = 0;
    std::uint8_t month = 0;
    std::array<TextSpan, kMailTexts> text{};
};

// One mail as a value, its texts owned: what tests compare and what a caller
// builds before it appends.
struct MailEntry {
    std::string date;
    std::string bodyPreview;
    std::uint32_t serverPosition = 0;
    std::uint8_t read = 0;
    std::string from;
    std::string subject;
    std::string uid;
    std::uint8_t day = 0;
    std::uint8_t month = 0;
    std::int32_t year = 0;
    std::int32_t size = 0;

    bool operator==(const MailEntry&) const = default;
};

// Visits every per-mail field of a MailEntry once: its name, the member, and
// where a MailList keeps it (a MailText, or the member of MailFields). A new
// field is a member of MailEntry and of MailFields (or a MailText), one line
// here, and its place in the files; MailList reads and writes it from this.
template <typename Entry, typename Visit> void eachField(Entry& mail, Visit visit) {
    visit("date", mail.date, MailText::Date);
    visit("bodyPreview", mail.bodyPreview, MailText::BodyPreview);
    visit("serverPosition", mail.serverPosition, &MailFields::serverPosition);
    visit("read", mail.read, &MailFields::read);
    visit("from", mail.from, MailText::From);
    visit("subject", mail.subject, MailText::Subject);
    visit("uid", mail.uid, MailText::Uid);
    visit("day", mail.day, &MailFields::day);
    visit("month", mail.month, &MailFields::month);
    visit("year", mail.year, &MailFields::year);
    visit("size", mail.size, &MailFields::size);
}

// One block of bytes, grown and shrunk with realloc: a block of megabytes is
// mapped pages, which realloc moves without copying them, so a list filled
// from a file touches each byte of its texts once. Bytes past size() are
// never read.
class TextArena {
public:
    TextArena() = default;
    TextArena(const TextArena& other);
    TextArena(TextArena&& other) noexcept { swap(other); }
    TextArena& operator=(TextArena other) noexcept {
        swap(other);
        return *this;
    }
    ~TextArena();

    char* data() { return data_; }
    const char* data() const { return data_; }
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    // Exactly `bytes` of room, never less than size().
    void reserve(std::size_t bytes);
    // Lengthens the block by `length` unwritten bytes, its capacity by
    // doubling: where the new bytes start. Offsets stay below 4 GB.
    std::size_t extend(std::size_t length);
    void shrinkToFit() { reserve(size_); }
    void clear();
    void swap(TextArena& other) noexcept;

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

class MailList {
public:
    int size() const { return static_cast<int>(entries_.size()); }
    bool empty() const { return entries_.empty(); }
    // Shortens the list or adds empty entries; texts cut off become waste.
    void resize(int count);
    void clear();
    // Room for `count` entries and `textBytes` of text, allocated once.
    void reserve(int count, std::size_t textBytes);
    // Gives back what the arena and the entries hold beyond their use.
    void shrinkToFit();

    // The numbers of entry i; a const look past the end reads an empty entry.
    const MailFields& operator[](int i) const;
    MailFields& operator[](int i);

    std::string_view text(int i, MailText field) const;
    void setText(int i, MailText field, std::string_view value);

    std::string_view date(int i) const { return text(i, MailText::Date); }
    std::string_view bodyPreview(int i) const { return text(i, MailText::BodyPreview); }
    std::string_view from(int i) const { return text(i, MailText::From); }
    std::string_view subject(int i) const { return text(i, MailText::Subject); }
    std::string_view uid(int i) const { return text(i, MailText::Uid); }
    void setDate(int i, std::string_view v) { setText(i, MailText::Date, v); }
    void setBodyPreview(int i, std::string_view v) { setText(i, MailText::BodyPreview, v); }
    void setFrom(int i, std::string_view v) { setText(i, MailText::From, v); }
    void setSubject(int i, std::string_view v) { setText(i, MailText::Subject, v); }
    void setUid(int i, std::string_view v) { setText(i, MailText::Uid, v); }

    // Room for a text of `length` bytes as entry i's field, for the caller to
    // fill before the list is next changed; what the field held is waste.
    char* placeText(int i, MailText field, std::size_t length);

    MailEntry mail(int i) const;
    void setMail(int i, const MailEntry& mail);
    void append(const MailEntry& mail) { setMail(size(), mail); }
    // Entry j of `from` (which may be this list) into entry i, all fields;
    // withPreview false leaves entry i's preview empty.
    void copyMail(int i, const MailList& from, int j, bool withPreview = true);
    // Entry i becomes the mail of entry keptFrom[i] of `old` (its numbers
    // stay, its texts become those of `old`'s entry, which must hold the same
    // short texts and may have a preview) where keptFrom[i] >= 0. Whichever
    // list holds fewer bytes to move gives them to the other: for a re-check
    // that keeps most mails, `old`'s block becomes this list's and only the
    // new mails' texts are copied; `old` is then left empty, else as it was.
    void takeKeptTexts(MailList& old, const std::vector<int>& keptFrom);
    // Entries i and k change places.
    void swapMails(int i, int k);
    // order[k] is the old index of the entry that ends at k; the entries
    // move, their texts stay where they are.
    void reorder(const std::vector<int>& order);

    // Bytes of the arena that no entry names any more, and all of it.
    std::size_t wasteBytes() const { return waste_; }
    std::size_t textBytes() const { return arena_.size(); }
    // Rewrites the arena with only the texts the entries name.
    void compact();

    // Same mails, field by field; where the texts lie does not matter.
    bool operator==(const MailList& other) const;

private:
    void grow(int i);
    void dropText(TextSpan& span);
    void compactIfWasteful();
    std::vector<MailFields> entries_;
    TextArena arena_;
    std::size_t waste_ = 0;
};

} // namespace ombrix
