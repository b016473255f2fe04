// What creation and teardown do for every host; the bindings add the host's own parts
// (allocation, inlets, outlets, locks).
#pragma once

#include "host/host.h"

namespace vorn {

struct Panner;

// The context named by the first creation argument, or none (after the error line) when the
// arguments are refused.
const char *context_of(host::Args arguments);
// Sets every default of a cleared Panner, makes its outboxes and queues the version banner
// once per process. Called inside the box's region, like every change of its state; the
// binding then sends what is queued (send_queued).
void start_panner(Panner &panner, host::Box *box, const char *context);
// Releases every layer, the map, the selectors, the channel index and the outboxes; sends
// no message, only a console line the release may have. Inside the box's region.
void finish_panner(Panner &panner);

}  // namespace vorn
