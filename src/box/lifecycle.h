// What creation and teardown do for every host; the bindings add the host's own parts
// (allocation, inlets, outlets, locks).
#pragma once

#include "host/host.h"

namespace vorn {

struct Panner;

// The context named by the first creation argument, or none (after the error line) when the
// arguments are refused.
const char *context_of(host::Args arguments);
// Sets every default of a cleared Panner and posts the version banner once per process.
void start_panner(Panner &panner, host::Box *box, const char *context);
// Releases every layer, the map, the selectors and the channel index; sends nothing.
void finish_panner(Panner &panner);

}  // namespace vorn
