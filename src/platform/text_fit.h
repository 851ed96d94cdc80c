#pragma once
// Dialog templates give each control a size in dialog units, measured for the
// font the dialogs were drawn with. Another font (another language's longer
// words) can need more room: these functions measure a control's text in the
// control's own font and widen the control into the free space beside it.

class QWidget;

namespace ombrix {

// Whether a label, check box, radio, push button or group box shows its whole
// text at its current size. Other controls always do.
bool showsWholeText(const QWidget& control);

// Widens `control` to the right into the free space before its next sibling
// (a centred label grows to both sides), never closer than `gap` pixels to a
// sibling or its frame; a label that wraps its lines also grows downwards.
// Returns whether the whole text shows now.
bool fitText(QWidget& control, int gap);

} // namespace ombrix
