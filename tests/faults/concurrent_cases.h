#pragma once
// Runs the cases of one test a few at a time, each on a thread of its own.
// A fault case spends most of its time waiting for the program's time-out;
// one after the other, those waits added up to minutes.

#include <functional>
#include <string>
#include <vector>

namespace ombrix::test {

// Calls `run` once for every name, at most `width` at a time, and returns
// when all have ended. Failures inside a call carry its name.
void runConcurrently(const std::vector<std::string>& names,
                     const std::function<void(std::size_t index)>& run, std::size_t width);

} // namespace ombrix::test
