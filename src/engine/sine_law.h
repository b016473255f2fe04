// The sine law between two neighbours, loudspeakers of a layer or layers of the ring: at
// fraction t of the way from the first to the second, the first gets sin((1 - t) pi/2) and
// the second sin(t pi/2).
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

#include "engine/angles.h"
#include "host/sine_law_memo.h"

namespace vorn {

// The memo holds the law at the last fraction it was made for. A ring's mirror entry pans the
// same layer half a turn on, which on a layer the half turn maps onto itself (any even ring
// evenly spaced) lands at the same fraction to the bit; and a source moved in azimuth alone
// keeps its crossfade between layers. The fraction is compared by its bits, so what comes back
// is what the sines would give.
inline SineLaw sine_law(SineLawMemo &memo, double t) {
    if (memo.known && std::bit_cast<std::uint64_t>(memo.fraction) == std::bit_cast<std::uint64_t>(t)) return memo.law;
    memo.fraction = t;
    memo.law = {std::sin((1 - t) * half_pi), std::sin(t * half_pi)};
    memo.known = true;
    return memo.law;
}

}  // namespace vorn
