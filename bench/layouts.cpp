#include "bench/layouts.h"

#include <cstdio>

namespace vorn_bench {

std::string evenly(int layer, int first_channel, int count, double offset) {
    char pair[64];
    std::snprintf(pair, sizeof pair, "layer %d", layer);
    std::string line = pair;
    for (int i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, " %d %.17g", first_channel + i, offset + 360.0 * i / count);
        line += pair;
    }
    return line;
}

namespace {

// Eight layers from -60 to 85 degrees, `per_layer` loudspeakers each.
std::vector<std::string> eight_layers(int per_layer) {
    std::vector<std::string> lines = {"setup -60 -30 0 20 40 60 75 85"};
    for (int layer = 0; layer < 8; ++layer) lines.push_back(evenly(layer, 1 + per_layer * layer, per_layer));
    return lines;
}

}  // namespace

std::vector<std::string> layout_with(int speakers) {
    switch (speakers) {
        case 8:
            return {"setup 0", evenly(0, 1, 8)};
        case 37:
            // Each ring turned by half its spacing against the one below.
            return {"setup 0 30 60 90", evenly(0, 1, 16), evenly(1, 17, 12, 15), evenly(2, 29, 8, 22.5),
                    evenly(3, 37, 1)};
        case 128:
            return {"setup 0 30 60 85", evenly(0, 1, 32), evenly(1, 33, 32), evenly(2, 65, 32), evenly(3, 97, 32)};
        case 512:
            return eight_layers(64);
        case 2048:
            return eight_layers(256);
        default:
            return {};
    }
}

}  // namespace vorn_bench
