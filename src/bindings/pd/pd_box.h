// The record Pd allocates for each Vorn box: Pd's header, then the Panner.
#pragma once

#include <cstddef>

#include <m_pd.h>

#include "host/panner.h"

// Pd finds the setup function by name; it is the one symbol the external exports.
#if defined(_WIN32)
#define VORN_PD_EXPORT __declspec(dllexport)
#else
#define VORN_PD_EXPORT __attribute__((visibility("default")))
#endif

namespace vorn::pd {

struct PdBox {
    t_object header;
    Panner panner;
};

static_assert(offsetof(PdBox, header) == 0, "Pd's header comes first");

inline PdBox *box_of(host::Box *box) { return reinterpret_cast<PdBox *>(box); }

}  // namespace vorn::pd
