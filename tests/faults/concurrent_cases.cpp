#include "faults/concurrent_cases.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <gtest/gtest.h>
#include <thread>

namespace ombrix::test {

void runConcurrently(const std::vector<std::string>& names,
                     const std::function<void(std::size_t index)>& run, std::size_t width) {
    std::atomic<std::size_t> next{0};
    auto worker = [&] {
        for (std::size_t i = next++; i < names.size(); i = next++) {
            SCOPED_TRACE("case " + names[i]);
            try {
                run(i);
            } catch (const std::exception& error) {
                ADD_FAILURE() << "the case threw: " << error.what();
            }
        }
    };
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < std::min(width, names.size()); ++t)
        threads.emplace_back(worker);
    for (std::thread& thread : threads)
        thread.join();
}

} // namespace ombrix::test
