#pragma once
// The provider's own words in a text for the user: its error code and
// description, from a JSON answer or the browser's redirect. Both come from
// the other side and may hold anything, so they go out on one line, without
// control characters and bounded, cut only between whole UTF-8 characters.

#include <optional>
#include <string>
#include <string_view>

namespace ombrix::oauth {

inline constexpr std::size_t kMaxErrorCodeBytes = 100;
inline constexpr std::size_t kMaxDescriptionBytes = 200;

// "error" or "error: description".
std::string providerReason(std::string_view error, const std::optional<std::string>& description);

// Whether a value to be shown as it stands (a device code's user code or
// address) holds no control character.
bool withoutControls(std::string_view text);

} // namespace ombrix::oauth
