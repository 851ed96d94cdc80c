#pragma once
// Finds a control of a dialog built from a template, by its id.

#include <QWidget>

namespace ombrix::test {

template <class Widget> Widget* control(const QWidget& dialog, int id) {
    return dialog.findChild<Widget*>(QStringLiteral("control%1").arg(id));
}

} // namespace ombrix::test
