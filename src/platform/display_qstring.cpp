#include "platform/display_qstring.h"

#include "platform/display_bytes.h"

namespace ombrix {

QString toDisplay(std::string_view bytes) {
    return QString::fromStdString(displayText(bytes));
}

std::string fromDisplay(const QString& text) {
    return text.toStdString();
}

} // namespace ombrix
