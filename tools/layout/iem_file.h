// Layout files of the IEM plug-in suite: a JSON object whose "LoudspeakerLayout" holds a
// "Name" and a list "Loudspeakers" with "Azimuth", "Elevation", "Radius", "IsImaginary",
// "Channel" and "Gain" each.
#pragma once

#include <string>

#include "layout/loudspeaker_layout.h"

namespace vorn_layout {

// Reads the text of a layout file; `source` is its name when the file gives none. Loudspeakers
// are numbered from 1 in file order. Throws LayoutError for text that is not JSON or not such
// a layout, naming the loudspeaker where there is one (the caller names the file).
LoudspeakerLayout read_iem_layout(const std::string &text, const std::string &source);

// The layout as a layout file those plug-ins read: every loudspeaker real, radius 1, gain 1.
// The name must be UTF-8 text (is_utf8), as every JSON text is.
std::string write_iem_layout(const LoudspeakerLayout &layout);

// Whether `text` is well-formed UTF-8.
bool is_utf8(const std::string &text);

}  // namespace vorn_layout
