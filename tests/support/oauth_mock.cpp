#include "support/oauth_mock.h"

#include "oauth/http_client.h"
#include "oauth/url_text.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ombrix::test {

OAuthMock::OAuthMock(const std::vector<std::string>& options) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        throw std::runtime_error("no pipe for the mock provider");
    std::vector<std::string> argv{"python3",
                                  std::string(OMBRIX_TEST_SUPPORT_DIR) + "/oauth_mock_server.py"};
    argv.insert(argv.end(), options.begin(), options.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    const int spawned = posix_spawnp(&pid_, "python3", &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        throw std::runtime_error("cannot start python3");
    }
    // The first line is the port; the read ends at the latest when the server dies.
    std::string line;
    char c = 0;
    while (::read(pipeEnds[0], &c, 1) == 1 && c != '\n')
        line += c;
    ::close(pipeEnds[0]);
    port_ = std::atoi(line.c_str());
    if (port_ <= 0)
        throw std::runtime_error("the mock provider did not start");
}

OAuthMock::~OAuthMock() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
}

std::string OAuthMock::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

bool OAuthMock::control(const std::string& query) const {
    const oauth::HttpOutcome outcome = oauth::postForm(url("/control?" + query), {}, {});
    return outcome.answered && outcome.response.status == 200;
}

oauth::JsonObject OAuthMock::state() const {
    const oauth::HttpOutcome outcome = oauth::getUrl(url("/state"), {});
    auto json = oauth::JsonObject::parse(outcome.response.body);
    if (!outcome.answered || !json)
        throw std::runtime_error("the mock provider gave no state");
    return *json;
}

std::int64_t OAuthMock::count(const std::string& name) const {
    return state().number(name).value_or(-1);
}

BrowserVisit visitAsBrowser(const std::string& authorizationUrl, const std::string& forgedState) {
    BrowserVisit visit;
    const oauth::HttpOutcome authorization = oauth::getUrl(authorizationUrl, {});
    visit.authorizationStatus = authorization.response.status;
    if (!authorization.answered || authorization.response.location.empty())
        return visit;
    std::string location = authorization.response.location;
    if (!forgedState.empty()) {
        const std::size_t state = location.find("state=");
        const std::size_t end = location.find('&', state);
        location.replace(state + 6, end == std::string::npos ? std::string::npos : end - state - 6,
                         forgedState);
    }
    const oauth::HttpOutcome redirect = oauth::getUrl(location, {});
    visit.redirectStatus = redirect.response.status;
    visit.redirectBody = redirect.response.body;
    return visit;
}

std::function<void(const std::string&)> TestBrowser::opener() {
    return [this](const std::string& url) {
        openedUrl = url;
        thread_ = std::thread([this, url] { visit = visitAsBrowser(url, forgedState_); });
    };
}

void TestBrowser::finish() {
    if (thread_.joinable())
        thread_.join();
}

} // namespace ombrix::test
