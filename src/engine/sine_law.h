// The sine law between two neighbours, loudspeakers of a layer or layers of the ring: at
// fraction t = from_first / span of the way from the first to the second, the first gets
// sin((1 - t) pi/2) and the second sin(t pi/2).
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

#include "engine/angles.h"
#include "host/sine_law_memo.h"

namespace vorn {

// The memo holds the law at the last fraction it was made for, by the fraction's two terms,
// so that a hit costs no division either. A ring's mirror entry pans the same layer half a
// turn on, which on a layer the half turn maps onto itself (any even ring evenly spaced)
// gives the same terms to the bit; and a source moved in azimuth alone keeps its crossfade
// between layers. The terms are compared by their bits, so what comes back is what the
// division and the sines would give.
inline SineLaw sine_law(SineLawMemo &memo, double from_first, double span) {
    if (memo.known && std::bit_cast<std::uint64_t>(memo.from_first) == std::bit_cast<std::uint64_t>(from_first) &&
        std::bit_cast<std::uint64_t>(memo.span) == std::bit_cast<std::uint64_t>(span))
        return memo.law;
    const double t = from_first / span;
    memo.from_first = from_first;
    memo.span = span;
    memo.law = {std::sin((1 - t) * half_pi), std::sin(t * half_pi)};
    memo.known = true;
    return memo.law;
}

}  // namespace vorn
