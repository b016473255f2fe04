// The reductions by whole periods against the library's remainder they stand for.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/angles.h"

namespace {

// The reduction as it was first written: fmod whenever the value is outside the range.
double wrapped_by_fmod(double x, double period) {
    if (x < 0) {
        const double r = std::fmod(x, period);
        return r < 0 ? r + period : 0.0;
    }
    if (x > period) {
        const double r = std::fmod(x, period);
        return r == 0 ? period : r;
    }
    return x;
}

}  // namespace

// Within one period beyond either end the shortcut subtracts instead; it must give the
// same bits everywhere, the ends, neighbours of the ends and signed zeros included.
TEST(Angles, WrapIntoPeriodIsTheRemainderToTheBit) {
    std::mt19937_64 rng(3);
    for (double period : {360.0, 1.0, 0.1, 359.99999999999994, 7e300, DBL_MAX, 5e-324}) {
        std::uniform_real_distribution<double> near(-3 * std::min(period, 1e300), 3 * std::min(period, 1e300));
        std::vector<double> values = {0.0, -0.0, period, -period, 2 * period, -2 * period, 3 * period};
        for (double v : {period, -period, 2 * period, -2 * period}) {
            values.push_back(std::nextafter(v, INFINITY));
            values.push_back(std::nextafter(v, -INFINITY));
        }
        for (int k = 0; k < 20000; ++k) values.push_back(near(rng));
        for (int k = 0; k < 2000; ++k) values.push_back(std::bit_cast<double>(rng() >> 1) * (k % 2 ? 1 : -1));
        for (double x : values) {
            if (!std::isfinite(x)) continue;
            ASSERT_EQ(std::bit_cast<std::uint64_t>(vorn::wrap_into_period(x, period)),
                      std::bit_cast<std::uint64_t>(wrapped_by_fmod(x, period)))
                << "x = " << x << ", period = " << period;
        }
    }
}
