#include "platform/heap_growth.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <malloc.h>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
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

// The VmFlags line of the mapping in /proc/self/smaps that holds `address`.
std::string mappingFlagsAt(const void* address) {
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    std::ifstream smaps("/proc/self/smaps");
    bool inside = false;
    for (std::string line; std::getline(smaps, line);) {
        std::uintptr_t from = 0;
        std::uintptr_t to = 0;
        char dash = 0;
        std::istringstream range(line);
        if (range >> std::hex >> from >> dash >> to && dash == '-')
            inside = from <= at && at < to;
        else if (inside && line.starts_with("VmFlags:"))
            return line;
    }
    return {};
}

TEST(HugePageHeapGrowthTest, WhatTheHeapGrowsByIsAdvisedHugePages) {
    constexpr std::size_t kExpected = 16 * 1024 * 1024;
    char* const before = static_cast<char*>(::sbrk(0));
    std::vector<std::string> loaded;
    {
        HugePageHeapGrowth growth(kExpected);
        for (std::size_t bytes = 0; bytes < kExpected + kExpected / 4; bytes += 4000) {
            loaded.emplace_back(4000, 'x');
            growth.adviseNewPart();
        }
    }
    char* const after = static_cast<char*>(::sbrk(0));
    if (after == before)
        GTEST_SKIP() << "malloc does not take its memory from the C library's heap here";
    EXPECT_GE(static_cast<std::size_t>(after - before), kExpected) << "grown in one step";
    const char* const inTheMiddle = before + kExpected / 2;
    EXPECT_NE(mappingFlagsAt(inTheMiddle).find(" hg"), std::string::npos)
        << mappingFlagsAt(inTheMiddle);
}

// Setting the growth step switches malloc's adaptive thresholds off: a
// buffer of a few hundred kilobytes must still come from the heap afterwards,
// not from a fresh mapping to fault in at every use. Checked in a fresh
// process, whose heap no earlier test has shaped.
[[maybe_unused]] int blockOfAFewHundredKilobytesIsMapped() {
    { HugePageHeapGrowth growth(1024 * 1024); }
    ::malloc_trim(0);
    const auto mappedBefore = ::mallinfo2().hblks;
    void* const buffer = ::malloc(600 * 1024);
    const bool mapped = ::mallinfo2().hblks != mappedBefore;
    ::free(buffer);
    return mapped ? 1 : 0;
}

TEST(HugePageHeapGrowthDeathTest, AfterwardsMidSizedBlocksStayOnTheHeap) {
#if SANITIZER_SERVES_MALLOC
    GTEST_SKIP() << "a sanitizer's allocator serves malloc";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(blockOfAFewHundredKilobytesIsMapped()), testing::ExitedWithCode(0), "");
#endif
}

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

TEST(HugePageHeapGrowthDeathTest, WithOneHeapAThreadAllocatesFromTheMainHeap) {
#if SANITIZER_SERVES_MALLOC
    GTEST_SKIP() << "a sanitizer's allocator serves malloc";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(threadBlocksOffTheMainHeap()), testing::ExitedWithCode(0), "");
#endif
}

} // namespace
} // namespace ombrix
