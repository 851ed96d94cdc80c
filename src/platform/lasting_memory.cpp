#include "platform/lasting_memory.h"

#include "platform/huge_page.h"

#include <new>
#include <sys/mman.h>

namespace ombrix {
namespace {

std::size_t mappedSize(std::size_t bytes) {
    return (bytes + kHugePageSize - 1) / kHugePageSize * kHugePageSize;
}

} // namespace

void* allocateLasting(std::size_t bytes) {
    const std::size_t size = mappedSize(bytes);
    void* memory =
        ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        throw std::bad_alloc();
    // Only a hint: without it the pages are ordinary ones, and all is well.
    ::madvise(memory, size, MADV_HUGEPAGE);
    return memory;
}

void releaseLasting(void* memory, std::size_t bytes) noexcept {
    ::munmap(memory, mappedSize(bytes));
}

} // namespace ombrix
