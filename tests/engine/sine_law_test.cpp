// The sine law's memo hands back what the two sines give, and amplitudes do not depend on
// the positions a box went through before.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "engine/sine_law.h"
#include "support/test_box.h"

using vorn_test::ring_of;
using vorn_test::TestBox;

namespace {

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

std::vector<std::string> amplitudes(const std::vector<std::string> &lines) {
    return vorn_test::with_prefix(lines, "outlet 0:");
}

}  // namespace

TEST(SineLaw, MemoGivesWhatTheDivisionAndSinesGive) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Repeated terms hit the memo; -0 and +0 are different terms, and so are neighbours an
    // ulp apart; other terms of the same fraction miss it and must still agree.
    const double terms[][2] = {{11.25, 45}, {11.25, 45}, {-0.0, 45}, {0.0, 45}, {-0.0, 45}, {0.0, -0.0},
                               {0.0, 0.0},  {45, 45},    {45, 45},   {nan, 45}, {nan, 45}, {1e-300, 45},
                               {22.5, 90},  {11.25, 45}, {std::nextafter(11.25, 12.0), 45}, {11.25, 45},
                               {11.25, std::nextafter(45.0, 46.0)}, {31.5, 45}, {31.5, 45}};
    vorn::SineLawMemo memo{};
    for (const auto &term : terms) {
        const vorn::SineLaw law = vorn::sine_law(memo, term[0], term[1]);
        const double t = term[0] / term[1];
        const double falling = std::sin((1 - t) * vorn::half_pi), rising = std::sin(t * vorn::half_pi);
        if (std::isnan(t)) {
            EXPECT_TRUE(std::isnan(law.falling) && std::isnan(law.rising));
            continue;
        }
        EXPECT_EQ(bits(law.falling), bits(falling)) << term[0] << " / " << term[1];
        EXPECT_EQ(bits(law.rising), bits(rising)) << term[0] << " / " << term[1];
    }
}

// A box walked along a path, then refreshed, sends what a new box sent straight to the last
// position sends: no sine the memo kept from an earlier pass, or from the other half of the
// ring, stands in for one the position needs.
TEST(SineLaw, AmplitudesDoNotDependOnThePathThere) {
    const std::vector<std::vector<std::string>> configurations = {
        {"setup 0", ring_of(0, 1, 8, 0), "end"},                         // the mirror shares the front's fraction
        {"setup 0", ring_of(0, 1, 5, 10), "end"},                        // it does not
        {"setup 0 40", ring_of(0, 1, 12, 0), ring_of(1, 13, 6, 30), "solo 20 90 21 270", "end"},
    };
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> step(-3, 3);
    for (const auto &configuration : configurations) {
        TestBox walked;
        walked.send_all(configuration);
        float azimuth = 0, elevation = 0;  // single precision, as Pd's numbers
        for (int move = 0; move < 200; ++move) {
            // Small steps revisit fractions; every tenth move keeps the position, or turns the
            // azimuth by half a turn.
            if (move % 10 == 3) azimuth += 180;
            else if (move % 10 != 7) azimuth += 0.37f * static_cast<float>(step(rng));
            if (move % 4 == 0) elevation = static_cast<float>(std::uniform_int_distribution<int>(-120, 300)(rng)) * 0.25f;
            char position[96];
            std::snprintf(position, sizeof position, "list %.9g %.9g 0.8", azimuth, elevation);
            walked.send(position);
            TestBox fresh;
            fresh.send_all(configuration);
            fresh.send(position);
            ASSERT_EQ(amplitudes(walked.send("refresh")), amplitudes(fresh.send("refresh")))
                << configuration[1] << ", move " << move << ": " << position;
        }
    }
}
