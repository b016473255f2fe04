// From loudspeakers with directions to Vorn's layers, and back.
#pragma once

#include <string>
#include <vector>

#include "layout/loudspeaker_layout.h"

namespace vorn_layout {

struct GroupingOptions {
    double tolerance = 0.5;               // degrees: neighbouring elevations this close share a layer
    bool clockwise = false;               // Vorn azimuths grow clockwise, against the file's
    std::vector<long long> solo_channels;  // channels that go to the solo layer besides LFE ones
    int significant_digits = 0;           // > 0: angles rounded as a host keeps them (Pd: 6)
};

struct Grouping {
    VornConfiguration configuration;
    std::vector<std::string> notes;  // what the user should know: merged elevations, lost gains
};

// Real loudspeakers become layers by elevation (a loudspeaker at 90 is a layer of its own),
// LFE loudspeakers and the named channels one solo layer; imaginary ones are left out.
// Azimuths go into 0..360 and each layer is sorted by azimuth, then channel. Throws
// LayoutError naming the loudspeaker for anything Vorn cannot hold: a channel used twice or
// outside 1..2048, an elevation outside -90..90, or no loudspeakers with a direction.
Grouping group_layout(const LoudspeakerLayout &layout, const GroupingOptions &options);

// The loudspeakers of a configuration in the file's terms, ordered by channel; solo
// loudspeakers get elevation 0. Throws LayoutError for a channel used twice.
LoudspeakerLayout layout_of(const VornConfiguration &configuration, bool clockwise, const std::string &name);

// Azimuth conversions between the file (-180..180, positive to the left) and Vorn (0..360).
double vorn_azimuth(double file_azimuth, bool clockwise);
double file_azimuth(double vorn_azimuth, bool clockwise);

}  // namespace vorn_layout
