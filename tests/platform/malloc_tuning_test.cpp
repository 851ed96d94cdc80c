#include "platform/malloc_tuning.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

// GCC names the sanitizer it builds with by a macro, clang by a feature.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define SANITIZER_SERVES_MALLOC 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define SANITIZER_SERVES_MALLOC 1
#endif
#endif
#ifndef SANITIZER_SERVES_MALLOC
#define SANITIZER_SERVES_MALLOC 0
#endif

namespace ombrix {
namespace {

// Whether `address` lies in the C library's main heap, the "[heap]" mapping.
bool onTheMainHeap(const void* address) {
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        std::uintptr_t from = 0;
        std::uintptr_t to = 0;
        char dash = 0;
        std::istringstream range(line);
        if (line.ends_with("[heap]") && range >> std::hex >> from >> dash >> to)
            return from <= at && at < to;
    }
    return false;
}

// A thread's blocks come from the main heap, not from an arena of the
// thread's own. Checked in a fresh process: a thread's arena is chosen when
// it first allocates.
[[maybe_unused]] int threadBlocksOffTheMainHeap() {
    shareOneHeapAcrossThreads();
    std::vector<void*> blocks(4);
    std::thread worker([&blocks] {
        for (void*& block : blocks)
            block = ::malloc(4000);
    });
    worker.join();
    int off = 0;
    for (void* block : blocks) {
        off += onTheMainHeap(block) ? 0 : 1;
        ::free(block);
    }
    return off;
}

TEST(MallocTuningDeathTest, WithOneHeapAThreadAllocatesFromTheMainHeap) {
#if SANITIZER_SERVES_MALLOC
    GTEST_SKIP() << "a sanitizer's allocator serves malloc";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(threadBlocksOffTheMainHeap()), testing::ExitedWithCode(0), "");
#endif
}

} // namespace
} // namespace ombrix
