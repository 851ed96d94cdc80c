#include "platform/malloc_tuning.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace ombrix {

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

} // namespace ombrix
