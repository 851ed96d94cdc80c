#include "proto/imap_completion.h"

#include "platform/ascii.h"

#include <algorithm>

namespace ombrix {

bool imapCompletedOk(std::string_view reply, std::string_view tag) {
    if (tag.empty() || !reply.ends_with("\r\n"))
        return false;
    reply.remove_suffix(2);
    const std::size_t lastLineFeed = reply.rfind('\n');
    const std::string_view line =
        lastLineFeed == std::string_view::npos ? reply : reply.substr(lastLineFeed + 1);
    if (!line.starts_with(tag) || line.substr(tag.size(), 1) != " ")
        return false;
    const std::string_view status = line.substr(tag.size() + 1, 3);
    return equalsIgnoringCase(status, "OK") || equalsIgnoringCase(status, "OK ");
}

std::string_view imapTagOf(std::string_view commandLine) {
    return commandLine.substr(0, commandLine.find(' '));
}

std::size_t imapKeywordAt(std::string_view reply, std::string_view keyword) {
    const std::size_t exact = reply.find(keyword);
    return exact != std::string_view::npos ? exact : findIgnoringCase(reply, keyword);
}

} // namespace ombrix
