#include "platform/heap_growth.h"

#include "platform/huge_page.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace ombrix {
namespace {

constexpr std::uintptr_t kHugePage = kHugePageSize;
// mallopt(3): the padding the heap grows by when nobody asked otherwise.
constexpr int kUsualTopPad = 128 * 1024;
// Setting the padding turns malloc's adaptive thresholds off for good; left
// at their start values, every block of 128 KB or more (a file buffer, a
// scratch mail list) would be a fresh mapping to fault in each time. These
// fixed ones are near where they adapt to for such blocks.
constexpr int kMappedFrom = 4 * 1024 * 1024;
constexpr int kTrimmedFrom = 2 * kMappedFrom;

char* heapEnd() {
    return static_cast<char*>(::sbrk(0)); // reads the cached break, no system call
}

} // namespace

HugePageHeapGrowth::HugePageHeapGrowth(std::size_t bytes) : seenEnd_(heapEnd()) {
#ifdef __GLIBC__
    ::mallopt(M_TOP_PAD, static_cast<int>(std::min<std::size_t>(bytes, INT_MAX)));
#else
    static_cast<void>(bytes);
#endif
}

HugePageHeapGrowth::~HugePageHeapGrowth() {
#ifdef __GLIBC__
    ::mallopt(M_TOP_PAD, kUsualTopPad);
    ::mallopt(M_MMAP_THRESHOLD, kMappedFrom);
    ::mallopt(M_TRIM_THRESHOLD, kTrimmedFrom);
#endif
}

void shareOneHeapAcrossThreads() {
#ifdef __GLIBC__
    ::mallopt(M_ARENA_MAX, 1);
#endif
}

void returnFreeHeapPages() {
#ifdef __GLIBC__
    ::malloc_trim(0);
#endif
}

void HugePageHeapGrowth::adviseNewPart() {
    char* const end = heapEnd();
    if (end == seenEnd_)
        return;
    // Whole huge pages of the new part only: the one it begins in already
    // holds touched small pages.
    const auto from =
        (reinterpret_cast<std::uintptr_t>(seenEnd_) + kHugePage - 1) & ~(kHugePage - 1);
    const auto to = reinterpret_cast<std::uintptr_t>(end);
    if (end > seenEnd_ && to > from)
        ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
    seenEnd_ = end;
}

} // namespace ombrix
