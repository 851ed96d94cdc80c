#pragma once
// A stored field as the account and mail lists show it in a cell.

#include "core/display_field.h"

#include <QString>
#include <string>

namespace ombrix {

inline QString shownField(const std::string& bytes) {
    return QString::fromStdString(displayField(bytes));
}

} // namespace ombrix
