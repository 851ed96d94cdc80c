#include "platform/qt_message_presenter.h"
#include "support/gui_wait.h"
#include "support/scripted_message_presenter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

namespace ombrix {
namespace {

using test::processEventsUntil;

// What the box looked like when it came up, and which button the test pressed.
struct SeenBox {
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QThread* thread = nullptr;
};

// Watches for the modal box, records it and presses `press`.
void answerNextBox(std::optional<SeenBox>& seen, QMessageBox::StandardButton press) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, &seen, press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = SeenBox{box->text(), box->windowTitle(), box->icon(), box->standardButtons(),
                       QThread::currentThread()};
        box->button(press)->click();
        poll->deleteLater();
    });
    poll->start(5);
}

struct KindRow {
    const char* name;
    BoxKind kind;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton press;
    BoxAnswer expected;
};

class QtMessageBoxFromWorker : public testing::TestWithParam<KindRow> {};

TEST_P(QtMessageBoxFromWorker, IsShownOnTheWindowThreadAndAnswersTheWorker) {
    const KindRow& row = GetParam();
    QtMessagePresenter presenter;
    std::optional<SeenBox> seen;
    answerNextBox(seen, row.press);

    std::atomic<bool> done{false};
    BoxAnswer answer = BoxAnswer::Ok;
    std::thread worker([&] {
        answer = presenter.present("Verbindung fehlgeschlagen \xfc", "Ombrix", row.kind);
        done = true;
    });
    const bool finished = processEventsUntil([&] { return done.load(); });
    worker.join();
    ASSERT_TRUE(finished);
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(seen->thread, QApplication::instance()->thread());
    EXPECT_EQ(seen->text, QString::fromUtf8("Verbindung fehlgeschlagen ü"))
        << "bytes that are not UTF-8 are shown as Latin-1";
    EXPECT_EQ(seen->title, "Ombrix");
    EXPECT_EQ(seen->icon, row.icon);
    EXPECT_EQ(seen->buttons, row.buttons);
    EXPECT_EQ(answer, row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, QtMessageBoxFromWorker,
    testing::Values(KindRow{"QuestionYes", BoxKind::YesNoQuestion, QMessageBox::Question,
                            QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, BoxAnswer::Yes},
                    KindRow{"QuestionNo", BoxKind::YesNoQuestion, QMessageBox::Question,
                            QMessageBox::Yes | QMessageBox::No, QMessageBox::No, BoxAnswer::No},
                    KindRow{"Information", BoxKind::Information, QMessageBox::Information,
                            QMessageBox::Ok, QMessageBox::Ok, BoxAnswer::Ok},
                    KindRow{"PlainOk", BoxKind::Ok, QMessageBox::NoIcon, QMessageBox::Ok,
                            QMessageBox::Ok, BoxAnswer::Ok}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(QtMessageBox, OnTheWindowThreadItShowsDirectly) {
    QtMessagePresenter presenter;
    installMessagePresenter(&presenter);
    std::optional<SeenBox> seen;
    answerNextBox(seen, QMessageBox::No);
    const BoxAnswer answer = messageBox("Wirklich beenden?", BoxKind::YesNoQuestion);
    installMessagePresenter(nullptr);
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(seen->text, "Wirklich beenden?");
    EXPECT_EQ(answer, BoxAnswer::No);
}

TEST(ScriptedMessagePresenter, AnswersFromItsScriptAndRecordsEveryBox) {
    test::ScriptedMessagePresenter scripted;
    scripted.answerNext(BoxAnswer::Yes);
    EXPECT_EQ(messageBox("first?", BoxKind::YesNoQuestion), BoxAnswer::Yes);
    EXPECT_EQ(messageBox("note", BoxKind::Information), BoxAnswer::Ok);
    EXPECT_EQ(messageBox("second?", BoxKind::YesNoQuestion), BoxAnswer::No)
        << "an empty script answers No";
    std::thread worker([] { messageBox("from a worker"); });
    worker.join();
    EXPECT_EQ(scripted.texts(),
              (std::vector<std::string>{"first?", "note", "second?", "from a worker"}));
    EXPECT_EQ(scripted.shown()[1].kind, BoxKind::Information);
}

} // namespace
} // namespace ombrix
