#pragma once
// Bytes as the display shows them: valid UTF-8 as UTF-8, anything else as
// windows-1252. And back: text typed by the user is stored as UTF-8.

#include <QString>
#include <string>
#include <string_view>

namespace ombrix {

QString toDisplay(std::string_view bytes);
std::string fromDisplay(const QString& text);

} // namespace ombrix
