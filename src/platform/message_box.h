#pragma once
// Message boxes: OK only, OK with an information icon, or a Yes/No question.
// Callable from any thread. Until the window installs its own presenter (or a
// test installs a scripted one), boxes are printed to stderr.

#include <string>
#include <vector>

namespace ombrix {

enum class BoxKind { Ok, Information, YesNoQuestion };
enum class BoxAnswer { Ok, Yes, No };

class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    virtual BoxAnswer present(const std::string& text, const std::string& title, BoxKind kind) = 0;
};

// nullptr restores the stderr presenter. The caller keeps ownership.
void installMessagePresenter(MessagePresenter* presenter);

BoxAnswer messageBox(const std::string& text, BoxKind kind = BoxKind::Ok,
                     const std::string& title = "Ombrix");

struct HeldBox {
    std::string text;
    std::string title;
    BoxKind kind = BoxKind::Ok;
};

// While one lives, the boxes of the thread that made it are kept instead of
// shown (a question answers No): work in the background must not wait for the
// window thread, which may be waiting for it. Another thread shows them later,
// in order, with showHeldBoxes.
class MessageBoxHold {
public:
    MessageBoxHold();
    ~MessageBoxHold();
    MessageBoxHold(const MessageBoxHold&) = delete;
    MessageBoxHold& operator=(const MessageBoxHold&) = delete;

    std::vector<HeldBox> take() { return std::move(boxes_); }

private:
    friend BoxAnswer messageBox(const std::string&, BoxKind, const std::string&);
    std::vector<HeldBox> boxes_;
    MessageBoxHold* outer_;
};

void showHeldBoxes(const std::vector<HeldBox>& boxes);

} // namespace ombrix
