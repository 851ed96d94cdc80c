#include "platform/dialog_builder.h"

#include "platform/text_fit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <vector>

namespace ombrix {
namespace {

constexpr const char* kIdProperty = "ombrixControlId";
// No text is worth a dialog more than twice its drawn width.
constexpr int kMaxUnitGrowth = 2;

// MulDiv-style scaling: rounded to the nearest pixel, halves away from zero.
int scaleRounded(int value, int numerator, int denominator) {
    return int(std::lround(double(value) * numerator / denominator));
}

QString textFor(const ControlTemplate& control, int language) {
    const char* text = language == 0 || !control.english ? control.german : control.english;
    return text ? QString::fromUtf8(text) : QString();
}

Qt::Alignment alignmentOf(std::uint32_t flags) {
    if (flags & style::CenterText)
        return Qt::AlignHCenter;
    if (flags & style::RightText)
        return Qt::AlignRight;
    return Qt::AlignLeft;
}

QWidget* makeEdit(const ControlTemplate& control, const QString& text, QWidget* parent) {
    if (control.style & style::MultiLine) {
        auto* edit = new QPlainTextEdit(text, parent);
        edit->setReadOnly(control.style & style::ReadOnly);
        return edit;
    }
    auto* edit = new QLineEdit(text, parent);
    edit->setReadOnly(control.style & style::ReadOnly);
    edit->setAlignment(alignmentOf(control.style) | Qt::AlignVCenter);
    if (control.style & style::Numeric)
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
    if (control.kind == ControlKind::PasswordEdit)
        edit->setEchoMode(QLineEdit::Password);
    return edit;
}

QWidget* makeButton(const ControlTemplate& control, const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    button->setDefault(control.kind == ControlKind::DefaultPushButton);
    return button;
}

QWidget* makeLabel(const ControlTemplate& control, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true); // a static text control wraps its lines
    label->setAlignment(alignmentOf(control.style) | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    if (control.style & style::SunkenEdge)
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return label;
}

QWidget* makeControl(const ControlTemplate& control, const QString& text, QWidget* parent) {
    switch (control.kind) {
    case ControlKind::StaticText:
    case ControlKind::Picture:
        return makeLabel(control, text, parent);
    case ControlKind::Edit:
    case ControlKind::PasswordEdit:
        return makeEdit(control, text, parent);
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton:
        return makeButton(control, text, parent);
    case ControlKind::CheckBox:
        return new QCheckBox(text, parent);
    case ControlKind::Radio:
        return new QRadioButton(text, parent);
    case ControlKind::GroupBox:
        return new QGroupBox(text, parent);
    case ControlKind::ComboBox:
        return new QComboBox(parent);
    case ControlKind::ListView: {
        auto* frame = new QFrame(parent);
        frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        return frame;
    }
    case ControlKind::ProgressBar: {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        return bar;
    }
    case ControlKind::Slider:
        return new QSlider(control.style & style::Vertical ? Qt::Vertical : Qt::Horizontal, parent);
    }
    return new QWidget(parent);
}

// Radios form one exclusive group from a GroupStart radio (or the first radio)
// up to the next such radio, as the window system groups them.
void groupRadio(QRadioButton* radio, const ControlTemplate& control, QWidget& dialog,
                QButtonGroup*& group) {
    if (!group || (control.style & style::GroupStart))
        group = new QButtonGroup(&dialog);
    group->addButton(radio);
}

} // namespace

int DialogUnits::toPixelsX(int units) const {
    return scaleRounded(units, cx, 4);
}

int DialogUnits::toPixelsY(int units) const {
    return scaleRounded(units, cy, 8);
}

QRect DialogUnits::toPixels(int x, int y, int width, int height) const {
    return QRect(toPixelsX(x), toPixelsY(y), toPixelsX(width), toPixelsY(height));
}

DialogUnits dialogUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabetWidth =
        metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return DialogUnits{(alphabetWidth / 26 + 1) / 2, metrics.height()};
}

QWidget* DialogControls::byId(int id) const {
    auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

bool DialogControls::replace(int id, QWidget* replacement) {
    QWidget* old = byId(id);
    if (!old || !replacement)
        return false;
    replacement->setParent(old->parentWidget());
    replacement->setGeometry(old->geometry());
    replacement->setProperty(kIdProperty, id);
    replacement->setObjectName(old->objectName());
    replacement->stackUnder(old);
    replacement->setVisible(!old->isHidden());
    replacement->setEnabled(old->isEnabled());
    controls_[id] = replacement;
    delete old;
    return true;
}

namespace {

struct BuiltControl {
    const ControlTemplate* control;
    QWidget* widget;
};

void placeDialog(QWidget& dialog, const DialogTemplate& tmpl, const DialogUnits& units) {
    const QSize size(units.toPixelsX(tmpl.width), units.toPixelsY(tmpl.height));
    if (tmpl.style & style::Resizable)
        dialog.resize(size);
    else
        dialog.setFixedSize(size);
}

void placeControl(const BuiltControl& built, const DialogUnits& units) {
    const ControlTemplate& control = *built.control;
    QRect place = units.toPixels(control.x, control.y, control.width, control.height);
    if (control.kind == ControlKind::ComboBox) // the template's height is the open list's
        place.setHeight(built.widget->sizeHint().height());
    built.widget->setGeometry(place);
}

// Places every control and widens those whose text would be cut; false when
// some text still does not fit.
bool placeAndFit(QWidget& dialog, const DialogTemplate& tmpl, const std::vector<BuiltControl>& all,
                 const DialogUnits& units) {
    placeDialog(dialog, tmpl, units);
    for (const BuiltControl& built : all)
        placeControl(built, units);
    if (tmpl.style & style::Resizable) // its own layout places it and fits the texts
        return true;
    bool fits = true;
    for (const BuiltControl& built : all) {
        // A control that starts hidden is widened where there is room, but
        // the dialog does not grow for it: some are never shown at all.
        const bool shown = !(built.control->style & style::Hidden);
        fits = (fitText(*built.widget, units.gap()) || !shown) && fits;
    }
    return fits;
}

} // namespace

int DialogUnits::gap() const {
    return std::max(2, toPixelsX(2));
}

bool DialogControls::setText(int id, const QString& text) {
    QWidget* control = byId(id);
    if (!control)
        return false;
    if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(text);
    else if (auto* box = qobject_cast<QGroupBox*>(control))
        box->setTitle(text);
    return fitText(*control, units_.gap());
}

DialogControls buildDialog(QWidget& dialog, const DialogTemplate& tmpl, int language) {
    DialogControls result;
    dialog.setWindowTitle(QString::fromUtf8(
        language == 0 || !tmpl.englishTitle ? tmpl.germanTitle : tmpl.englishTitle));
    if (tmpl.style & style::NoSystemMenu)
        dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    QButtonGroup* radioGroup = nullptr;
    std::vector<QWidget*> groupBoxes;
    std::vector<BuiltControl> all;
    for (const ControlTemplate& control : tmpl.controls) {
        QWidget* widget = makeControl(control, textFor(control, language), &dialog);
        widget->setProperty(kIdProperty, control.id);
        widget->setHidden(control.style & style::Hidden);
        widget->setEnabled(!(control.style & style::Disabled));
        if (auto* radio = qobject_cast<QRadioButton*>(widget))
            groupRadio(radio, control, dialog, radioGroup);
        if (control.kind == ControlKind::GroupBox)
            groupBoxes.push_back(widget);
        if (control.id != kNoControlId) {
            widget->setObjectName(QStringLiteral("control%1").arg(control.id));
            result.controls_.emplace(control.id, widget);
        }
        all.push_back({&control, widget});
    }
    for (QWidget* box : groupBoxes) // frames lie behind the controls they frame
        box->lower();

    // Texts that the free space beside them cannot hold make every dialog unit
    // wider, so the whole dialog grows in its own proportions.
    DialogUnits units = dialogUnitsOf(dialog.font());
    const int widest = units.cx * kMaxUnitGrowth;
    while (!placeAndFit(dialog, tmpl, all, units) && units.cx < widest)
        ++units.cx;
    result.units_ = units;
    return result;
}

int controlId(const QWidget* control) {
    const QVariant id = control ? control->property(kIdProperty) : QVariant();
    return id.isValid() ? id.toInt() : kNoControlId;
}

} // namespace ombrix
