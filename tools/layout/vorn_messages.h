// A Vorn configuration as the messages "setup", "layer", "solo" and "end", written for
// vorn-sim or a host's message box, and read back from a vorn-sim script.
#pragma once

#include <string>
#include <vector>

#include "layout/loudspeaker_layout.h"

namespace vorn_layout {

enum class MessageFormat {
    script,  // one message a line, for vorn-sim, led by a comment line with the title
    max,     // one line: the messages separated by ", ", as a Max message box sends them in turn
    pd,      // the same for a Pd message box (commas there too; ";" would send to receivers)
};

// "setup E...", one "layer I CH AZ ..." per elevation, one "solo CH AZ ..." per solo layer, "end".
std::vector<std::string> vorn_messages(const VornConfiguration &configuration);

// The messages in a format, ending in a newline. A script's comment lines also list the
// imaginary channels, whose outputs the patch leaves unrouted.
std::string format_messages(const VornConfiguration &configuration, MessageFormat format, const std::string &title,
                            const std::vector<int> &imaginary_channels = {});

// The configuration that the "setup", "layer" and "solo" lines of a vorn-sim script leave
// behind (a later "setup" starts again; other lines, and lines for inlets 1 and 2, are
// passed over). Stricter than the object: throws LayoutError, with the line number, for
// anything the object would refuse, odd pairs, non-numbers, and no loudspeakers at all.
VornConfiguration read_vorn_script(const std::string &text);

}  // namespace vorn_layout
