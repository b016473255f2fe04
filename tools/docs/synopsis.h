// The arguments that a message's synopsis names, e.g. "layer LAYER CHANNEL AZIMUTH [CHANNEL
// AZIMUTH ...]" gives LAYER, CHANNEL, AZIMUTH and then the optional repeat.
#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace vorn_docs {

struct SynopsisArgument {
    std::string name;
    bool optional;
};

inline std::vector<SynopsisArgument> synopsis_arguments(const std::string &selector, const std::string &synopsis) {
    std::vector<SynopsisArgument> arguments;
    std::istringstream words(synopsis);
    std::string word;
    int depth = 0;
    bool first = true;
    while (words >> word) {
        const bool is_selector = first && word == selector;
        first = false;
        int opened = 0;
        while (!word.empty() && word.front() == '[') {
            ++opened;
            word.erase(0, 1);
        }
        int closed = 0;
        while (!word.empty() && word.back() == ']') {
            ++closed;
            word.pop_back();
        }
        depth += opened;
        if (!is_selector && !word.empty() && word != "...") arguments.push_back({word, depth > 0});
        depth -= closed;
    }
    return arguments;
}

}  // namespace vorn_docs
