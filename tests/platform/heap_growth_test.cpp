#include "platform/heap_growth.h"

#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

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

} // namespace
} // namespace ombrix
