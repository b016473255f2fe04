// The SVG figure of pass cost against loudspeaker count that docs/performance.md shows.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "bench/bench_cases.h"

namespace vorn_bench {

// Log-log lines, one per radius, solid for a moving source and dashed for a static one;
// `median_us` maps a case name to its median in microseconds. False if the file cannot be
// written.
bool write_cost_plot(const std::string &path, const std::vector<PassCase> &cases,
                     const std::map<std::string, double> &median_us);

}  // namespace vorn_bench
