#include "support/child_environment.h"

#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>

extern char** environ;

namespace ombrix::test {

std::vector<std::string> environmentWith(const std::vector<std::string>& overrides) {
    std::vector<std::string> merged(overrides);
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('=') + 1);
        bool overridden = false;
        for (const std::string& o : overrides)
            overridden = overridden || o.starts_with(name);
        if (!overridden)
            merged.push_back(text);
    }
    return merged;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (std::string& text : texts)
        result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

pid_t spawnWithFiles(std::vector<std::string> argv, const std::vector<std::string>& environment,
                     const std::filesystem::path& io) {
    std::vector<std::string> envp = environmentWith(environment);
    auto argvPointers = pointers(argv);
    auto envPointers = pointers(envp);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, (io / "in").c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (io / "out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (io / "err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argvPointers[0], &actions, nullptr, argvPointers.data(),
                                    envPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + argv[0]);
    return child;
}

} // namespace ombrix::test
