#pragma once
// How a second start, or a command, reaches the desktop program that holds a
// program directory: a local socket named after the directory's canonical
// path, in the user's private runtime directory, and the one-line requests
// it takes.

#include <optional>
#include <string>
#include <string_view>

namespace ombrix {

enum class InstanceRequestKind { Show, Check };

struct InstanceRequest {
    InstanceRequestKind kind = InstanceRequestKind::Show;
    // The xdg-activation token of the user's action that asked for the
    // window (Show only; may be empty).
    std::string activationToken;

    bool operator==(const InstanceRequest&) const = default;
};

// The same path for every spelling of one directory; empty when the user has
// no private runtime directory to put it in.
std::string instanceSocketPath(const std::string& directory);

// "show [TOKEN]\n" or "check\n". A token with bytes outside printable ASCII
// is left out: it could only be forged, and it must not break the line.
std::string instanceRequestLine(const InstanceRequest& request);
// The request of one line (without its '\n'), or nothing for a line no
// program of ours sends.
std::optional<InstanceRequest> parseInstanceRequest(std::string_view line);

// True when the desktop program on `directory` took the request.
bool askRunningInstance(const std::string& directory, const InstanceRequest& request);

} // namespace ombrix
