#pragma once
// obx.msf: every account's mail list as the last check left it, so the lists
// are shown at start-up before the first check. A pure cache.

#include <string>
#include <string_view>

namespace ombrix {

class ByteReader;
class ByteWriter;

// What a reader keeps of each list: the whole entries, or only how many there
// are (enough for the read flags and unread counts, and far less to hold).
enum class ListDetail { Entries, CountsOnly };

// The lists of accounts 0..accountCount-1, every entry below its mail count.
void encodeMailListFile(ByteWriter& out);
std::string encodeMailListFile();

// Fills the lists of accounts 0..accountCount-1 in slot order and marks each
// one read completely as checked. Where the bytes end early or a length runs
// past them, reading stops: the accounts before keep their lists, that one
// and the rest stay empty. Entries beyond the table's 3000 are read and
// dropped, so the accounts after them stay in step. Counts come out the same
// for either detail.
void decodeMailListFile(ByteReader& in, ListDetail detail = ListDetail::Entries);
void decodeMailListFile(std::string_view bytes, ListDetail detail = ListDetail::Entries);

} // namespace ombrix
