#include "platform/heap_growth.h"

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

constexpr std::uintptr_t kHugePage = 2 * 1024 * 1024;
// mallopt(3): the padding the heap grows by when nobody asked otherwise.
constexpr int kUsualTopPad = 128 * 1024;

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
