// From loudspeakers with directions to Vorn's layers, and back.
#pragma once

#include <string>
#include <vector>

#include "layout/loudspeaker_layout.h"

namespace vorn_layout {

// Degrees between neighbouring elevations (sorted) beyond which a new ring starts. Measured
// rings scatter by a few degrees; rings of a real room stand 15 degrees apart or more.
constexpr double natural_ring_gap = 5;
// A ring whose largest azimuth gap is wider than this pans a source in the gap from far away.
constexpr double widest_fair_gap = 180;

struct GroupingOptions {
    double tolerance = natural_ring_gap;   // degrees: neighbouring elevations this close share a ring
    bool clockwise = false;                // Vorn azimuths grow clockwise, against the file's
    std::vector<long long> solo_channels;  // channels that go to the solo layer besides LFE ones
    int significant_digits = 0;            // > 0: angles rounded as a host keeps them (Pd: 6)
    bool fill_gaps = false;                // keep the file's imaginary loudspeakers and close wide gaps
    double gap_limit = widest_fair_gap;    // degrees, > 0: the widest gap that fill_gaps leaves open
};

struct Grouping {
    VornConfiguration configuration;
    std::vector<std::string> notes;          // the rings as grouped, and what is not carried over
    std::vector<std::string> warnings;       // rings that will pan badly
    std::vector<int> imaginary_channels;     // ascending: channels that no output should take
};

// Loudspeakers become rings (Vorn's layers) by the natural clusters of their elevations:
// sorted, neighbours at most `tolerance` apart share a ring that spans at most twice that,
// and stands at the mean of its members (to 0.01 degree). A loudspeaker at 90 or -90 is a ring of its own. LFE
// loudspeakers and the named channels form one solo layer. Imaginary loudspeakers are left
// out, or with `fill_gaps` kept, together with new ones that close every gap wider than
// `gap_limit`, on channels above the real ones. Azimuths go into 0..360 and each layer is
// sorted by azimuth, then channel. Throws LayoutError naming the loudspeaker for anything
// Vorn cannot hold: a channel used twice or outside 1..2048, an elevation outside -90..90,
// a direction that is not a number, no loudspeakers with a direction, no channel left for
// the imaginary ones.
Grouping group_layout(const LoudspeakerLayout &layout, const GroupingOptions &options);

// The loudspeakers of a configuration in the file's terms, ordered by channel; solo
// loudspeakers get elevation 0. Throws LayoutError for a channel used twice.
LoudspeakerLayout layout_of(const VornConfiguration &configuration, bool clockwise, const std::string &name);

// Azimuth conversions between the file (-180..180, positive to the left) and Vorn (0..360).
double vorn_azimuth(double file_azimuth, bool clockwise);
double file_azimuth(double vorn_azimuth, bool clockwise);

}  // namespace vorn_layout
