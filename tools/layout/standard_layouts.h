// Layouts known by name: the standard ones (stereo, quad, 5.1, 7.1, 5.1.2, 7.1.2, 5.1.4, 7.1.4,
// 9.1.6, 22.2) and regular rings and domes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "layout/loudspeaker_layout.h"

namespace vorn_layout {

// The layout NAME stands for, or nothing when it is no such name (then it may be a file).
// Standard layouts follow their channel order; LFE channels carry `lfe` and the azimuth that
// the solo layer gives them (LFE 0, LFE1 90 on the left, LFE2 -90 on the right).
//   ring:N          N loudspeakers at elevation 0, channels 1..N counter-clockwise from azimuth 0
//   dome:ITEM,...   ITEM is N@EL (a ring of N at elevation EL, the first at azimuth 0),
//                   N@EL@START (the first at azimuth START) or zenith (one loudspeaker at 90);
//                   channels count on ring by ring in the order written
// Throws LayoutError for a ring or dome that is written wrongly.
std::optional<LoudspeakerLayout> named_layout(const std::string &name);

// The standard names, in the order of the table.
std::vector<std::string> standard_layout_names();

// Every name a layout can be given by, for a user who gave none of them.
std::string known_layout_names();

}  // namespace vorn_layout
