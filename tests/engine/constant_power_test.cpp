// The constant-power law ("power 1") seen from the transcript alone: what the patch holds
// after each pass, whatever the layout, the position or the radius.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "support/invariants.h"
#include "support/test_box.h"

using vorn_test::InvariantChecker;
using vorn_test::TestBox;

namespace {

// A layout, and which channels belong together: the layers' loudspeakers first, then each
// solo layer's.
struct Layout {
    const char *name;
    std::vector<std::string> lines;
    std::vector<std::set<int>> groups;
};

std::set<int> channel_range(int first, int last) {
    std::set<int> channels;
    for (int c = first; c <= last; ++c) channels.insert(c);
    return channels;
}

std::vector<Layout> layouts() {
    return {
        {"dome",
         {"setup 0 30 60 90",
          "layer 0 1 0 2 22.5 3 45 4 67.5 5 90 6 112.5 7 135 8 157.5 9 180 10 202.5 11 225 12 247.5 13 270 14 "
          "292.5 15 315 16 337.5",
          "layer 1 17 0 18 30 19 60 20 90 21 120 22 150 23 180 24 210 25 240 26 270 27 300 28 330",
          "layer 2 29 0 30 45 31 90 32 135 33 180 34 225 35 270 36 315", "layer 3 37 0", "solo 38 90 39 270", "end"},
         {channel_range(1, 37), channel_range(38, 39)}},
        {"ring of 8", {"setup 0", "layer 0 1 0 2 45 3 90 4 135 5 180 6 225 7 270 8 315", "end"}, {channel_range(1, 8)}},
        {"7.1.4 with a lone zenith below a floor ring",
         {"setup -30 0 45", "layer 0 20 0", "layer 1 1 0 2 30 3 90 4 135 5 225 6 270 7 330",
          "layer 2 8 45 9 135 10 225 11 315", "solo 12 0 13 180", "solo 14 90", "end"},
         {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 20}, {12, 13}, {14}}},
        {"front pair over a ring, uneven and with twins",
         {"setup 0 35", "layer 0 1 0 2 10 3 10 4 100 5 250", "layer 1 6 30 7 330", "end"}, {channel_range(1, 7)}},
    };
}

// What the patch holds, channel by channel, kept up from every amplitude message.
void take_amplitudes(const std::vector<std::string> &lines, std::map<int, double> &held) {
    for (const std::string &line : lines) {
        int channel;
        double value;
        if (std::sscanf(line.c_str(), "outlet 0: test-%d %lf", &channel, &value) == 2) held[channel] = value;
    }
}

double power_of(const std::map<int, double> &held, const std::set<int> &group) {
    double power = 0;
    for (int channel : group) power += held.at(channel) * held.at(channel);
    return power;
}

std::string position(double azimuth, double elevation, double gain) {
    char line[128];
    std::snprintf(line, sizeof line, "list %.17g %.17g %.17g", azimuth, elevation, gain);
    return line;
}

}  // namespace

// At every whole radius each group keeps the square of the gain, and a pass that repeats
// the one before sends nothing.
TEST(ConstantPower, EveryGroupKeepsTheSquareOfTheGainAtEveryRadius) {
    std::mt19937 rng(19);
    std::uniform_real_distribution<double> azimuth(-400, 400), elevation(-120, 200), gain(0.05, 1);
    for (const Layout &layout : layouts()) {
        TestBox box;
        InvariantChecker checker;
        std::map<int, double> held;
        auto send = [&](const std::string &line) {
            checker.begin_message(&box.panner());
            const std::vector<std::string> lines = box.send(line);
            for (const std::string &out : lines) checker.observe(box.panner(), out);
            EXPECT_EQ(checker.end_message(&box.panner()), "") << layout.name << ", after " << line;
            take_amplitudes(lines, held);
        };
        for (const std::string &line : layout.lines) send(line);
        send("power 1");
        for (int radius = 1; radius <= 360; ++radius) {
            send("radius " + std::to_string(radius));
            const double g = gain(rng);
            const std::string move = position(azimuth(rng), elevation(rng), g);
            send(move);
            for (const std::set<int> &group : layout.groups)
                ASSERT_NEAR(power_of(held, group), g * g, 1e-12) << layout.name << ", radius " << radius << ", " << move;
            send(move);
            EXPECT_EQ(checker.repeat_breaches(), "") << layout.name << ", radius " << radius;
        }
        std::map<int, double> refreshed;
        take_amplitudes(box.send("refresh"), refreshed);
        EXPECT_EQ(refreshed, held) << layout.name;
    }
}

// The masks cap the scaled amplitudes: a masked box holds exactly the smaller of the mask
// and what the same box without masks holds.
TEST(ConstantPower, MasksCapAfterTheScaling) {
    const Layout dome = layouts()[0];
    TestBox masked, free;
    std::map<int, double> held_masked, held_free;
    for (const std::string &line : dome.lines) {
        take_amplitudes(masked.send(line), held_masked);
        take_amplitudes(free.send(line), held_free);
    }
    const std::map<int, double> masks = {{1, 0.1}, {2, 0.5}, {17, 0}, {18, 0.3}, {37, 0.25}, {38, 0.2}};
    for (const auto &[channel, mask] : masks) masked.send("mask " + std::to_string(channel) + " " + std::to_string(mask));
    masked.send("power 1");
    free.send("power 1");

    std::mt19937 rng(23);
    std::uniform_real_distribution<double> azimuth(-30, 60), elevation(-10, 40), gain(0.2, 1), radius(1, 360);
    int capped = 0;
    for (int move = 0; move < 200; ++move) {
        const std::string r = "radius " + std::to_string(radius(rng));
        const std::string line = position(azimuth(rng), elevation(rng), gain(rng));
        for (TestBox *box : {&masked, &free}) box->send(r);
        take_amplitudes(masked.send(line), held_masked);
        take_amplitudes(free.send(line), held_free);
        for (const auto &[channel, value] : held_free) {
            const auto mask = masks.find(channel);
            const double expected = mask == masks.end() ? value : std::min(value, mask->second);
            ASSERT_EQ(held_masked.at(channel), expected) << "channel " << channel << " after " << line;
            if (mask != masks.end() && value > mask->second) ++capped;
        }
    }
    EXPECT_GT(capped, 50);  // the masks did cap
}

// Gain 0 sends zeros and nothing after them, at any radius; the law off again gives the
// default law's amplitudes; the smallest and largest gains give finite amplitudes.
TEST(ConstantPower, SilenceTheWayBackAndExtremeGains) {
    const Layout dome = layouts()[0];
    TestBox with_law, without;
    with_law.send_all(dome.lines);
    without.send_all(dome.lines);
    with_law.send_all({"power 1", "radius 360", "list 10 15 0"});
    std::map<int, double> held;
    take_amplitudes(with_law.send("refresh"), held);
    for (const auto &[channel, value] : held) EXPECT_EQ(value, 0) << "channel " << channel;
    EXPECT_TRUE(with_law.send("list 50 20 0").empty());

    for (const char *gain : {"1e-300", "1e-160", "1e160", "1.7976931348623157e308"}) {
        held.clear();
        take_amplitudes(with_law.send(std::string("list 10 15 ") + gain), held);
        take_amplitudes(with_law.send("refresh"), held);
        for (const auto &[channel, value] : held)
            ASSERT_TRUE(std::isfinite(value) && value >= 0 && value <= 1) << "gain " << gain << ", channel " << channel;
        if (std::string(gain) == "1e-160") {  // below the square's normal range, still the gain's power
            double relative = 0;  // summed at the scale of the gain, as the squares would fall below it
            for (int channel : dome.groups[0]) relative += std::pow(held.at(channel) / 1e-160, 2);
            EXPECT_NEAR(relative, 1, 1e-12);
        }
    }

    with_law.send_all({"power 0", "radius 75", "list 33 21 0.8"});
    without.send_all({"radius 75", "list 33 21 0.8"});
    std::map<int, double> after_off, never_on;
    take_amplitudes(with_law.send("refresh"), after_off);
    take_amplitudes(without.send("refresh"), never_on);
    EXPECT_EQ(after_off, never_on);
}

// A source that stays put while everything else changes around it: each change shows in the
// scale at once.
TEST(ConstantPower, TheSameSourceOverChangingLayoutsRadiiAndGains) {
    TestBox box;
    std::map<int, double> held;
    const std::set<int> ring = channel_range(1, 9);
    auto pass_and_check = [&](const std::vector<std::string> &lines, double gain) {
        held.clear();
        for (const std::string &line : lines) take_amplitudes(box.send(line), held);
        take_amplitudes(box.send("refresh"), held);
        double power = 0;
        for (const auto &[channel, value] : held)
            if (ring.count(channel)) power += value * value;
        EXPECT_NEAR(power, gain * gain, 1e-12) << lines.back();
    };
    box.send_all({"setup 0 40", "layer 0 1 0 2 90 3 180 4 270", "layer 1 5 45 6 225", "end", "power 1", "radius 100"});
    pass_and_check({"list 20 10 0.9"}, 0.9);
    pass_and_check({"layer 0 1 0 2 60 3 120 4 180 7 240 8 300", "end", "list 20 10 0.9"}, 0.9);
    pass_and_check({"radius 170", "list 20 10 0.9"}, 0.9);
    pass_and_check({">2 0.4", "list 20 10"}, 0.4);
    pass_and_check({">1 30", "20."}, 0.4);
    pass_and_check({"setup 0 40", "layer 0 1 0 9 180", "layer 1 5 45 6 225", "end", "list 20 30 0.4"}, 0.4);
    pass_and_check({"power 0", "20.", "power 1", "20."}, 0.4);
}
