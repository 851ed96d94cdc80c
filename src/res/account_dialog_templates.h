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
inline constexpr int kEditorAuth = 1031;        // password or OAuth (PROVIDER)
inline constexpr int kEditorSignInAgain = 1022; // an OAuth account signs in anew
// The account's alert: the program's, a wave file of its own, or none.
inline constexpr int kEditorAlert = 1032;
inline constexpr int kEditorAlertWave = 1033; // the file's path, read-only
inline constexpr int kEditorAlertBrowse = 1034;
inline constexpr int kEditorAlertNotice = 1035; // what is wrong with the file, if anything
// Shown while the server's certificate is pinned: forget it on OK.
inline constexpr int kEditorForgetPin = 1036;
// The read state of an IMAP account (config/read_state_switches.h).
inline constexpr int kEditorFollowServer = 1037;
inline constexpr int kEditorMarkOnServer = 1038;

extern const DialogTemplate accountEditorTemplate;

inline constexpr int kWizardDialogId = 141;
inline constexpr int kWizardOk = 1;
inline constexpr int kWizardCancel = 2;
inline constexpr int kWizardAnswer = 1000;
inline constexpr int kWizardNext = 1011;
inline constexpr int kWizardQuestion = 1018;
inline constexpr int kWizardHint = 1019;
inline constexpr int kWizardChoice = 1060;
inline constexpr int kWizardAuthLabel = 1020; // the last step: password or OAuth
inline constexpr int kWizardAuth = 1061;

extern const DialogTemplate wizardTemplate;

// The endpoints of an OAuth provider of the user's own.
inline constexpr int kCustomProviderDialogId = 142;
inline constexpr int kCustomOk = 1;
inline constexpr int kCustomCancel = 2;
inline constexpr int kCustomAuthorizationUrl = 1000;
inline constexpr int kCustomTokenUrl = 1001;
inline constexpr int kCustomClientId = 1002;
inline constexpr int kCustomScope = 1003;

extern const DialogTemplate customProviderTemplate;

// The wait for the sign-in in the browser.
inline constexpr int kSignInWaitDialogId = 143;
inline constexpr int kSignInCancel = 2;
inline constexpr int kSignInText = 1000;
inline constexpr int kSignInUrl = 1002;
inline constexpr int kSignInStatus = 1003;

extern const DialogTemplate signInWaitTemplate;

} // namespace ombrix::res
