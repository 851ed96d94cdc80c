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

} // namespace

void installMessagePresenter(MessagePresenter* presenter) {
    current = presenter ? presenter : &stderrPresenter;
}

BoxAnswer messageBox(const std::string& text, BoxKind kind, const std::string& title) {
    return current.load()->present(text, title, kind);
}

} // namespace ombrix
