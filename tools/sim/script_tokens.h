// The words of a vorn-sim script line, split at spaces and tabs; shared by every driver that
// reads scripts, whatever host it drives.
#pragma once

#include <string>
#include <vector>

namespace vorn_sim {

inline std::vector<std::string> tokens_of(const std::string &line) {
    std::vector<std::string> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
        if (i > start) tokens.push_back(line.substr(start, i - start));
    }
    return tokens;
}

}  // namespace vorn_sim
