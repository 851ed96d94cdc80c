#include "res/account_dialog_templates.h"

namespace ombrix::res {
namespace {

constexpr ControlTemplate editorControls[] = {
    {kEditorOk, ControlKind::DefaultPushButton, 71, 262, 50, 14, "OK", "OK"},
    {kEditorCancel, ControlKind::PushButton, 149, 262, 50, 14, "Abbrechen", "cancel"},
    {kEditorAddress, ControlKind::Edit, 70, 15, 149, 14, nullptr, nullptr},
    {kEditorServer, ControlKind::Edit, 69, 47, 149, 14, nullptr, nullptr},
    {kEditorPort, ControlKind::Edit, 69, 63, 44, 14, nullptr, nullptr, style::Numeric},
    {kEditorSsl, ControlKind::CheckBox, 123, 65, 80, 10, "SSL Verschlüsselung", "SSL encryption"},
    {kEditorProtocol, ControlKind::ComboBox, 69, 78, 45, 73, nullptr, nullptr},
    {kEditorForgetPin, ControlKind::CheckBox, 123, 80, 122, 10, nullptr, nullptr, style::Hidden},
    {kEditorUser, ControlKind::Edit, 69, 101, 149, 14, nullptr, nullptr},
    {kEditorPassword, ControlKind::PasswordEdit, 69, 117, 149, 14, nullptr, nullptr},
    {1063, ControlKind::StaticText, 21, 18, 45, 8, "E-Mailadresse", "mail address"},
    {1018, ControlKind::StaticText, 31, 50, 34, 8, "Mailserver", "mailserver"},
    {1067, ControlKind::StaticText, 32, 104, 33, 8, "Username", "username"},
    {1068, ControlKind::StaticText, 33, 119, 30, 8, "Passwort", "password"},
    {1069, ControlKind::StaticText, 21, 137, 44, 8, "Anmeldung", "sign-in"},
    {kEditorAuth, ControlKind::ComboBox, 69, 135, 100, 60, nullptr, nullptr},
    {kEditorSignInAgain, ControlKind::CheckBox, 175, 137, 70, 10, "erneut anmelden",
     "sign in again", style::Hidden},
    {1064, ControlKind::GroupBox, 7, 34, 242, 124, "Einstellungen", "options"},
    {1065, ControlKind::StaticText, 50, 65, 14, 8, "Port", "port"},
    {1066, ControlKind::StaticText, 36, 80, 28, 8, "Protokoll", "protocol"},
    {1070, ControlKind::GroupBox, 7, 162, 242, 56, "Alarm bei neuen Mails", "new mail alert"},
    {kEditorAlert, ControlKind::ComboBox, 15, 174, 226, 60, nullptr, nullptr},
    {kEditorAlertWave, ControlKind::Edit, 15, 190, 168, 12, nullptr, nullptr, style::ReadOnly},
    {kEditorAlertBrowse, ControlKind::PushButton, 187, 190, 54, 12, "durchsuchen...", "browse..."},
    {kEditorAlertNotice, ControlKind::StaticText, 15, 205, 226, 8, nullptr, nullptr},
    {1071, ControlKind::GroupBox, 7, 222, 242, 34, "Gelesen-Status (IMAP)", "read state (IMAP)"},
    {kEditorFollowServer, ControlKind::CheckBox, 15, 232, 226, 10,
     "Gelesen-Status folgt dem Server", "read state follows the server"},
    {kEditorMarkOnServer, ControlKind::CheckBox, 15, 243, 226, 10,
     "Auch auf dem Server als gelesen markieren", "mark read on the server too"},
};

// The question, the hint and the step in the title are set step by step.
constexpr ControlTemplate wizardControls[] = {
    {kWizardOk, ControlKind::PushButton, 77, 122, 50, 14, "OK", "OK", style::Hidden},
    {kWizardCancel, ControlKind::PushButton, 119, 122, 50, 14, "Abbrechen", "cancel"},
    {kWizardHint, ControlKind::StaticText, 15, 65, 169, 45, nullptr, nullptr},
    {kWizardAnswer, ControlKind::Edit, 13, 47, 171, 14, nullptr, nullptr},
    {kWizardQuestion, ControlKind::StaticText, 15, 15, 171, 20, nullptr, nullptr},
    {kWizardNext, ControlKind::DefaultPushButton, 32, 122, 50, 14, "Weiter", "OK"},
    {kWizardChoice, ControlKind::ComboBox, 73, 41, 47, 250, nullptr, nullptr},
    {kWizardAuthLabel, ControlKind::StaticText, 15, 69, 55, 8,
     "Anmeldung:", "sign-in:", style::Hidden},
    {kWizardAuth, ControlKind::ComboBox, 73, 67, 111, 60, nullptr, nullptr, style::Hidden},
};

constexpr ControlTemplate customProviderControls[] = {
    {kCustomOk, ControlKind::DefaultPushButton, 75, 90, 50, 14, "OK", "OK"},
    {kCustomCancel, ControlKind::PushButton, 135, 90, 50, 14, "Abbrechen", "cancel"},
    {kNoControlId, ControlKind::StaticText, 7, 10, 70, 8, "Anmeldeadresse", "authorization URL"},
    {kCustomAuthorizationUrl, ControlKind::Edit, 80, 8, 173, 14, nullptr, nullptr},
    {kNoControlId, ControlKind::StaticText, 7, 28, 70, 8, "Token-Adresse", "token URL"},
    {kCustomTokenUrl, ControlKind::Edit, 80, 26, 173, 14, nullptr, nullptr},
    {kNoControlId, ControlKind::StaticText, 7, 46, 70, 8, "Client-ID", "client id"},
    {kCustomClientId, ControlKind::Edit, 80, 44, 173, 14, nullptr, nullptr},
    {kNoControlId, ControlKind::StaticText, 7, 64, 70, 8, "Bereich (Scope)", "scope"},
    {kCustomScope, ControlKind::Edit, 80, 62, 173, 14, nullptr, nullptr},
};

// The first line names the provider; it is set when the wait begins.
constexpr ControlTemplate signInWaitControls[] = {
    {kSignInText, ControlKind::StaticText, 10, 10, 220, 26, nullptr, nullptr},
    {kNoControlId, ControlKind::StaticText, 10, 40, 220, 8,
     "Öffnet sich kein Browser, öffnen Sie diese Adresse:",
     "If no browser opens, open this address:"},
    {kSignInUrl, ControlKind::Edit, 10, 50, 220, 14, nullptr, nullptr, style::ReadOnly},
    {kSignInStatus, ControlKind::StaticText, 10, 70, 220, 8,
     "Warte auf die Anmeldung im Browser ...", "Waiting for the sign-in in the browser ..."},
    {kSignInCancel, ControlKind::DefaultPushButton, 95, 88, 50, 14, "Abbrechen", "cancel"},
};

} // namespace

const DialogTemplate accountEditorTemplate{
    kAccountEditorDialogId, 256,         283,           "Emailkonto ändern",
    "edit account",         style::None, editorControls};

const DialogTemplate wizardTemplate{
    kWizardDialogId, 198, 143, "Neues Emailkonto", "Neues Emailkonto", style::None, wizardControls};

const DialogTemplate customProviderTemplate{kCustomProviderDialogId,
                                            260,
                                            112,
                                            "Eigener OAuth-Anbieter",
                                            "OAuth provider of your own",
                                            style::None,
                                            customProviderControls};

const DialogTemplate signInWaitTemplate{
    kSignInWaitDialogId, 240, 110, "Anmeldung", "sign-in", style::None, signInWaitControls};

} // namespace ombrix::res
