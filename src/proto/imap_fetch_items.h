#pragma once
// The items of one untagged FETCH response, read by their names: a server may
// send them in any order, split them over responses and add items nobody
// asked for. Pure logic, no sockets.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

struct ImapFetchItem {
    enum class Form { Atom, Nil, Quoted, Literal, List };
    std::string_view name; // "UID", "BODY[TEXT]<0>", as the server wrote it
    Form form = Form::Atom;
    // Atom: its text. Quoted: the text between the quotes, escapes still in.
    // Literal: its octets (fewer when the response was cut inside them).
    // List: the list with its parentheses.
    std::string_view raw;
};

// The items of a response "* n FETCH (...)" in the order they stand. Reading
// stops at the response's close and at the first fault, so a response cut
// short gives the items before the cut, and a literal cut short what came of it.
std::vector<ImapFetchItem> imapFetchItems(std::string_view response);

// As imapFetchItems, for a reader that must not act on half a response (the
// deletion's proof): none unless every item was read up to the response's
// close, with no literal cut and nothing garbled.
std::optional<std::vector<ImapFetchItem>> imapFetchItemsWhole(std::string_view response);

// The first item of the response that is the one asked for as `wanted` (see
// imapItemIs), read as imapFetchItems reads them; none without one. Keeps
// nothing: the check asks this for every item of every mail.
std::optional<ImapFetchItem> imapFindItem(std::string_view response, std::string_view wanted);

// Whether the item is the one asked for as `wanted`: the name in any case;
// a partial ("<0>") the server adds to a BODY section is not part of it.
bool imapItemIs(const ImapFetchItem& item, std::string_view wanted);

// The text of a string item: a quoted string without its escapes, a
// literal's octets; empty for NIL.
std::string imapItemText(const ImapFetchItem& item);
// The same without a copy where the reply holds the text as it stands (a
// literal, an atom); a quoted string is unescaped into `scratch`.
std::string_view imapItemView(const ImapFetchItem& item, std::string& scratch);

} // namespace ombrix
