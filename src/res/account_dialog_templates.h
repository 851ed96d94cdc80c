#pragma once
// The templates of the account editor and the new-account wizard, and the
// ids of their controls.

#include "platform/dialog_template.h"

namespace ombrix::res {

inline constexpr int kAccountEditorDialogId = 140;
inline constexpr int kEditorOk = 1;
inline constexpr int kEditorCancel = 2;
inline constexpr int kEditorAddress = 1000;
inline constexpr int kEditorUser = 1001;
inline constexpr int kEditorServer = 1002;
inline constexpr int kEditorPassword = 1003;
inline constexpr int kEditorPort = 1008;
inline constexpr int kEditorSsl = 1021;
inline constexpr int kEditorProtocol = 1030;

extern const DialogTemplate accountEditorTemplate;

inline constexpr int kWizardDialogId = 141;
inline constexpr int kWizardOk = 1;
inline constexpr int kWizardCancel = 2;
inline constexpr int kWizardAnswer = 1000;
inline constexpr int kWizardNext = 1011;
inline constexpr int kWizardQuestion = 1018;
inline constexpr int kWizardHint = 1019;
inline constexpr int kWizardChoice = 1060;

extern const DialogTemplate wizardTemplate;

} // namespace ombrix::res
