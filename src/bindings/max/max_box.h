// The record the Max host allocates for each Vorn box: its header, the lock that keeps the
// box's handlers one at a time, and the Panner.
#pragma once

#include <cstddef>

#include "bindings/max/max_api.h"
#include "host/panner.h"

namespace vorn::max {

struct MaxBox {
    t_object header;
    // The host calls a box from its main thread and, with Overdrive, from its scheduler
    // thread at the same time; every handler runs inside this recursive region.
    t_critical region;
    Panner panner;
};

static_assert(offsetof(MaxBox, header) == 0, "the host's header comes first");

inline MaxBox *box_of(host::Box *box) { return reinterpret_cast<MaxBox *>(box); }
// The Panner of a box the host made from this class (for drivers and tests).
inline Panner &panner_of(void *box) { return static_cast<MaxBox *>(box)->panner; }

}  // namespace vorn::max
