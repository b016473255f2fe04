// Layout files of the IEM plug-in suite: a JSON object whose "LoudspeakerLayout" holds a
// "Name" and a list "Loudspeakers" with "Azimuth", "Elevation", "Radius", "IsImaginary",
// "Channel" and "Gain" each.
#pragma once

#include <string>

#include "layout/loudspeaker_layout.h"

namespace vorn_layout {

// Reads the text of a layout file; `source` names it in messages. Loudspeakers are numbered
// from 1 in file order. Throws LayoutError for text that is not JSON or not such a layout.
LoudspeakerLayout read_iem_layout(const std::string &text, const std::string &source);

// The layout as a layout file those plug-ins read: every loudspeaker real, radius 1, gain 1.
std::string write_iem_layout(const LoudspeakerLayout &layout);

}  // namespace vorn_layout
