#include "platform/message_box.h"

#include <atomic>
#include <cstdio>

namespace ombrix {
namespace {

// Without a window nobody can answer a question: a Yes/No box answers No, the
// side that changes nothing.
class StderrPresenter final : public MessagePresenter {
public:
    BoxAnswer present(const std::string& text, const std::string& title, BoxKind kind) override {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
        return kind == BoxKind::YesNoQuestion ? BoxAnswer::No : BoxAnswer::Ok;
    }
};

StderrPresenter stderrPresenter;
std::atomic<MessagePresenter*> current{&stderrPresenter};
thread_local MessageBoxHold* hold = nullptr;

} // namespace

void installMessagePresenter(MessagePresenter* presenter) {
    current = presenter ? presenter : &stderrPresenter;
}

BoxAnswer messageBox(const std::string& text, BoxKind kind, const std::string& title) {
    if (hold) {
        hold->boxes_.push_back({text, title, kind});
        return kind == BoxKind::YesNoQuestion ? BoxAnswer::No : BoxAnswer::Ok;
    }
    return current.load()->present(text, title, kind);
}

MessageBoxHold::MessageBoxHold() : outer_(hold) {
    hold = this;
}

MessageBoxHold::~MessageBoxHold() {
    hold = outer_;
}

void showHeldBoxes(const std::vector<HeldBox>& boxes) {
    for (const HeldBox& box : boxes)
        messageBox(box.text, box.kind, box.title);
}

} // namespace ombrix
