#include "res/wait_dialog_template.h"

namespace ombrix::res {
namespace {

constexpr ControlTemplate waitControls[] = {
    {kWaitButton, ControlKind::DefaultPushButton, 146, 49, 44, 12, "Abbrechen", "Cancel"},
    {kWaitPicture, ControlKind::Picture, 7, 6, 19, 20, nullptr, nullptr},
    {kWaitSpareEdit, ControlKind::Edit, 50, 6, 6, 12, nullptr, nullptr, style::Hidden},
    {kWaitStatus, ControlKind::StaticText, 53, 15, 138, 26,
     "Bitte warten...überprüfe gerade Mailkonten...", "please wait...checking mails..."},
    {kWaitProgress, ControlKind::ProgressBar, 52, 51, 89, 9, nullptr, nullptr},
};

} // namespace

// The wait dialog's size is not part of its control list; 197 x 67 frames the
// controls with the same margin the button keeps on the right.
const DialogTemplate waitDialogTemplate{
    kWaitDialogId,       197,         67, "Bitte Warten - Ombrix", "Bitte Warten - Ombrix",
    style::NoSystemMenu, waitControls};

} // namespace ombrix::res
