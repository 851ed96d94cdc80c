#include "support/child_environment.h"

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

} // namespace ombrix::test
