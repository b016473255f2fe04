// Gaps between the azimuths of one ring, and the imaginary loudspeakers that close them.
#pragma once

#include <vector>

namespace vorn_layout {

// The widest stretch of a ring without a loudspeaker: from `from` counter-clockwise to `to`
// (both 0..360), `width` degrees. A ring of one loudspeaker has a gap of 360 from it to itself.
struct AzimuthGap {
    double from = 0;
    double to = 0;
    double width = 360;
};

// `azimuths` in 0..360, in any order, at least one.
AzimuthGap largest_gap(const std::vector<double> &azimuths);

// Azimuths (0..360) that split every gap wider than `limit` degrees (> 0) into equal parts
// no wider than it, in ascending order; none when no gap is that wide.
std::vector<double> gap_fillers(const std::vector<double> &azimuths, double limit);

}  // namespace vorn_layout
