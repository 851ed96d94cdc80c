#pragma once
// A message presenter for tests: records every box and answers OK.

#include "platform/message_box.h"

#include <string>
#include <vector>

namespace ombrix::test {

class RecordingPresenter final : public MessagePresenter {
public:
    RecordingPresenter() { installMessagePresenter(this); }
    ~RecordingPresenter() override { installMessagePresenter(nullptr); }
    RecordingPresenter(const RecordingPresenter&) = delete;
    RecordingPresenter& operator=(const RecordingPresenter&) = delete;

    BoxAnswer present(const std::string& text, const std::string&, BoxKind) override {
        texts.push_back(text);
        return BoxAnswer::Ok;
    }

    std::vector<std::string> texts;
};

} // namespace ombrix::test
