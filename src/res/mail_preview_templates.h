#pragma once
// The templates of the mail preview and the mark-as-read dialog, and the ids
// of their controls.

#include "platform/dialog_template.h"

namespace ombrix::res {

inline constexpr int kMailPreviewDialogId = 136;
inline constexpr int kPreviewOk = 1;
inline constexpr int kPreviewBody = 1000;
inline constexpr int kPreviewSize = 1001;
inline constexpr int kPreviewSubject = 1007;
inline constexpr int kPreviewSender = 1008;
inline constexpr int kPreviewDate = 1009;
inline constexpr int kPreviewUnit = 1059;
inline constexpr int kPreviewSubjectLabel = 1064;
inline constexpr int kPreviewDateLabel = 1067;
inline constexpr int kPreviewSenderLabel = 1069;
inline constexpr int kPreviewSizeLabel = 1070;
inline constexpr int kPreviewSafetyNote = 1071;

extern const DialogTemplate mailPreviewTemplate;

inline constexpr int kMarkReadDialogId = 151;
inline constexpr int kMarkAllAccounts = 1011;
inline constexpr int kMarkSelectedAccount = 1;
inline constexpr int kMarkCancel = 2;
inline constexpr int kMarkQuestion = 1074;
// The question icon has no id in the window system's template; ours gives it
// one so the dialog can find it.
inline constexpr int kMarkIcon = 1151;

extern const DialogTemplate markReadTemplate;

} // namespace ombrix::res
