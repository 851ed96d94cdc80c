#pragma once
// A notification's body as a desktop shows it: the markup a notification
// server may accept (b, i, u, a, img) kept, every other tag dropped with its
// text kept, line breaks kept. Qt's rich text would otherwise honour any
// HTML the sender put in, which a real server never draws.

#include <QString>

namespace ombrix::standin {

// Rich text for a QLabel. A body that is not well-formed markup is shown as
// the plain text it then is.
QString richTextFromBodyMarkup(const QString& body);

// Plain text (a server without body-markup, or a tooltip's title) as rich text.
QString richTextFromPlain(const QString& text);

} // namespace ombrix::standin
