#include "res/mail_preview_templates.h"

namespace ombrix::res {
namespace {

constexpr ControlTemplate previewControls[] = {
    {kPreviewOk, ControlKind::DefaultPushButton, 182, 270, 50, 14, "OK", "OK"},
    {kPreviewSender, ControlKind::Edit, 33, 7, 202, 12, nullptr, nullptr, style::ReadOnly},
    {kPreviewSenderLabel, ControlKind::StaticText, 7, 9, 23, 8, "Von:", "sender", style::RightText},
    {kPreviewSubject, ControlKind::Edit, 33, 22, 202, 12, nullptr, nullptr, style::ReadOnly},
    {kPreviewSubjectLabel, ControlKind::StaticText, 6, 24, 26, 8, "Betreff:", "subject"},
    {kPreviewDate, ControlKind::Edit, 33, 37, 202, 12, nullptr, nullptr, style::ReadOnly},
    {kPreviewDateLabel, ControlKind::StaticText, 8, 39, 24, 8, "Datum:", "date"},
    {kPreviewSizeLabel, ControlKind::StaticText, 246, 39, 23, 8, "Größe:", "size"},
    {kPreviewSize, ControlKind::Edit, 269, 37, 33, 13, nullptr, nullptr,
     style::Disabled | style::RightText},
    {kPreviewUnit, ControlKind::StaticText, 307, 39, 54, 8, nullptr, nullptr},
    {kPreviewSafetyNote, ControlKind::StaticText, 246, 6, 174, 28,
     "Aufgrund des nur-Text-Formats ist die Darstellung völlig ungefährlich. Evtl. schädliche "
     "Anhänge werden nicht ausgeführt",
     "Due to the special only text mode, viewing mails is completely harmless. viruses or "
     "trojans wont be executed",
     style::SunkenEdge},
    {kPreviewBody, ControlKind::Edit, 8, 57, 415, 210, nullptr, nullptr,
     style::MultiLine | style::ReadOnly},
};

constexpr ControlTemplate markReadControls[] = {
    {kMarkAllAccounts, ControlKind::DefaultPushButton, 7, 57, 53, 14, "Alle Konten",
     "all accounts"},
    {kMarkSelectedAccount, ControlKind::PushButton, 65, 57, 105, 14, "Nur des ausgewählten Kontos",
     "only selected account"},
    {kMarkCancel, ControlKind::PushButton, 176, 57, 53, 14, "Abbrechen", "cancel"},
    {kMarkQuestion, ControlKind::StaticText, 38, 17, 125, 17,
     "Von welchen Konten sollen die Emails als gelesen markiert werden ?",
     "Mails from which account should be marked as read ?"},
    // An icon takes its own size (32 x 32 pixels); 21 x 20 units hold it.
    {kMarkIcon, ControlKind::Picture, 189, 13, 21, 20, nullptr, nullptr},
};

} // namespace

const DialogTemplate mailPreviewTemplate{
    kMailPreviewDialogId, 432, 286, "Mail Vorschau", "mail preview", style::None, previewControls};

const DialogTemplate markReadTemplate{kMarkReadDialogId,
                                      236,
                                      78,
                                      "Emails als gelesen markieren",
                                      "mark all mails as read",
                                      style::NoSystemMenu,
                                      markReadControls};

} // namespace ombrix::res
