#pragma once
// The templates of the hint dialog and the two about boxes, and the ids of
// their controls.

#include "platform/dialog_template.h"

namespace ombrix::res {

inline constexpr int kHintDialogId = 172;
inline constexpr int kHintOk = 1;
inline constexpr int kHintText = 1073;
inline constexpr int kHintCheckBox = 1021;
// Pictures have no id in the window system's templates; ours give them one so
// the dialogs can find them.
inline constexpr int kHintPicture = 1173;

extern const DialogTemplate hintTemplate;

inline constexpr int kAboutGermanDialogId = 163;
inline constexpr int kAboutEnglishDialogId = 165;
inline constexpr int kAboutOk = 1;
inline constexpr int kAboutWebAddress = 1018;
inline constexpr int kAboutSupportLine = 1062;
inline constexpr int kAboutPicture = 1164;

extern const DialogTemplate aboutGermanTemplate;
extern const DialogTemplate aboutEnglishTemplate;

// The pictures, drawn as SVG and compiled into the program.
inline constexpr const char* kHintPicturePath = ":/dialogs/read_column_hint.svg";
inline constexpr const char* kAboutPicturePath = ":/dialogs/about.svg";

inline constexpr const char* kWebAddress = "https://ombrix.org";

} // namespace ombrix::res
