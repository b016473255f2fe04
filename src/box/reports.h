// The console report of "info" and the help texts of the inlets and outlets.
#pragma once

namespace vorn {

struct Panner;

void post_info(const Panner &panner);
// The help text of inlet or outlet `index` into the host's buffer (room for 500 bytes).
void write_assist(const Panner &panner, bool inlet, long index, char *dest);

}  // namespace vorn
