#include "res/account_dialog_templates.h"

namespace ombrix::res {
namespace {

constexpr ControlTemplate editorControls[] = {
    {kEditorOk, ControlKind::DefaultPushButton, 71, 158, 50, 14, "OK", "OK"},
    {kEditorCancel, ControlKind::PushButton, 149, 158, 50, 14, "Abbrechen", "cancel"},
    {kEditorAddress, ControlKind::Edit, 70, 15, 149, 14, nullptr, nullptr},
    {kEditorServer, ControlKind::Edit, 69, 47, 149, 14, nullptr, nullptr},
    {kEditorPort, ControlKind::Edit, 69, 63, 44, 14, nullptr, nullptr, style::Numeric},
    {kEditorSsl, ControlKind::CheckBox, 123, 65, 80, 10, "SSL Verschlüsselung", "SSL encryption"},
    {kEditorProtocol, ControlKind::ComboBox, 69, 78, 45, 73, nullptr, nullptr},
    {kEditorUser, ControlKind::Edit, 69, 101, 149, 14, nullptr, nullptr},
    {kEditorPassword, ControlKind::PasswordEdit, 69, 117, 149, 14, nullptr, nullptr},
    {1063, ControlKind::StaticText, 21, 18, 45, 8, "E-Mailadresse", "mail address"},
    {1018, ControlKind::StaticText, 31, 50, 34, 8, "Mailserver", "mailserver"},
    {1067, ControlKind::StaticText, 32, 104, 33, 8, "Username", "username"},
    {1068, ControlKind::StaticText, 33, 119, 30, 8, "Passwort", "password"},
    {1064, ControlKind::GroupBox, 7, 34, 242, 108, "Einstellungen", "options"},
    {1065, ControlKind::StaticText, 50, 65, 14, 8, "Port", "port"},
    {1066, ControlKind::StaticText, 36, 80, 28, 8, "Protokoll", "protocol"},
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
};

} // namespace

const DialogTemplate accountEditorTemplate{
    kAccountEditorDialogId, 256,         179,           "Emailkonto ändern",
    "edit account",         style::None, editorControls};

const DialogTemplate wizardTemplate{
    kWizardDialogId, 198, 143, "Neues Emailkonto", "Neues Emailkonto", style::None, wizardControls};

} // namespace ombrix::res
