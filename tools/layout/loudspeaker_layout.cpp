#include "layout/loudspeaker_layout.h"

#include <charconv>

namespace vorn_layout {

std::string describe(const Loudspeaker &loudspeaker) {
    std::string text = "loudspeaker " + std::to_string(loudspeaker.number) + " (";
    if (!loudspeaker.label.empty()) text += loudspeaker.label + ", ";
    return text + "channel " + std::to_string(loudspeaker.channel) + ")";
}

std::string number_text(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value + 0.0);  // + 0.0 turns -0 into 0
    return std::string(buffer, result.ptr);
}

}  // namespace vorn_layout
