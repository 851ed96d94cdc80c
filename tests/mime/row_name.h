#pragma once
// Data-driven MIME tests name each row; GoogleTest shows that name on failure.

#include <gtest/gtest.h>

namespace ombrix::test {

struct RowName {
    template <typename Row> std::string operator()(const testing::TestParamInfo<Row>& info) const {
        return info.param.name;
    }
};

// Copies text into a heap block of exactly its size, so that a read past the end is
// caught by the address sanitizer instead of landing in a string's spare capacity.
class ExactBuffer {
public:
    explicit ExactBuffer(std::string_view text)
        : data_(new char[text.size() == 0 ? 1 : text.size()]), size_(text.size()) {
        std::copy(text.begin(), text.end(), data_.get());
    }
    std::string_view view() const { return {data_.get(), size_}; }

private:
    std::unique_ptr<char[]> data_;
    std::size_t size_;
};

} // namespace ombrix::test
