#pragma once
// A fixed-length array whose storage comes in chunks of about 4 KB, each
// allocated when an entry of it is first reached through a non-const
// reference. An account with fifty mails costs what fifty mails cost, not
// what the largest list would. Every index 0..N-1 is valid at any time; an
// entry never written reads as T{}, and reading through a const reference
// never allocates.
//
// Chunk pointers are atomic, so two threads that reach the same fresh chunk
// at once agree on one; the entries themselves follow the same rules as the
// elements of a plain array.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <iterator>
#include <new>
#include <utility>

namespace ombrix {

template <typename T, int N> class ChunkedArray {
    static_assert(N > 0);

    // About 4 KB per chunk: 128 strings, 1024 32-bit numbers, up to 4096
    // bytes (never more entries than the array has).
    static constexpr int shiftFor(std::size_t bytes) {
        int shift = 0;
        while ((std::size_t{2} << shift) * bytes <= 4096 && (1 << shift) < N)
            ++shift;
        return shift;
    }

public:
    static constexpr int kChunkShift = shiftFor(sizeof(T));
    static constexpr int kChunkSize = 1 << kChunkShift;
    static constexpr int kChunks = (N + kChunkSize - 1) / kChunkSize;

    template <bool Const> class Iterator;
    using value_type = T;
    using size_type = std::size_t;
    using difference_type = std::ptrdiff_t;
    using reference = T&;
    using const_reference = const T&;
    using iterator = Iterator<false>;
    using const_iterator = Iterator<true>;

    ChunkedArray() = default;
    ChunkedArray(const ChunkedArray& other) { copyFrom(other); }
    ChunkedArray(ChunkedArray&& other) noexcept { swap(other); }
    ChunkedArray& operator=(const ChunkedArray& other) {
        if (this != &other)
            copyFrom(other);
        return *this;
    }
    ChunkedArray& operator=(ChunkedArray&& other) noexcept {
        if (this != &other) {
            clear();
            swap(other);
        }
        return *this;
    }
    ~ChunkedArray() { clear(); }

    static constexpr size_type size() noexcept { return N; }

    // Allocates the entry's chunk when it has none: the caller may write.
    T& operator[](size_type i) { return chunkFor(chunkOf(i))[i & kIndexMask]; }
    const T& operator[](size_type i) const {
        const T* chunk = chunks_[chunkOf(i)].load(std::memory_order_acquire);
        return chunk ? chunk[i & kIndexMask] : kNothing;
    }

    // Every entry becomes `value`; T{} gives the chunks back.
    void fill(const T& value) {
        if (value == T{}) {
            clear();
            return;
        }
        for (int k = 0; k < kChunks; ++k)
            std::fill_n(chunkFor(k), lengthOf(k), value);
    }

    // Every entry reads as T{} again, and no chunk is left.
    void clear() noexcept {
        for (auto& chunk : chunks_)
            delete[] chunk.exchange(nullptr, std::memory_order_acq_rel);
    }

    // How many entries have storage now (tests and figures).
    size_type allocatedEntries() const noexcept {
        size_type entries = 0;
        for (int k = 0; k < kChunks; ++k)
            if (chunks_[k].load(std::memory_order_acquire))
                entries += lengthOf(k);
        return entries;
    }

    void swap(ChunkedArray& other) noexcept {
        for (int k = 0; k < kChunks; ++k) {
            T* mine = chunks_[k].load(std::memory_order_relaxed);
            chunks_[k].store(other.chunks_[k].load(std::memory_order_relaxed),
                             std::memory_order_release);
            other.chunks_[k].store(mine, std::memory_order_release);
        }
    }
    friend void swap(ChunkedArray& a, ChunkedArray& b) noexcept { a.swap(b); }

    iterator begin() { return iterator(this, 0); }
    iterator end() { return iterator(this, N); }
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, N); }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }

private:
    static constexpr std::size_t kIndexMask = kChunkSize - 1;
    inline static const T kNothing{};

    static constexpr std::size_t chunkOf(size_type i) { return i >> kChunkShift; }
    static constexpr int lengthOf(int k) { return std::min(kChunkSize, N - k * kChunkSize); }

    T* chunkFor(std::size_t k) {
        std::atomic<T*>& slot = chunks_[k];
        T* chunk = slot.load(std::memory_order_acquire);
        return chunk ? chunk : allocate(slot, static_cast<int>(k));
    }

    // Out of line from operator[]: the fresh chunk is the rare case.
    [[gnu::noinline]] static T* allocate(std::atomic<T*>& slot, int k) {
        T* fresh = new T[static_cast<std::size_t>(lengthOf(k))]();
        T* expected = nullptr;
        if (slot.compare_exchange_strong(expected, fresh, std::memory_order_acq_rel))
            return fresh;
        delete[] fresh; // another thread was first
        return expected;
    }

    void copyFrom(const ChunkedArray& other) {
        for (int k = 0; k < kChunks; ++k) {
            const T* from = other.chunks_[k].load(std::memory_order_acquire);
            if (!from) {
                delete[] chunks_[k].exchange(nullptr, std::memory_order_acq_rel);
                continue;
            }
            std::copy_n(from, lengthOf(k), chunkFor(static_cast<std::size_t>(k)));
        }
    }

    std::atomic<T*> chunks_[kChunks] = {};
};

// Index-based, so that it stays valid while chunks come into being.
template <typename T, int N> template <bool Const> class ChunkedArray<T, N>::Iterator {
    using Array = std::conditional_t<Const, const ChunkedArray, ChunkedArray>;

public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using reference = std::conditional_t<Const, const T&, T&>;
    using pointer = std::conditional_t<Const, const T*, T*>;

    Iterator() = default;
    Iterator(Array* array, difference_type index) : array_(array), index_(index) {}
    // A template, so that it never stands in for the copy constructor.
    template <bool FromConst>
    requires(Const && !FromConst) Iterator(const Iterator<FromConst>& other)
        : array_(other.array_), index_(other.index_) {}

    reference operator*() const { return (*array_)[static_cast<size_type>(index_)]; }
    pointer operator->() const { return &**this; }
    reference operator[](difference_type n) const { return *(*this + n); }

    Iterator& operator++() {
        ++index_;
        return *this;
    }
    Iterator operator++(int) {
        Iterator before = *this;
        ++index_;
        return before;
    }
    Iterator& operator--() {
        --index_;
        return *this;
    }
    Iterator operator--(int) {
        Iterator before = *this;
        --index_;
        return before;
    }
    Iterator& operator+=(difference_type n) {
        index_ += n;
        return *this;
    }
    Iterator& operator-=(difference_type n) {
        index_ -= n;
        return *this;
    }
    friend Iterator operator+(Iterator it, difference_type n) { return it += n; }
    friend Iterator operator+(difference_type n, Iterator it) { return it += n; }
    friend Iterator operator-(Iterator it, difference_type n) { return it -= n; }
    friend difference_type operator-(const Iterator& a, const Iterator& b) {
        return a.index_ - b.index_;
    }
    friend bool operator==(const Iterator& a, const Iterator& b) { return a.index_ == b.index_; }
    friend auto operator<=>(const Iterator& a, const Iterator& b) { return a.index_ <=> b.index_; }

private:
    template <bool> friend class Iterator;

    Array* array_ = nullptr;
    difference_type index_ = 0;
};

} // namespace ombrix
