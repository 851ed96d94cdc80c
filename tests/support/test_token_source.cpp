#include "support/test_token_source.h"

#include <algorithm>

namespace ombrix::test {

AccessTokenAnswer readyToken(std::string token) {
    return {TokenStatus::Ready, std::move(token), {}};
}

AccessTokenAnswer tokenAnswer(TokenStatus status, std::string errorText) {
    return {status, {}, std::move(errorText)};
}

TestTokenSource::TestTokenSource(std::vector<AccessTokenAnswer> answers)
    : answers_(std::move(answers)) {
    setAccessTokenSource([this](const TokenAccount& account, bool refresh, const SharedFlag*) {
        return answer(account, refresh);
    });
}

TestTokenSource::~TestTokenSource() {
    setAccessTokenSource({});
}

AccessTokenAnswer TestTokenSource::answer(const TokenAccount& account, bool refresh) {
    const std::lock_guard lock(mutex_);
    requests_.push_back({account, refresh});
    if (answers_.empty())
        return tokenAnswer(TokenStatus::Failed, "no token scripted");
    const std::size_t next = std::min(requests_.size(), answers_.size()) - 1;
    return answers_[next];
}

std::vector<TestTokenSource::Request> TestTokenSource::requests() const {
    const std::lock_guard lock(mutex_);
    return requests_;
}

int TestTokenSource::refreshes() const {
    const std::lock_guard lock(mutex_);
    return static_cast<int>(std::ranges::count_if(requests_, &Request::refresh));
}

} // namespace ombrix::test
