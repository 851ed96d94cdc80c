#include "platform/dialog_builder.h"
#include "platform/text_fit.h"
#include "res/wait_dialog_template.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

struct UnitsRow {
    const char* name;
    DialogUnits units;
    int x, y, w, h;
    QRect expected;
};

class DialogUnitConversion : public testing::TestWithParam<UnitsRow> {};

TEST_P(DialogUnitConversion, ScalesByQuarterWidthAndEighthHeightRounded) {
    const UnitsRow& row = GetParam();
    EXPECT_EQ(row.units.toPixels(row.x, row.y, row.w, row.h), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DialogUnitConversion,
    testing::Values(
        // 49 * 13 / 8 = 79.625 and 12 * 13 / 8 = 19.5 both round up.
        UnitsRow{"WaitButtonAtSixByThirteen", {6, 13}, 146, 49, 44, 12, QRect(219, 80, 66, 20)},
        // 146 * 7 / 4 = 255.5: halves round away from zero, as MulDiv does.
        UnitsRow{"HalfPixelRoundsUp", {7, 16}, 146, 49, 44, 12, QRect(256, 98, 77, 24)},
        UnitsRow{"WaitPictureAtFiveByThirteen", {5, 13}, 7, 6, 19, 20, QRect(9, 10, 24, 33)},
        UnitsRow{"OriginStaysAtOrigin", {8, 16}, 0, 0, 4, 8, QRect(0, 0, 8, 16)}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(DialogUnitsOfFont, GrowWithTheFontAndTakeTheLineHeight) {
    QFont small;
    small.setPixelSize(10);
    QFont large;
    large.setPixelSize(24);
    const DialogUnits smallUnits = dialogUnitsOf(small);
    const DialogUnits largeUnits = dialogUnitsOf(large);
    EXPECT_GT(smallUnits.cx, 0);
    EXPECT_GT(largeUnits.cx, smallUnits.cx);
    EXPECT_EQ(largeUnits.cy, QFontMetrics(large).height());
    // The average letter of a proportional font is narrower than it is tall.
    EXPECT_LT(largeUnits.cx, largeUnits.cy);
}

constexpr ControlTemplate sampleControls[] = {
    {1, ControlKind::DefaultPushButton, 10, 80, 40, 12, "OK", nullptr},
    {2, ControlKind::PushButton, 60, 80, 40, 12, "Abbrechen", "Cancel"},
    {10, ControlKind::StaticText, 10, 4, 100, 8, "Benutzer:", "user:"},
    {11, ControlKind::Edit, 10, 14, 100, 12, "pop.example.org", nullptr},
    {12, ControlKind::PasswordEdit, 10, 28, 100, 12, "geheim", nullptr},
    {13, ControlKind::CheckBox, 10, 42, 100, 10, "SSL", nullptr, style::Disabled},
    {kNoControlId, ControlKind::GroupBox, 120, 4, 70, 60, "Protokoll", "protocol"},
    {20, ControlKind::Radio, 125, 14, 50, 10, "POP3", nullptr, style::GroupStart},
    {21, ControlKind::Radio, 125, 26, 50, 10, "IMAP", nullptr},
    {22, ControlKind::Radio, 125, 40, 50, 10, "A", nullptr, style::GroupStart},
    {23, ControlKind::Radio, 125, 52, 50, 10, "B", nullptr},
    {30, ControlKind::ComboBox, 10, 56, 100, 80, nullptr, nullptr},
    {31, ControlKind::ProgressBar, 10, 70, 100, 8, nullptr, nullptr},
    {32, ControlKind::Slider, 120, 66, 70, 12, nullptr, nullptr},
    {33, ControlKind::ListView, 200, 4, 60, 60, nullptr, nullptr},
    {34, ControlKind::Edit, 200, 70, 20, 12, nullptr, nullptr, style::Hidden},
};

constexpr DialogTemplate sampleDialog{
    500, 270, 100, "Konto bearbeiten", "edit account", style::NoSystemMenu, sampleControls};

TEST(DialogBuilder, MakesEveryKindAtItsPixelPlace) {
    QDialog dialog;
    const DialogControls controls = buildDialog(dialog, sampleDialog, 1);
    const DialogUnits& units = controls.units();

    auto* ok = controls.get<QPushButton>(1);
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(ok->geometry(), units.toPixels(10, 80, 40, 12));
    EXPECT_FALSE(controls.get<QPushButton>(2)->isDefault());
    EXPECT_EQ(controls.get<QLineEdit>(12)->echoMode(), QLineEdit::Password);
    EXPECT_EQ(controls.get<QLineEdit>(11)->echoMode(), QLineEdit::Normal);
    EXPECT_FALSE(controls.get<QCheckBox>(13)->isEnabled());
    EXPECT_NE(controls.get<QProgressBar>(31), nullptr);
    EXPECT_NE(controls.get<QSlider>(32), nullptr);
    EXPECT_NE(controls.get<QComboBox>(30), nullptr);
    EXPECT_TRUE(controls.byId(34)->isHidden());
    EXPECT_FALSE(controls.byId(11)->isHidden());
    EXPECT_EQ(controls.byId(999), nullptr);
    EXPECT_EQ(controlId(controls.byId(21)), 21);

    EXPECT_EQ(dialog.size(), QSize(units.toPixelsX(270), units.toPixelsY(100)));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize()) << "a template dialog is not resizable";
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
}

TEST(DialogBuilder, PicksTheTextsOfTheLanguage) {
    QDialog english;
    const DialogControls en = buildDialog(english, sampleDialog, 1);
    EXPECT_EQ(english.windowTitle(), "edit account");
    EXPECT_EQ(en.get<QPushButton>(2)->text(), "Cancel");
    EXPECT_EQ(en.get<QLabel>(10)->text(), "user:");
    EXPECT_EQ(en.get<QPushButton>(1)->text(), "OK") << "no English text: the German one serves";

    QDialog german;
    const DialogControls de = buildDialog(german, sampleDialog, 0);
    EXPECT_EQ(german.windowTitle(), "Konto bearbeiten");
    EXPECT_EQ(de.get<QPushButton>(2)->text(), "Abbrechen");
    EXPECT_EQ(de.get<QLineEdit>(11)->text(), "pop.example.org");
}

TEST(DialogBuilder, RadiosFormOneGroupPerGroupStart) {
    QDialog dialog;
    const DialogControls controls = buildDialog(dialog, sampleDialog, 1);
    auto* pop3 = controls.get<QRadioButton>(20);
    auto* imap = controls.get<QRadioButton>(21);
    auto* a = controls.get<QRadioButton>(22);
    pop3->setChecked(true);
    a->setChecked(true);
    imap->setChecked(true);
    EXPECT_FALSE(pop3->isChecked()) << "POP3 and IMAP exclude each other";
    EXPECT_TRUE(a->isChecked()) << "the second group is independent";
}

TEST(DialogBuilder, GroupBoxWithoutIdIsBuiltButNotFoundById) {
    QDialog dialog;
    const DialogControls controls = buildDialog(dialog, sampleDialog, 1);
    const auto boxes = dialog.findChildren<QGroupBox*>();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.front()->title(), "protocol");
    EXPECT_EQ(controlId(boxes.front()), kNoControlId);
    EXPECT_EQ(controls.byId(kNoControlId), nullptr);
}

TEST(DialogBuilder, ReplacedPlaceholderKeepsPlaceAndId) {
    QDialog dialog;
    DialogControls controls = buildDialog(dialog, sampleDialog, 1);
    const QRect place = controls.byId(33)->geometry();
    auto* list = new QLabel("list");
    ASSERT_TRUE(controls.replace(33, list));
    EXPECT_EQ(controls.byId(33), list);
    EXPECT_EQ(list->parentWidget(), &dialog);
    EXPECT_EQ(list->geometry(), place);
    EXPECT_EQ(controlId(list), 33);
    auto* stray = new QLabel("x");
    EXPECT_FALSE(controls.replace(777, stray));
    delete stray;
}

TEST(DialogBuilder, WaitDialogTemplateHasItsFiveControls) {
    QDialog dialog;
    const DialogControls controls = buildDialog(dialog, res::waitDialogTemplate, 0);
    EXPECT_EQ(dialog.windowTitle(), "Bitte Warten - Ombrix");
    ASSERT_NE(controls.get<QPushButton>(res::kWaitButton), nullptr);
    EXPECT_TRUE(controls.get<QPushButton>(res::kWaitButton)->isDefault());
    EXPECT_EQ(controls.get<QPushButton>(res::kWaitButton)->geometry(),
              controls.units().toPixels(146, 49, 44, 12));
    EXPECT_EQ(controls.get<QLabel>(res::kWaitStatus)->text(),
              QString::fromUtf8("Bitte warten...überprüfe gerade Mailkonten..."));
    EXPECT_NE(controls.get<QProgressBar>(res::kWaitProgress), nullptr);
    EXPECT_TRUE(controls.byId(res::kWaitSpareEdit)->isHidden());
    EXPECT_NE(controls.byId(res::kWaitPicture), nullptr);
}

// A row of a label and an edit, a centred label, a check box with no room.
constexpr ControlTemplate crampedControls[] = {
    {40, ControlKind::StaticText, 4, 4, 10, 8, "Mailprüf-Intervall:", nullptr},
    {41, ControlKind::Edit, 60, 2, 20, 12, nullptr, nullptr},
    {42, ControlKind::StaticText, 40, 20, 20, 8, "The Ombrix developers", nullptr,
     style::CenterText},
    {43, ControlKind::CheckBox, 4, 34, 50, 10, "automatisch wieder schliessen", nullptr},
    {44, ControlKind::PushButton, 90, 34, 8, 10, nullptr, nullptr},
};
constexpr DialogTemplate crampedDialog{501, 100, 50, "eng", nullptr, style::None, crampedControls};

TEST(DialogBuilder, ATextTakesTheFreeSpaceBesideItAndTheDialogGrowsForTheRest) {
    QDialog dialog;
    const DialogControls controls = buildDialog(dialog, crampedDialog, 0);
    const DialogUnits natural = dialogUnitsOf(dialog.font());
    const DialogUnits& units = controls.units();
    const QRect label = controls.byId(40)->geometry();
    const QRect edit = controls.byId(41)->geometry();
    const QRect centred = controls.byId(42)->geometry();
    const QRect box = controls.byId(43)->geometry();
    const QRect button = controls.byId(44)->geometry();

    // The check box has 84 units before its button: only wider units hold it.
    EXPECT_GT(units.cx, natural.cx);
    EXPECT_EQ(dialog.size(), QSize(units.toPixelsX(100), units.toPixelsY(50)));
    for (int id : {40, 42, 43, 44})
        EXPECT_TRUE(showsWholeText(*controls.byId(id))) << id;
    // Widened to the right, never up to the neighbour; the centred text to both sides.
    EXPECT_EQ(label.left(), units.toPixelsX(4));
    EXPECT_LE(label.right() + units.gap(), edit.left() - 1);
    EXPECT_EQ(edit, units.toPixels(60, 2, 20, 12)) << "the neighbour stays";
    EXPECT_LE(box.right() + units.gap(), button.left() - 1);
    const QRect centredPlace = units.toPixels(40, 20, 20, 8);
    EXPECT_LT(centred.left(), centredPlace.left());
    EXPECT_NEAR(centred.center().x(), centredPlace.center().x(), 1);
}

TEST(DialogBuilder, ATextSetLaterWidensItsControlAsFarAsThereIsRoom) {
    QDialog dialog;
    DialogControls controls = buildDialog(dialog, crampedDialog, 1);
    QWidget& label = *controls.byId(40);
    const QRect edit = controls.byId(41)->geometry();
    label.resize(controls.units().toPixels(0, 0, 10, 8).size());
    EXPECT_TRUE(controls.setText(40, "Intervall:"));
    EXPECT_GT(label.width(), controls.units().toPixelsX(10));
    EXPECT_EQ(label.x(), controls.units().toPixelsX(4));
    EXPECT_FALSE(controls.setText(40, "ein Text, der nicht zwischen den Rand und das Feld passt"));
    EXPECT_LT(label.geometry().right(), edit.left());
    EXPECT_FALSE(controls.setText(999, "none"));
}

} // namespace
} // namespace ombrix
