#pragma once
// Message boxes: OK only, OK with an information icon, or a Yes/No question.
// Callable from any thread. Until the window installs its own presenter (or a
// test installs a scripted one), boxes are printed to stderr.

#include <string>

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

} // namespace ombrix
