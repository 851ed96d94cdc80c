#pragma once
// Lets a large number of small allocations to come take their memory from
// huge pages. Filling fresh memory costs one page fault per 4 KB page, and on
// a virtual machine each of them can take tens of microseconds: loading a
// few hundred megabytes of mail lists into strings would spend most of its
// time there. Where malloc is not the GNU C library's main heap (another
// allocator, a sanitizer's, or a thread's own arena), nothing changes.

#include <cstddef>

namespace ombrix {

class HugePageHeapGrowth {
public:
    // About `bytes` of allocations are to follow on this thread: the heap
    // grows by that much in one step instead of many small ones.
    explicit HugePageHeapGrowth(std::size_t bytes);
    // The heap grows in its usual steps again; blocks of up to 4 MB come
    // from it (and go back to it) from now on.
    ~HugePageHeapGrowth();
    HugePageHeapGrowth(const HugePageHeapGrowth&) = delete;
    HugePageHeapGrowth& operator=(const HugePageHeapGrowth&) = delete;

    // Call now and then while allocating: a part the heap has grown by since
    // is advised to use huge pages before most of it is touched.
    void adviseNewPart();

private:
    char* seenEnd_;
};

// All threads take their memory from the one main heap. Called first thing in
// main, before any thread exists. A thread's own arena grows a page at a time
// (one mprotect and one fault per 4 KB) and never in huge pages, so a list
// loaded or copied there costs several times what it costs on the main heap;
// the threads of this program mostly wait, so they seldom meet at its lock.
void shareOneHeapAcrossThreads();

// Gives the pages of the heap's free blocks back to the system. A start-up
// frees many small blocks between the strings of the lists it has loaded;
// malloc only ever returns the free memory at the heap's end.
void returnFreeHeapPages();

} // namespace ombrix
