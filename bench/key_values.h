#pragma once
// The test server's files as the benches read them: server.env (KEY=value)
// and the users file (name TAB password).

#include <fstream>
#include <map>
#include <stdexcept>
#include <string>

namespace ombrix::bench {

inline std::map<std::string, std::string> readKeyValues(const std::string& file, char separator) {
    std::ifstream in(file);
    if (!in)
        throw std::runtime_error("cannot read " + file);
    std::map<std::string, std::string> values;
    for (std::string line; std::getline(in, line);) {
        const std::size_t at = line.find(separator);
        if (at != std::string::npos)
            values[line.substr(0, at)] = line.substr(at + 1);
    }
    return values;
}

} // namespace ombrix::bench
