#pragma once
// The transparent huge page of x86-64 and arm64 (2 MiB): memory that is mapped
// in whole huge pages takes one page fault where small pages take 512.

#include <cstddef>

namespace ombrix {

inline constexpr std::size_t kHugePageSize = 2 * 1024 * 1024;

} // namespace ombrix
