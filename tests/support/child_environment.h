#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ombrix::test {

// This process's environment with `overrides` ("NAME=value") taking the place
// of entries of the same name, for a program the test starts.
std::vector<std::string> environmentWith(const std::vector<std::string>& overrides);

// argv/envp form of `texts`, ending in a null pointer; valid while `texts` lives.
std::vector<char*> pointers(std::vector<std::string>& texts);

// Starts argv[0] with `environment` as overrides, standard input read from
// io/"in" and output written to io/"out" and io/"err"; throws when it cannot.
pid_t spawnWithFiles(std::vector<std::string> argv, const std::vector<std::string>& environment,
                     const std::filesystem::path& io);

} // namespace ombrix::test
