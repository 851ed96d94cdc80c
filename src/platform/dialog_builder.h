#pragma once
// Builds a dialog's widgets from its template. Dialog units become pixels from
// the dialog font's average character width and height: x * cx / 4 and
// y * cy / 8, rounded.

#include "platform/dialog_template.h"

#include <QRect>
#include <map>

class QFont;
class QWidget;

namespace ombrix {

struct DialogUnits {
    int cx = 0; // average character width of the dialog font, pixels
    int cy = 0; // character height of the dialog font, pixels

    int toPixelsX(int units) const;
    int toPixelsY(int units) const;
    QRect toPixels(int x, int y, int width, int height) const;
};

// The base units of a font, measured as the window system does: the width of
// the 52 letters A-Z a-z, divided by 26 and halved (rounded), and the line height.
DialogUnits dialogUnitsOf(const QFont& font);

class DialogControls {
public:
    QWidget* byId(int id) const;
    template <class Widget> Widget* get(int id) const { return qobject_cast<Widget*>(byId(id)); }

    // Puts `replacement` in the place of the control `id` (a list view or
    // picture placeholder): same parent, geometry, visibility and id. The old
    // widget is deleted. Returns false when there is no such control.
    bool replace(int id, QWidget* replacement);

    const DialogUnits& units() const { return units_; }

private:
    friend DialogControls buildDialog(QWidget& dialog, const DialogTemplate& tmpl, int language);
    std::map<int, QWidget*> controls_;
    DialogUnits units_;
};

// Creates the template's controls as children of `dialog`, sets its title,
// size and caption style. `language`: 0 German, 1 English.
DialogControls buildDialog(QWidget& dialog, const DialogTemplate& tmpl, int language);

// The id a built control carries, or kNoControlId.
int controlId(const QWidget* control);

} // namespace ombrix
