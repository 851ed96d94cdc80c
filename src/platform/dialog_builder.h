#pragma once
// Builds a dialog's widgets from its template. Dialog units become pixels from
// the dialog font's average character width and height: x * cx / 4 and
// y * cy / 8, rounded. No text is cut: a control too small for its text takes
// the free space to its right (see text_fit.h); where that is not enough, the
// average character width counts wider until every text fits. A resizable
// dialog is only placed: its own layout moves the controls and fits them.

#include "platform/dialog_template.h"

#include <QRect>
#include <QString>
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
    // The space kept between a widened control and its neighbour, pixels.
    int gap() const;
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

    // Sets the text (a group box's title) of the control `id` and widens the
    // control into free space if the text needs it. False when there is no
    // such control or the text still does not fit.
    bool setText(int id, const QString& text);

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
