#pragma once
// An HTTP/1.1 response read from the bytes received so far: the status line,
// the headers and a body framed by Content-Length, by chunked transfer
// coding or by the end of the stream.

#include <optional>
#include <string>
#include <string_view>

namespace ombrix::oauth {

inline constexpr std::size_t kMaxResponseBytes = 256 * 1024;

struct HttpResponse {
    int status = 0;
    std::string location; // the Location header, for redirects
    std::string body;
};

enum class ResponseState { Incomplete, Complete, Malformed };

struct ResponseRead {
    ResponseState state = ResponseState::Incomplete;
    HttpResponse response; // with Complete
};

// `received` is every byte of the response so far; `ended` says the stream
// has ended, which completes a body that has no other framing.
ResponseRead readHttpResponse(std::string_view received, bool ended);

} // namespace ombrix::oauth
