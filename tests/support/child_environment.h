#pragma once

#include <string>
#include <vector>

namespace ombrix::test {

// This process's environment with `overrides` ("NAME=value") taking the place
// of entries of the same name, for a program the test starts.
std::vector<std::string> environmentWith(const std::vector<std::string>& overrides);

// argv/envp form of `texts`, ending in a null pointer; valid while `texts` lives.
std::vector<char*> pointers(std::vector<std::string>& texts);

} // namespace ombrix::test
