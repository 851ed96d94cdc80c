#pragma once
// Memory for one large structure that lives as long as the process, in huge
// pages where the kernel allows. On a virtual machine the first touch of each
// 4 KB page can cost tens of microseconds; a structure of many megabytes that
// is built at start-up touches thousands of them at once.

#include <cstddef>

namespace ombrix {

// At least `bytes`, aligned for any object; throws std::bad_alloc.
void* allocateLasting(std::size_t bytes);
// Memory from allocateLasting, with the same size.
void releaseLasting(void* memory, std::size_t bytes) noexcept;

} // namespace ombrix
