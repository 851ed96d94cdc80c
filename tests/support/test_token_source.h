#pragma once
// The process's access-token source for tests: hands out scripted answers in
// order (the last one again and again) and records every request, so that a
// test sees how often a login asked for a token and how often for a fresh
// one. Registered for the life of the object.

#include "core/access_tokens.h"

#include <mutex>
#include <string>
#include <vector>

namespace ombrix::test {

AccessTokenAnswer readyToken(std::string token);
AccessTokenAnswer tokenAnswer(TokenStatus status, std::string errorText);

class TestTokenSource {
public:
    explicit TestTokenSource(std::vector<AccessTokenAnswer> answers);
    ~TestTokenSource(); // leaves the process without a source
    TestTokenSource(const TestTokenSource&) = delete;
    TestTokenSource& operator=(const TestTokenSource&) = delete;

    struct Request {
        TokenAccount account;
        bool refresh = false;
    };
    std::vector<Request> requests() const;
    int refreshes() const;

private:
    AccessTokenAnswer answer(const TokenAccount& account, bool refresh);

    mutable std::mutex mutex_;
    std::vector<AccessTokenAnswer> answers_;
    std::vector<Request> requests_;
};

} // namespace ombrix::test
