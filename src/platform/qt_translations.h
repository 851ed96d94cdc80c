#pragma once
// Qt's own texts (the standard buttons of message boxes, the file dialog, the
// edit fields' context menus) in the program's language. Qt speaks English by
// itself; German needs Qt's translation catalogue, installed with Qt's
// translations package.

namespace ombrix {

// `language`: 0 German, 1 English. Call after the application object exists;
// a second call replaces the first. False when German was asked for and Qt's
// catalogue could not be loaded (Qt then stays English).
bool installQtTranslations(int language);

} // namespace ombrix
