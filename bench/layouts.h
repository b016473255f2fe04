// Loudspeaker layouts for the benchmarks, as the configuration messages that build them.
#pragma once

#include <string>
#include <vector>

namespace vorn_bench {

// "layer N" with `count` channels from `first_channel`, evenly round the circle from
// `offset` degrees.
std::string evenly(int layer, int first_channel, int count, double offset = 0);

// The layouts measured against loudspeaker count: 8 (one ring), 37 (the dome: rings of 16,
// 12 and 8 at 0, 30 and 60 degrees, staggered, plus the zenith), 128 (4 x 32), 512 (8 x 64) and
// 2048 (8 x 256). Empty for any other count.
std::vector<std::string> layout_with(int speakers);

constexpr int layout_counts[] = {8, 37, 128, 512, 2048};

}  // namespace vorn_bench
