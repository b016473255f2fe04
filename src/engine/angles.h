// Reductions by whole periods. Each gives what adding or subtracting the period one step
// at a time gives for ordinary values, but in closed form, so that it finishes for any
// finite magnitude.
#pragma once

#include <cmath>
#include <numbers>

namespace vorn {

constexpr double pi = std::numbers::pi;
constexpr double half_pi = std::numbers::pi / 2;
static_assert(half_pi == 1.5707963267948966);

// Into 0..period, both ends closed: a negative value gains periods until it is no longer
// negative, a value above the period loses them until it is no longer above it.
// Within one period of the range, fmod is the plain difference, which is exact there, so
// the common case of half a turn added skips the library call.
inline double wrap_into_period(double x, double period) {
    if (x < 0) {
        const double r = x > -period ? x : std::fmod(x, period);
        return r < 0 ? r + period : 0.0;  // the stepwise walk from -k*period lands on +0
    }
    if (x > period) {
        const double r = x <= 2 * period ? x - period : std::fmod(x, period);
        return r == 0 ? period : r;  // the stepwise walk stops at the period, not at 0
    }
    return x;
}

// Into -90..270, both ends closed.
inline double normalise_elevation(double e) {
    if (e < -90) {
        const double r = std::fmod(e, 360.0);
        return r < -90 ? r + 360 : r + 0.0;
    }
    if (e > 270) {
        const double r = std::fmod(e, 360.0);
        return r > 270 ? r - 360 : r;
    }
    return e;
}

}  // namespace vorn
