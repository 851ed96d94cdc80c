#pragma once
// A reply of the fault server in pieces, so that a fault can alter the
// protocol text without touching mail data, and reorder a listing.

#include "faults/fault_plan.h"

#include <cstddef>
#include <string>
#include <vector>

namespace ombrix::test {

struct ReplyPiece {
    enum class Kind {
        Text,    // protocol text
        Literal, // IMAP literal data; rendered after "{claimed}\r\n"
        Data,    // mail data of a POP3 multi-line reply, already dot-stuffed
    };
    Kind kind = Kind::Text;
    std::string bytes;
    std::size_t claimed = 0; // Literal: the length the server announces
};

struct ReplyLine {
    std::vector<ReplyPiece> pieces;
    bool listed = false; // one entry of a listing (UIDL line, untagged FETCH)
    int message = 0;     // the message number a listed line is about
};

class Reply {
public:
    Reply& text(std::string bytes);                // a line of its own
    Reply& listed(int message, std::string bytes); // a listing line
    Reply& append(std::string bytes);              // more text on the last line
    Reply& literal(std::string bytes);             // a literal on the last line
    Reply& data(std::string bytes);                // mail data on a line of its own
    std::string render() const;
    bool empty() const { return lines_.empty(); }

    // The alterations of the faults that let the command take effect.
    void hugeCounts();
    void lieAboutFirstLiteral();
    void insertNul();
    void reverseListing();
    void addFlagUpdates();

private:
    std::vector<ReplyLine> lines_;
};

// Replaces every free-standing run of digits with a 20-digit number.
std::string withHugeNumbers(const std::string& text);

} // namespace ombrix::test
