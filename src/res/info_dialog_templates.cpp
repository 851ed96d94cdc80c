#include "res/info_dialog_templates.h"

#include <array>

namespace ombrix::res {
namespace {

constexpr ControlTemplate hintControls[] = {
    {kHintOk, ControlKind::DefaultPushButton, 138, 139, 50, 14, "OK", "OK"},
    {kHintText, ControlKind::StaticText, 7, 15, 195, 57,
     "Sie können anstatt diesen Menüpunkt anzuwählen\n auch direkt im Hauptfenster alle\nEmails "
     "als gelesen markieren.\n\nKlicken Sie dazu einfach in der Liste der Emails auf den Button "
     "\"gelesen\".",
     // The window system's static text breaks lines at CR LF; a label at LF.
     "Instead of selecting this function in the menu, you can directly click on the header of "
     "the list of mails.\nIn the header of the list, click on read to mark all messages!"},
    {kHintPicture, ControlKind::Picture, 40, 68, 123, 58, nullptr, nullptr, style::SunkenEdge},
    {kHintCheckBox, ControlKind::CheckBox, 28, 140, 95, 10, "Tipp nicht mehr anzeigen",
     "do not show this again"},
};

// Both about boxes share the layout; only the support line differs in place.
constexpr std::array<ControlTemplate, 7> aboutControls(ControlTemplate supportLine) {
    return {{
        {kNoControlId, ControlKind::StaticText, 67, 14, 91, 8, "Ombrix 2.5", nullptr,
         style::CenterText},
        {kNoControlId, ControlKind::StaticText, 54, 25, 123, 8, "© 2024-2025 The Ombrix developers",
         nullptr, style::CenterText},
        {kAboutPicture, ControlKind::Picture, 71, 36, 75, 63, nullptr, nullptr, style::CenterText},
        {kAboutWebAddress, ControlKind::StaticText, 84, 106, 53, 8, kWebAddress, nullptr,
         style::CenterText},
        {kNoControlId, ControlKind::StaticText, 84, 134, 58, 8, "The Ombrix developers", nullptr,
         style::CenterText},
        supportLine,
        {kAboutOk, ControlKind::DefaultPushButton, 85, 172, 50, 12, "OK", nullptr},
    }};
}

constexpr auto aboutGermanControls = aboutControls(
    {kAboutSupportLine, ControlKind::StaticText, 9, 152, 201, 8,
     "Fragen und Anregungen bitte an support@ombrix.org", nullptr, style::CenterText});

constexpr auto aboutEnglishControls =
    aboutControls({kAboutSupportLine, ControlKind::StaticText, 30, 148, 166, 20,
                   "Please send your questions and suggestions to support@ombrix.org", nullptr,
                   style::CenterText});

} // namespace

const DialogTemplate hintTemplate{kHintDialogId, 209,         160,         "Tipp!",
                                  "Hint!",       style::None, hintControls};

const DialogTemplate aboutGermanTemplate{
    kAboutGermanDialogId, 217, 191, "Info über Ombrix", "Info über Ombrix", style::None,
    aboutGermanControls};

const DialogTemplate aboutEnglishTemplate{
    kAboutEnglishDialogId, 217, 191, "about Ombrix", "about Ombrix", style::None,
    aboutEnglishControls};

} // namespace ombrix::res
