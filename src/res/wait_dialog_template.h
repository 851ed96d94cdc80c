#pragma once
// The wait dialog's template and the ids of its controls.

#include "platform/dialog_template.h"

namespace ombrix::res {

inline constexpr int kWaitDialogId = 131;
inline constexpr int kWaitButton = 1;
inline constexpr int kWaitSpareEdit = 1000;
inline constexpr int kWaitPicture = 1010;
inline constexpr int kWaitStatus = 1020;
inline constexpr int kWaitProgress = 1050;

extern const DialogTemplate waitDialogTemplate;

// The name of the wait dialog's picture file.
inline constexpr const char* kWaitPictureFile = "obx001.dat";

} // namespace ombrix::res
