#include "layout/azimuth_gaps.h"

#include <algorithm>
#include <cmath>

namespace vorn_layout {

namespace {

std::vector<AzimuthGap> gaps_of(std::vector<double> azimuths) {
    std::sort(azimuths.begin(), azimuths.end());
    std::vector<AzimuthGap> gaps;
    for (std::size_t i = 0; i < azimuths.size(); ++i) {
        const double from = azimuths[i];
        const bool last = i + 1 == azimuths.size();
        const double to = last ? azimuths.front() : azimuths[i + 1];
        gaps.push_back({from, to, last ? to + 360 - from : to - from});
    }
    return gaps;
}

}  // namespace

AzimuthGap largest_gap(const std::vector<double> &azimuths) {
    const std::vector<AzimuthGap> gaps = gaps_of(azimuths);
    // The first of equal widths, so that the report does not depend on rounding.
    return *std::max_element(gaps.begin(), gaps.end(),
                             [](const AzimuthGap &a, const AzimuthGap &b) { return a.width < b.width; });
}

std::vector<double> gap_fillers(const std::vector<double> &azimuths, double limit) {
    std::vector<double> fillers;
    for (const AzimuthGap &gap : gaps_of(azimuths)) {
        if (!(gap.width > limit)) continue;
        // More parts than Vorn has channels could never be given channels anyway.
        const double parts = std::min(std::ceil(gap.width / limit), 2049.0);
        for (double k = 1; k < parts; ++k) {
            double azimuth = std::fmod(gap.from + gap.width * k / parts, 360.0);
            if (azimuth >= 360) azimuth = 0;
            fillers.push_back(azimuth + 0.0);
        }
    }
    std::sort(fillers.begin(), fillers.end());
    return fillers;
}

}  // namespace vorn_layout
