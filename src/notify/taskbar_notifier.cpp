#include "notify/taskbar_notifier.h"

#include "notify/popup_caption.h"

#include <QBitmap>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <limits>

namespace ombrix {

namespace {

// The close mark at the skin's top right, bounds exclusive.
bool onCloseMark(QPoint p) {
    return p.x() > 202 && p.x() < 222 && p.y() > 8 && p.y() < 28;
}

// Offscreen and minimal platforms have no window shapes; asking them only warns.
bool platformShapesWindows() {
    const QString name = QGuiApplication::platformName();
    return name != QLatin1String("offscreen") && name != QLatin1String("minimal");
}

QFont styledFont(const QString& face, int tenthsOfPoint, int style) {
    QFont font(face);
    font.setPointSizeF(tenthsOfPoint / 10.0);
    font.setWeight((style & PopupBold) != 0 ? QFont::Bold : QFont::Normal);
    font.setItalic((style & PopupItalic) != 0);
    font.setUnderline((style & PopupUnderline) != 0);
    return font;
}

} // namespace

CTaskbarNotifier::CTaskbarNotifier() = default;

CTaskbarNotifier::~CTaskbarNotifier() = default;

bool CTaskbarNotifier::CreatePopup(QWidget* parent) {
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
    parent_ = parent;
    if (parent != nullptr)
        connect(parent, &QObject::destroyed, this, &CTaskbarNotifier::HidePopup);
    return true;
}

bool CTaskbarNotifier::LoadSkin(const QString& picture, int red, int green, int blue) {
    QPixmap loaded;
    if (!loaded.load(picture))
        return false;
    skin_ = loaded;
    textArea_ = QRect(QPoint(0, 0), skin_.size());
    if (red != -1 && green != -1 && blue != -1)
        applyTransparentColour(QColor(red, green, blue));
    update();
    return true;
}

void CTaskbarNotifier::applyTransparentColour(const QColor& colour) {
    if (!platformShapesWindows())
        return;
    const QImage image = skin_.toImage();
    setMask(QBitmap::fromImage(image.createMaskFromColor(colour.rgb(), Qt::MaskOutColor)));
}

void CTaskbarNotifier::SetFonts(const QString& face, int tenthsOfPoint, int normalStyle,
                                int hoverStyle) {
    normalFont_ = styledFont(face, tenthsOfPoint, normalStyle);
    hoverFont_ = styledFont(face, tenthsOfPoint, hoverStyle);
}

void CTaskbarNotifier::SetColors(const QColor& normal, const QColor& hover) {
    normalColor_ = normal;
    hoverColor_ = hover;
    update();
}

void CTaskbarNotifier::SetTextArea(int left, int top, int right, int bottom) {
    textArea_ = QRect(left, top, right - left, bottom - top);
}

void CTaskbarNotifier::setScreenLayoutSource(std::function<ScreenLayout()> source) {
    screenLayout_ = std::move(source);
}

void CTaskbarNotifier::ShowMessage(const QString& caption, std::uint32_t timeToShow,
                                   std::uint32_t timeToStay, std::uint32_t timeToHide) {
    // Without a skin there is nothing to show, and no slide length to pace.
    if (skin_.width() < kSlideStep || skin_.height() < kSlideStep)
        return;
    caption_ = caption;
    timeToShow_ = timeToShow;
    timeToStay_ = timeToStay;
    timeToHide_ = timeToHide;
    const ScreenLayout layout = screenLayout_();
    switch (popupState_) {
    case PopupState::Idle: {
        const SlidePlan plan =
            planSlide(taskbarEdge(layout), layout.workArea, skin_.size(), timeToShow, timeToHide);
        placement_ = plan.placement;
        start_ = plan.start;
        current_ = plan.start;
        showPeriod_ = plan.showPeriod;
        hidePeriod_ = plan.hidePeriod;
        moveToCurrent();
        show();
        armTimer(AppearTimer, static_cast<std::uint32_t>(showPeriod_));
        break;
    }
    case PopupState::Showing:
        update();
        break;
    case PopupState::Shown:
        // A slide-out already armed would cut the new stay short.
        timers_.kill(DisappearTimer);
        armTimer(StayTimer, timeToStay_);
        update();
        break;
    case PopupState::Hiding:
        timers_.kill(DisappearTimer);
        armTimer(StayTimer, timeToStay_);
        current_ = fullyShownPosition(placement_, start_, skin_.size());
        moveToCurrent();
        show();
        update();
        break;
    }
}

void CTaskbarNotifier::HidePopup() {
    // Every timer, not only the current state's: a stray slide-out would move a
    // later pop-up away under the user's eyes.
    stopAllTimers();
    hide();
    mouseOver_ = false;
    popupState_ = PopupState::Idle;
}

void CTaskbarNotifier::OnTimer(int id) {
    switch (id) {
    case AppearTimer:
        appearTick();
        break;
    case StayTimer:
        timers_.kill(StayTimer);
        armTimer(DisappearTimer, static_cast<std::uint32_t>(hidePeriod_));
        break;
    case DisappearTimer:
        disappearTick();
        break;
    default:
        break;
    }
}

void CTaskbarNotifier::appearTick() {
    popupState_ = PopupState::Showing;
    if (!stepIn(placement_, start_, skin_.size(), current_)) {
        timers_.kill(AppearTimer);
        armTimer(StayTimer, timeToStay_);
        popupState_ = PopupState::Shown;
    }
    moveToCurrent();
}

void CTaskbarNotifier::disappearTick() {
    popupState_ = PopupState::Hiding;
    if (!stepOut(placement_, start_, current_)) {
        timers_.kill(DisappearTimer);
        HidePopup();
    }
    moveToCurrent();
}

bool CTaskbarNotifier::isTimerActive(int id) const {
    return timers_.isActive(id);
}

int CTaskbarNotifier::timerInterval(int id) const {
    return timers_.interval(id);
}

void CTaskbarNotifier::stopAllTimers() {
    for (int id = AppearTimer; id <= DisappearTimer; ++id)
        timers_.kill(id);
}

void CTaskbarNotifier::armTimer(int id, std::uint32_t ms) {
    const auto limit = static_cast<std::uint32_t>(std::numeric_limits<int>::max());
    timers_.set(id, static_cast<int>(std::min(ms, limit)));
}

void CTaskbarNotifier::moveToCurrent() {
    setGeometry(QRect(current_, skin_.size()));
}

void CTaskbarNotifier::setMouseOver(bool over) {
    if (mouseOver_ == over)
        return;
    mouseOver_ = over;
    update();
}

void CTaskbarNotifier::enterEvent(QEnterEvent* event) {
    setMouseOver(true);
    QWidget::enterEvent(event);
}

void CTaskbarNotifier::leaveEvent(QEvent* event) {
    setMouseOver(false);
    QWidget::leaveEvent(event);
}

void CTaskbarNotifier::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    // A press dragged off the pop-up and released elsewhere is no click.
    if (event->button() == Qt::LeftButton && rect().contains(at)) {
        if (onCloseMark(at))
            emit closeRequested();
        else
            emit openWindowRequested();
    }
    QWidget::mouseReleaseEvent(event);
}

void CTaskbarNotifier::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (skin_.isNull())
        painter.fillRect(rect(), palette().window());
    else
        painter.drawPixmap(0, 0, skin_);
    painter.setFont(currentFont());
    painter.setPen(currentColor());
    drawCaption(painter, textArea_, caption_);
}

} // namespace ombrix
