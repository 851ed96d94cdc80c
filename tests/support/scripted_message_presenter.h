#pragma once
// A message presenter for tests: answers from a script (Yes/No questions take
// the next scripted answer, No when the script is empty) and records every
// box it was asked to show, from any thread.

#include "platform/message_box.h"

#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace ombrix::test {

struct ShownBox {
    std::string text;
    std::string title;
    BoxKind kind;
};

class ScriptedMessagePresenter final : public MessagePresenter {
public:
    ScriptedMessagePresenter() { installMessagePresenter(this); }
    ~ScriptedMessagePresenter() override { installMessagePresenter(nullptr); }
    ScriptedMessagePresenter(const ScriptedMessagePresenter&) = delete;
    ScriptedMessagePresenter& operator=(const ScriptedMessagePresenter&) = delete;

    void answerNext(BoxAnswer answer) {
        std::lock_guard lock(mutex_);
        answers_.push_back(answer);
    }

    BoxAnswer present(const std::string& text, const std::string& title, BoxKind kind) override {
        std::lock_guard lock(mutex_);
        shown_.push_back({text, title, kind});
        if (kind != BoxKind::YesNoQuestion)
            return BoxAnswer::Ok;
        if (answers_.empty())
            return BoxAnswer::No;
        const BoxAnswer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

    std::vector<ShownBox> shown() const {
        std::lock_guard lock(mutex_);
        return shown_;
    }

    std::vector<std::string> texts() const {
        std::lock_guard lock(mutex_);
        std::vector<std::string> result;
        for (const auto& box : shown_)
            result.push_back(box.text);
        return result;
    }

private:
    mutable std::mutex mutex_;
    std::deque<BoxAnswer> answers_;
    std::vector<ShownBox> shown_;
};

} // namespace ombrix::test
