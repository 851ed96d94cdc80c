#include "platform/display_qstring.h"

#include "platform/display_bytes.h"

namespace ombrix {

QString toDisplay(const std::string& bytes) {
    return QString::fromStdString(displayText(bytes));
}

std::string fromDisplay(const QString& text) {
    return text.toStdString();
}

} // namespace ombrix
