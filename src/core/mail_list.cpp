#include "core/mail_list.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <utility>

namespace ombrix {
namespace {

// Waste below this is never worth a rewrite of the arena: a user's edits of
// read marks write no text at all, and a handful of edited texts stay.
constexpr std::size_t kMinWasteToCompact = 64 * 1024;

std::size_t index(MailText field) {
    return static_cast<std::size_t>(field);
}

const MailFields kNoMail{};
// Walked by eachField only for the places of the fields, never read.
const MailEntry kFieldPlaces{};

} // namespace

TextArena::TextArena(const TextArena& other) {
    reserve(other.size_);
    if (other.size_ != 0)
        std::memcpy(data_, other.data_, other.size_);
    size_ = other.size_;
}

TextArena::~TextArena() {
    std::free(data_);
}

void TextArena::reserve(std::size_t bytes) {
    bytes = std::max(bytes, size_);
    if (bytes == capacity_)
        return;
    if (bytes == 0) {
        clear();
        return;
    }
    void* moved = std::realloc(data_, bytes);
    if (!moved)
        throw std::bad_alloc();
    data_ = static_cast<char*>(moved);
    capacity_ = bytes;
}

std::size_t TextArena::extend(std::size_t length) {
    const std::size_t offset = size_;
    if (length > std::numeric_limits<std::uint32_t>::max() - offset)
        throw std::length_error("mail list texts beyond 4 GB");
    if (offset + length > capacity_)
        reserve(std::max(offset + length, 2 * capacity_));
    size_ = offset + length;
    return offset;
}

void TextArena::clear() {
    std::free(data_);
    data_ = nullptr;
    size_ = capacity_ = 0;
}

void TextArena::swap(TextArena& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
}

void MailList::resize(int count) {
    const auto newSize = static_cast<std::size_t>(std::max(count, 0));
    for (std::size_t i = newSize; i < entries_.size(); ++i)
        for (TextSpan& span : entries_[i].text)
            dropText(span);
    entries_.resize(newSize);
    compactIfWasteful();
}

void MailList::clear() {
    std::vector<MailFields>().swap(entries_);
    arena_.clear();
    waste_ = 0;
}

void MailList::reserve(int count, std::size_t textBytes) {
    entries_.reserve(static_cast<std::size_t>(std::max(count, 0)));
    arena_.reserve(textBytes);
}

void MailList::shrinkToFit() {
    if (waste_ != 0)
        compact();
    entries_.shrink_to_fit();
    arena_.shrinkToFit();
}

const MailFields& MailList::operator[](int i) const {
    const auto k = static_cast<std::size_t>(i);
    return i >= 0 && k < entries_.size() ? entries_[k] : kNoMail;
}

MailFields& MailList::operator[](int i) {
    grow(i);
    return entries_[static_cast<std::size_t>(i)];
}

std::string_view MailList::text(int i, MailText field) const {
    const TextSpan& span = (*this)[i].text[index(field)];
    return span.length == 0 ? std::string_view()
                            : std::string_view(arena_.data() + span.offset, span.length);
}

void MailList::setText(int i, MailText field, std::string_view value) {
    grow(i);
    TextSpan& span = entries_[static_cast<std::size_t>(i)].text[index(field)];
    if (value.size() <= span.length) {
        // Fits where the old text was; memmove, for the value may be part of it.
        if (!value.empty())
            std::memmove(arena_.data() + span.offset, value.data(), value.size());
        waste_ += span.length - value.size();
        span.length = static_cast<std::uint32_t>(value.size());
        compactIfWasteful();
        return;
    }
    const char* begin = arena_.data();
    const bool inArena = std::greater_equal<const char*>()(value.data(), begin) &&
                         std::less<const char*>()(value.data(), begin + arena_.size());
    const std::size_t from = inArena ? static_cast<std::size_t>(value.data() - begin) : 0;
    const std::size_t offset = arena_.extend(value.size());
    // The arena may have moved: a value from it is found again by position.
    std::memcpy(arena_.data() + offset, inArena ? arena_.data() + from : value.data(),
                value.size());
    dropText(span);
    span = {static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(value.size())};
    compactIfWasteful();
}

char* MailList::placeText(int i, MailText field, std::size_t length) {
    grow(i);
    TextSpan& span = entries_[static_cast<std::size_t>(i)].text[index(field)];
    dropText(span);
    if (length == 0)
        return nullptr; // no byte to write; the arena may still be unallocated
    const std::size_t offset = arena_.extend(length);
    span = {static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(length)};
    return arena_.data() + offset;
}

MailEntry MailList::mail(int i) const {
    MailEntry mail;
    const MailFields& numbers = (*this)[i];
    eachField(mail, [&](std::string_view, auto& value, auto place) {
        if constexpr (std::is_same_v<decltype(place), MailText>)
            value = std::string(text(i, place));
        else
            value = numbers.*place;
    });
    return mail;
}

void MailList::setMail(int i, const MailEntry& mail) {
    MailFields& numbers = (*this)[i]; // lengthens the list: setText moves no entry
    eachField(mail, [&](std::string_view, const auto& value, auto place) {
        if constexpr (std::is_same_v<decltype(place), MailText>)
            setText(i, place, value);
        else
            numbers.*place = value;
    });
}

void MailList::copyMail(int i, const MailList& from, int j, bool withPreview) {
    grow(i);
    MailFields& to = entries_[static_cast<std::size_t>(i)];
    const MailFields& source = from[j];
    const auto spans = to.text;
    to = source;
    to.text = spans;
    for (const MailText field : kAllMailTexts)
        setText(i, field,
                withPreview || field != MailText::BodyPreview ? from.text(j, field)
                                                              : std::string_view());
}

void MailList::takeKeptTexts(MailList& old, const std::vector<int>& keptFrom) {
    const auto keptAt = [&keptFrom, &old](std::size_t i) {
        const int j = i < keptFrom.size() ? keptFrom[i] : -1;
        return j >= 0 && j < old.size() ? j : -1;
    };
    std::size_t keptPreviews = 0;
    std::size_t newTexts = 0;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (const int j = keptAt(i); j >= 0)
            keptPreviews += old[j].text[index(MailText::BodyPreview)].length;
        else
            for (const TextSpan& span : entries_[i].text)
                newTexts += span.length;
    }
    if (keptPreviews <= newTexts) {
        arena_.reserve(arena_.size() + keptPreviews);
        for (std::size_t i = 0; i < entries_.size(); ++i)
            if (const int j = keptAt(i); j >= 0)
                setBodyPreview(static_cast<int>(i), old.bodyPreview(j));
    } else {
        TextArena arena = std::move(old.arena_);
        arena.reserve(arena.size() + newTexts);
        std::size_t live = 0;
        std::vector<bool> taken(old.entries_.size());
        // Appends the text `span` names in the block `from`, or in `arena`
        // itself (which may move while it grows) without one.
        const auto append = [&arena, &live](TextSpan& span, const TextArena* from) {
            if (span.length == 0)
                return;
            const std::size_t source = span.offset;
            const std::size_t offset = arena.extend(span.length);
            std::memcpy(arena.data() + offset, (from ? from->data() : arena.data()) + source,
                        span.length);
            span.offset = static_cast<std::uint32_t>(offset);
            live += span.length;
        };
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            MailFields& m = entries_[i];
            const int j = keptAt(i);
            if (j < 0) {
                for (TextSpan& span : m.text)
                    append(span, &arena_);
                continue;
            }
            const auto k = static_cast<std::size_t>(j);
            m.text = old.entries_[k].text;
            if (taken[k]) { // listed twice: a text is never shared by two entries
                for (TextSpan& span : m.text)
                    append(span, nullptr);
            } else {
                taken[k] = true;
                for (const TextSpan& span : m.text)
                    live += span.length;
            }
        }
        arena_ = std::move(arena);
        waste_ = arena_.size() - live;
        old.clear();
    }
    compactIfWasteful();
}

void MailList::swapMails(int i, int k) {
    grow(std::max(i, k));
    std::swap(entries_[static_cast<std::size_t>(i)], entries_[static_cast<std::size_t>(k)]);
}

void MailList::reorder(const std::vector<int>& order) {
    std::vector<MailFields> sorted;
    sorted.reserve(entries_.size());
    for (const int from : order)
        sorted.push_back((*this)[from]);
    std::copy(sorted.begin(), sorted.end(), entries_.begin());
}

void MailList::compact() {
    TextArena packed;
    packed.reserve(arena_.size() - waste_);
    for (MailFields& m : entries_) {
        for (TextSpan& span : m.text) {
            if (span.length == 0) {
                span.offset = 0;
                continue;
            }
            const std::size_t offset = packed.extend(span.length);
            std::memcpy(packed.data() + offset, arena_.data() + span.offset, span.length);
            span.offset = static_cast<std::uint32_t>(offset);
        }
    }
    arena_.swap(packed);
    waste_ = 0;
}

bool MailList::operator==(const MailList& other) const {
    if (size() != other.size())
        return false;
    for (int i = 0; i < size(); ++i) {
        bool same = true;
        eachField(kFieldPlaces, [&](std::string_view, const auto&, auto place) {
            if constexpr (std::is_same_v<decltype(place), MailText>)
                same = same && text(i, place) == other.text(i, place);
            else
                same = same && (*this)[i].*place == other[i].*place;
        });
        if (!same)
            return false;
    }
    return true;
}

void MailList::grow(int i) {
    const auto k = static_cast<std::size_t>(std::max(i, 0));
    if (k >= entries_.size())
        entries_.resize(k + 1);
}

void MailList::dropText(TextSpan& span) {
    waste_ += span.length;
    span = {};
}

void MailList::compactIfWasteful() {
    if (waste_ >= kMinWasteToCompact && waste_ > arena_.size() / 2)
        compact();
}

} // namespace ombrix
