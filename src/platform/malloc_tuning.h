#pragma once
// How the GNU C library's malloc serves this program. Where malloc is another
// allocator (a sanitizer's, say), these do nothing.

namespace ombrix {

// All threads take their memory from the one main heap. Called first thing in
// main, before any thread exists. A thread's own arena grows a page at a time
// (one mprotect and one fault per 4 KB), so a list loaded or copied there
// costs several times what it costs on the main heap; the threads of this
// program mostly wait, so they seldom meet at its lock.
void shareOneHeapAcrossThreads();

// Gives the pages of the heap's free blocks back to the system. A start-up
// frees many blocks between the lists it has loaded; malloc only ever returns
// the free memory at the heap's end.
void returnFreeHeapPages();

} // namespace ombrix
