// Message boxes held back on one thread: kept in order, a question answering
// No, while the boxes of other threads and those after the hold are shown.

#include "platform/message_box.h"

#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

namespace ombrix {
namespace {

class Recording final : public MessagePresenter {
public:
    Recording() { installMessagePresenter(this); }
    ~Recording() override { installMessagePresenter(nullptr); }
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    BoxAnswer present(const std::string& text, const std::string&, BoxKind) override {
        const std::lock_guard lock(mutex);
        texts.push_back(text);
        return BoxAnswer::Yes;
    }

    std::mutex mutex;
    std::vector<std::string> texts;
};

TEST(MessageBoxHoldTest, KeepsThisThreadsBoxesInOrderUntilShown) {
    Recording shown;
    std::vector<HeldBox> held;
    {
        MessageBoxHold hold;
        EXPECT_EQ(messageBox("first"), BoxAnswer::Ok);
        EXPECT_EQ(messageBox("sure?", BoxKind::YesNoQuestion), BoxAnswer::No);
        std::thread other([] { messageBox("from elsewhere"); });
        other.join();
        held = hold.take();
    }
    EXPECT_EQ(shown.texts, std::vector<std::string>{"from elsewhere"});
    ASSERT_EQ(held.size(), 2u);
    EXPECT_EQ(held[1].kind, BoxKind::YesNoQuestion);
    EXPECT_EQ(held[1].title, "Ombrix");

    EXPECT_EQ(messageBox("after"), BoxAnswer::Yes) << "the hold has ended";
    showHeldBoxes(held);
    EXPECT_EQ(shown.texts, (std::vector<std::string>{"from elsewhere", "after", "first", "sure?"}));
}

TEST(MessageBoxHoldTest, AnInnerHoldGivesBackToTheOuterOne) {
    Recording shown;
    MessageBoxHold outer;
    {
        MessageBoxHold inner;
        messageBox("inner");
        EXPECT_EQ(inner.take().size(), 1u);
    }
    messageBox("outer");
    EXPECT_EQ(outer.take().size(), 1u);
    EXPECT_TRUE(shown.texts.empty());
}

} // namespace
} // namespace ombrix
