// The console report of "info" and the help texts of the inlets and outlets.
#pragma once

namespace vorn {

struct Panner;

void post_info(const Panner &panner);
void write_assist(const Panner &panner, long io, long index, char *dest);

}  // namespace vorn
