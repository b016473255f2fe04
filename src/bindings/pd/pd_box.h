// The record Pd allocates for each Vorn box: Pd's header, then the Panner.
#pragma once

#include <cstddef>

#include <m_pd.h>

#include "host/panner.h"

namespace vorn::pd {

struct PdBox {
    t_object header;
    Panner panner;
};

static_assert(offsetof(PdBox, header) == 0, "Pd's header comes first");

inline PdBox *box_of(host::Box *box) { return reinterpret_cast<PdBox *>(box); }

}  // namespace vorn::pd
