// The pop-up's slide from every panel edge, its states and timers, the clicks
// and the hover look. The slide is driven tick by tick through OnTimer, with
// the screen layout given by each test; one test lets the real timers run.

#include "notify/qstring_print.h"
#include "notify/taskbar_notifier.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEnterEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

namespace ombrix {
namespace {

const QRect kScreen(0, 0, 1024, 768);
const QSize kSkin(230, 135);

// Ticks `timer` until it stops; returns the number of ticks.
int runTimer(CTaskbarNotifier& popup, int timer) {
    int ticks = 0;
    while (popup.isTimerActive(timer) && ticks < 10000) {
        popup.OnTimer(timer);
        ++ticks;
    }
    return ticks;
}

class PopupTest : public testing::Test {
protected:
    void SetUp() override {
        popup = std::make_unique<CTaskbarNotifier>();
        ASSERT_TRUE(popup->CreatePopup(nullptr));
        ASSERT_TRUE(popup->LoadSkin(kPopupSkinResource));
        popup->SetFonts("Arial", 80, 0, PopupUnderline);
        popup->SetColors(QColor(0, 0, 230), QColor(0, 0, 255));
        popup->SetTextArea(10, 40, 220, 110);
        useWorkArea(QRect(0, 0, 1024, 740));
    }

    void useWorkArea(const QRect& workArea) {
        popup->setScreenLayoutSource([workArea] { return ScreenLayout{kScreen, workArea}; });
    }

    // Slides fully in with the program's times.
    void slideIn(const QString& caption = "Work: 2 new mails !\n") {
        popup->ShowMessage(caption, 800, 7000, 500);
        runTimer(*popup, AppearTimer);
        ASSERT_EQ(popup->popupState(), PopupState::Shown);
    }

    void release(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QMouseEvent event(QEvent::MouseButtonRelease, QPointF(at), popup->mapToGlobal(QPointF(at)),
                          button, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(popup.get(), &event);
    }

    std::unique_ptr<CTaskbarNotifier> popup;
};

TEST_F(PopupTest, WindowIsAFramelessTopmostToolWindowWithTheHandCursor) {
    const Qt::WindowFlags flags = popup->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::Tool));
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(popup->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(popup->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(popup->skinSize(), kSkin);
    EXPECT_EQ(popup->textArea(), QRect(10, 40, 210, 70));
}

TEST(PopupSkin, MissingPictureLeavesNoSkinAndShowMessageDoesNothing) {
    CTaskbarNotifier popup;
    popup.CreatePopup(nullptr);
    EXPECT_FALSE(popup.LoadSkin(":/notify/no_such_skin.png"));
    EXPECT_EQ(popup.skinSize(), QSize(0, 0));
    popup.ShowMessage("x", 800, 7000, 500);
    EXPECT_EQ(popup.popupState(), PopupState::Idle);
    EXPECT_FALSE(popup.isVisible());
    EXPECT_FALSE(popup.isTimerActive(AppearTimer));
}

TEST_F(PopupTest, LoadingASkinMakesTheWholeSkinTheTextArea) {
    EXPECT_TRUE(popup->LoadSkin(kPopupSkinResource, -1, -1, -1));
    EXPECT_EQ(popup->textArea(), QRect(QPoint(0, 0), kSkin));
}

struct SlideRow {
    const char* name;
    QRect workArea;
    Placement placement;
    QPoint start;
    QPoint fullyIn;
    int showPeriod;
    int hidePeriod;
    int stepsIn;
};

void PrintTo(const SlideRow& row, std::ostream* os) {
    *os << row.name;
}

class PopupSlide : public PopupTest, public testing::WithParamInterface<SlideRow> {};

TEST_P(PopupSlide, SlidesInStaysAndSlidesBackToItsStart) {
    const SlideRow& row = GetParam();
    useWorkArea(row.workArea);
    popup->ShowMessage("Work: 1 new mail !\n", 800, 7000, 500);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->placement(), row.placement);
    EXPECT_EQ(popup->startPosition(), row.start);
    EXPECT_EQ(popup->timerInterval(AppearTimer), row.showPeriod);

    // Every tick moves one step until the test finds it fully in.
    EXPECT_EQ(runTimer(*popup, AppearTimer), row.stepsIn + 1);
    EXPECT_EQ(popup->popupState(), PopupState::Shown);
    EXPECT_EQ(popup->currentPosition(), row.fullyIn);
    EXPECT_EQ(popup->geometry(), QRect(row.fullyIn, kSkin));
    EXPECT_TRUE(popup->isTimerActive(StayTimer));
    EXPECT_EQ(popup->timerInterval(StayTimer), 7000);

    popup->OnTimer(StayTimer);
    EXPECT_FALSE(popup->isTimerActive(StayTimer));
    EXPECT_EQ(popup->timerInterval(DisappearTimer), row.hidePeriod);
    EXPECT_EQ(popup->currentPosition(), row.fullyIn);

    EXPECT_EQ(runTimer(*popup, DisappearTimer), row.stepsIn + 1);
    EXPECT_EQ(popup->popupState(), PopupState::Idle);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(popup->currentPosition(), row.start);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, PopupSlide,
    testing::Values(
        // Rises at the right until its top is 136 pixels above the work area's bottom.
        SlideRow{"bottom", QRect(0, 0, 1024, 740), Placement::FromBottom, QPoint(794, 740),
                 QPoint(794, 604), 11, 7, 68},
        SlideRow{"top", QRect(0, 28, 1024, 740), Placement::FromTop, QPoint(794, -107),
                 QPoint(794, 29), 11, 7, 68},
        // In from the left edge, aligned with the work area's bottom.
        SlideRow{"left", QRect(34, 0, 990, 768), Placement::FromLeft, QPoint(-196, 633),
                 QPoint(34, 633), 6, 4, 115},
        SlideRow{"right", QRect(0, 0, 990, 768), Placement::FromRight, QPoint(990, 633),
                 QPoint(760, 633), 6, 4, 115}),
    [](const testing::TestParamInfo<SlideRow>& p) { return std::string(p.param.name); });

TEST_F(PopupTest, StayTimeFollowsTheAutoCloseChoice) {
    popup->ShowMessage("a", 800, 999999, 500);
    runTimer(*popup, AppearTimer);
    EXPECT_EQ(popup->timerInterval(StayTimer), 999999);
    popup->HidePopup();
    popup->ShowMessage("a", 800, 7000, 500);
    runTimer(*popup, AppearTimer);
    EXPECT_EQ(popup->timerInterval(StayTimer), 7000);
}

TEST_F(PopupTest, NewMessageWhileSlidingOutComesStraightBackForAFullStay) {
    slideIn();
    popup->OnTimer(StayTimer);
    for (int i = 0; i < 10; ++i)
        popup->OnTimer(DisappearTimer);
    ASSERT_EQ(popup->popupState(), PopupState::Hiding);
    ASSERT_EQ(popup->currentPosition(), QPoint(794, 624));

    popup->ShowMessage("Home: 1 new mail !\n", 800, 7000, 500);
    EXPECT_EQ(popup->caption(), "Home: 1 new mail !\n");
    EXPECT_EQ(popup->popupState(), PopupState::Hiding);
    EXPECT_FALSE(popup->isTimerActive(DisappearTimer));
    EXPECT_TRUE(popup->isTimerActive(StayTimer));
    EXPECT_EQ(popup->timerInterval(StayTimer), 7000);
    EXPECT_EQ(popup->currentPosition(), QPoint(794, 740 - 135));
    EXPECT_EQ(popup->geometry().topLeft(), QPoint(794, 605));
    EXPECT_TRUE(popup->isVisible());

    // The stay ends as usual and the pop-up slides out and hides.
    popup->OnTimer(StayTimer);
    EXPECT_GT(runTimer(*popup, DisappearTimer), 60);
    EXPECT_EQ(popup->popupState(), PopupState::Idle);
    EXPECT_FALSE(popup->isVisible());
}

TEST_F(PopupTest, NewMessageWhileShownRestartsTheStayEvenWhenTheSlideOutWasDue) {
    slideIn();
    popup->OnTimer(StayTimer); // the slide-out is armed, its first tick not yet come
    ASSERT_TRUE(popup->isTimerActive(DisappearTimer));
    popup->ShowMessage("second", 800, 7000, 500);
    EXPECT_EQ(popup->popupState(), PopupState::Shown);
    EXPECT_FALSE(popup->isTimerActive(DisappearTimer));
    EXPECT_TRUE(popup->isTimerActive(StayTimer));
    EXPECT_EQ(popup->currentPosition(), QPoint(794, 604));
}

TEST_F(PopupTest, NewMessageWhileSlidingInOnlyChangesTheText) {
    popup->ShowMessage("first", 800, 7000, 500);
    for (int i = 0; i < 5; ++i)
        popup->OnTimer(AppearTimer);
    ASSERT_EQ(popup->popupState(), PopupState::Showing);
    popup->ShowMessage("second", 100, 100, 100);
    EXPECT_EQ(popup->caption(), "second");
    EXPECT_EQ(popup->currentPosition(), QPoint(794, 730));
    EXPECT_EQ(popup->timerInterval(AppearTimer), 11);
    EXPECT_EQ(runTimer(*popup, AppearTimer), 64);
    EXPECT_EQ(popup->currentPosition(), QPoint(794, 604));
}

TEST_F(PopupTest, HidePopupStopsEveryTimerSoALaterMessageShowsAfresh) {
    slideIn();
    popup->OnTimer(StayTimer);
    popup->HidePopup();
    EXPECT_EQ(popup->popupState(), PopupState::Idle);
    EXPECT_FALSE(popup->isVisible());
    for (int timer : {AppearTimer, StayTimer, DisappearTimer})
        EXPECT_FALSE(popup->isTimerActive(timer)) << "timer " << timer;

    popup->ShowMessage("again", 800, 7000, 500);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->currentPosition(), QPoint(794, 740));
    EXPECT_TRUE(popup->isTimerActive(AppearTimer));
}

// Waits for `done`, letting the real timers run; false on time-out.
template <typename Condition> bool waitFor(Condition done) {
    QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

TEST_F(PopupTest, RealTimersCarryItInAndOutByThemselves) {
    popup->ShowMessage("stays", 0, 999999, 0);
    ASSERT_TRUE(waitFor([&] { return popup->popupState() == PopupState::Shown; }));
    EXPECT_EQ(popup->geometry(), QRect(QPoint(794, 604), kSkin));
    EXPECT_TRUE(popup->isTimerActive(StayTimer));

    // A new message with no stay time lets it close by itself.
    popup->ShowMessage("closes", 0, 0, 0);
    ASSERT_TRUE(waitFor([&] { return popup->popupState() == PopupState::Idle; }));
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(popup->currentPosition(), QPoint(794, 740));
}

TEST_F(PopupTest, ParentGoingAwayHidesThePopup) {
    auto parent = std::make_unique<QWidget>();
    popup->CreatePopup(parent.get());
    slideIn();
    parent.reset();
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(popup->popupState(), PopupState::Idle);
}

struct ClickRow {
    const char* name;
    QPoint at;
    Qt::MouseButton button;
    int opens;
    int closes;
};

void PrintTo(const ClickRow& row, std::ostream* os) {
    *os << row.name;
}

class PopupClick : public PopupTest, public testing::WithParamInterface<ClickRow> {};

TEST_P(PopupClick, ReportsTheRightClick) {
    const ClickRow& row = GetParam();
    int opens = 0;
    int closes = 0;
    QObject::connect(popup.get(), &CTaskbarNotifier::openWindowRequested, [&] { ++opens; });
    QObject::connect(popup.get(), &CTaskbarNotifier::closeRequested, [&] { ++closes; });
    slideIn();
    release(row.at, row.button);
    EXPECT_EQ(opens, row.opens);
    EXPECT_EQ(closes, row.closes);
}

INSTANTIATE_TEST_SUITE_P(
    Points, PopupClick,
    testing::Values(ClickRow{"close_top_left", {203, 9}, Qt::LeftButton, 0, 1},
                    ClickRow{"close_bottom_right", {221, 27}, Qt::LeftButton, 0, 1},
                    ClickRow{"close_centre", {212, 18}, Qt::LeftButton, 0, 1},
                    ClickRow{"left_of_close", {202, 18}, Qt::LeftButton, 1, 0},
                    ClickRow{"right_of_close", {222, 18}, Qt::LeftButton, 1, 0},
                    ClickRow{"above_close", {212, 8}, Qt::LeftButton, 1, 0},
                    ClickRow{"below_close", {212, 28}, Qt::LeftButton, 1, 0},
                    ClickRow{"text", {115, 75}, Qt::LeftButton, 1, 0},
                    ClickRow{"right_button", {115, 75}, Qt::RightButton, 0, 0},
                    ClickRow{"released_off_the_popup", {300, 75}, Qt::LeftButton, 0, 0}),
    [](const testing::TestParamInfo<ClickRow>& p) { return std::string(p.param.name); });

// Counts text-coloured pixels (the skin holds no strong pure blue) in the text area.
int textPixels(const QImage& image, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.blue() > 150 && c.red() < 90 && c.green() < 90 ? 1 : 0;
        }
    return count;
}

TEST_F(PopupTest, HoverUnderlinesAndBrightensTheTextAndLeavingRestoresIt) {
    slideIn("Work: 3 new mails !");
    const QImage normal = popup->grab().toImage();
    EXPECT_EQ(normal.size(), kSkin);
    EXPECT_GT(textPixels(normal, popup->textArea()), 20);
    EXPECT_FALSE(popup->currentFont().underline());
    EXPECT_EQ(popup->currentColor(), QColor(0, 0, 230));

    QEnterEvent enter(QPointF(50, 60), QPointF(50, 60), popup->mapToGlobal(QPointF(50, 60)));
    QApplication::sendEvent(popup.get(), &enter);
    EXPECT_TRUE(popup->mouseOver());
    EXPECT_TRUE(popup->currentFont().underline());
    EXPECT_EQ(popup->currentColor(), QColor(0, 0, 255));
    const QImage hover = popup->grab().toImage();
    EXPECT_GT(textPixels(hover, popup->textArea()), textPixels(normal, popup->textArea()));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(popup.get(), &leave);
    EXPECT_FALSE(popup->mouseOver());
    EXPECT_EQ(popup->grab().toImage(), normal);
}

TEST_F(PopupTest, SkinIsDrawnUnderTheText) {
    slideIn("");
    const QImage skin = QImage(QString(kPopupSkinResource)).convertToFormat(QImage::Format_RGB32);
    const QImage shown = popup->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), skin.size());
    int differing = 0;
    for (int y = 0; y < skin.height(); ++y)
        for (int x = 0; x < skin.width(); ++x)
            differing += shown.pixel(x, y) != skin.pixel(x, y) ? 1 : 0;
    EXPECT_EQ(differing, 0);
}

} // namespace
} // namespace ombrix
