#pragma once
// The look both lists of the main window share.

#include <QAbstractItemView>
#include <QColor>
#include <QPalette>

namespace ombrix {

// The pale yellow-green behind both lists and their texts.
inline const QColor kListBackground{250, 255, 218};

inline void applyListBackground(QAbstractItemView& view) {
    QPalette palette = view.palette();
    palette.setColor(QPalette::Base, kListBackground);
    palette.setColor(QPalette::AlternateBase, kListBackground);
    view.setPalette(palette);
}

} // namespace ombrix
