#pragma once
// A stored field as the account and mail lists show it in a cell.

#include "core/display_field.h"

#include <QString>
#include <string>
#include <string_view>

namespace ombrix {

inline QString shownField(std::string_view bytes) {
    return QString::fromStdString(displayField(bytes));
}

} // namespace ombrix
