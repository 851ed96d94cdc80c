#pragma once
// Whether a control shows its whole text: the room the style gives the text
// of a label, check box, radio, push button or group box, against the text
// measured in the control's own font.

#include <QString>
#include <QWidget>
#include <optional>

namespace ombrix::test {

struct CutText {
    QString text;
    QSize needed;    // pixels the text takes
    QSize available; // pixels the control gives it
};

// Nothing when the text fits (or the control shows no text); else what is cut.
std::optional<CutText> cutText(const QWidget& control);

// The part of its parent that a control covers: a label only where it draws
// its text (or picture), any other control its whole rectangle.
QRect coveredArea(const QWidget& control);

// Every visible control of `window` whose text is cut, one line each:
// "<window>: <class> <object name> \"<text>\" needs WxH, has WxH".
QStringList cutTexts(const QWidget& window, const QString& windowName);

} // namespace ombrix::test
