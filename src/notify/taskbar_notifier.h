#pragma once
// The pop-up that slides out of the panel's edge with the new-mail text, stays
// a while and slides back. One object serves the whole process; the main window
// creates it once, configures it, and reacts to its two click signals.

#include "notify/popup_slide.h"
#include "platform/screen.h"
#include "platform/window_timers.h"

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>

namespace ombrix {

// The skin that ships with the program.
inline constexpr const char* kPopupSkinResource = ":/notify/popup_skin.png";

enum class PopupState { Idle = 0, Showing = 1, Shown = 2, Hiding = 3 };

enum PopupTimer { AppearTimer = 1, StayTimer = 2, DisappearTimer = 3 };

// Font style bits of SetFonts.
enum PopupFontStyle { PopupBold = 1, PopupItalic = 2, PopupUnderline = 4 };

class CTaskbarNotifier : public QWidget {
    Q_OBJECT

public:
    CTaskbarNotifier();
    ~CTaskbarNotifier() override;

    // Makes this a frameless tool window above all others that never takes the
    // focus, with the hand cursor. It stays a top-level window of its own, so it
    // can show while `parent` hides in the tray; it hides when `parent` goes away.
    bool CreatePopup(QWidget* parent);

    // Loads the skin picture (a resource path or a file). When none of red,
    // green and blue is -1, that colour becomes transparent where the platform
    // can shape windows. Returns false, and keeps the skin size 0, when the
    // picture cannot be loaded. The text area becomes the whole skin.
    bool LoadSkin(const QString& picture, int red = -1, int green = -1, int blue = -1);

    // Size in tenths of a point; styles are PopupFontStyle bits.
    void SetFonts(const QString& face, int tenthsOfPoint, int normalStyle, int hoverStyle);
    void SetColors(const QColor& normal, const QColor& hover);
    // Client coordinates; right and bottom lie just outside the area.
    void SetTextArea(int left, int top, int right, int bottom);

    // Shows the caption, or refreshes it when the pop-up is already out: sliding
    // in goes on, a shown pop-up stays for a full stay time again, and one that is
    // sliding out comes straight back. Ignored while no skin is loaded.
    void ShowMessage(const QString& caption, std::uint32_t timeToShow, std::uint32_t timeToStay,
                     std::uint32_t timeToHide);

    // Stops every timer, hides the window and returns to Idle at once.
    void HidePopup();

    // One tick of a PopupTimer, as its timer gives it; public so that tests can
    // drive the slide step by step.
    void OnTimer(int timer);
    bool isTimerActive(int timer) const;
    int timerInterval(int timer) const;

    // Where the work area comes from; the primary screen unless a test sets it.
    void setScreenLayoutSource(std::function<ScreenLayout()> source);

    PopupState popupState() const { return popupState_; }
    Placement placement() const { return placement_; }
    QPoint startPosition() const { return start_; }
    QPoint currentPosition() const { return current_; }
    QSize skinSize() const { return skin_.size(); }
    QRect textArea() const { return textArea_; }
    QString caption() const { return caption_; }
    bool mouseOver() const { return mouseOver_; }
    QFont currentFont() const { return mouseOver_ ? hoverFont_ : normalFont_; }
    QColor currentColor() const { return mouseOver_ ? hoverColor_ : normalColor_; }

signals:
    // A left click on the text: open the main window (and hide the pop-up).
    void openWindowRequested();
    // A left click on the close mark: only hide the pop-up.
    void closeRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void stopAllTimers();
    void armTimer(int id, std::uint32_t ms);
    void moveToCurrent();
    void setMouseOver(bool over);
    void applyTransparentColour(const QColor& colour);
    void appearTick();
    void disappearTick();

    QPointer<QWidget> parent_;
    QFont normalFont_;
    QFont hoverFont_;
    QColor normalColor_{133, 146, 181};
    QColor hoverColor_{133, 146, 181};
    QPixmap skin_;
    QRect textArea_;
    QString caption_;
    bool mouseOver_ = false;
    PopupState popupState_ = PopupState::Idle;
    std::uint32_t timeToShow_ = 0;
    std::uint32_t timeToStay_ = 0;
    std::uint32_t timeToHide_ = 0;
    int showPeriod_ = 0;
    int hidePeriod_ = 0;
    QPoint start_;
    QPoint current_;
    Placement placement_ = Placement::None;
    WindowTimers timers_{[this](int id) { OnTimer(id); }};
    std::function<ScreenLayout()> screenLayout_ = primaryScreenLayout;
};

} // namespace ombrix
