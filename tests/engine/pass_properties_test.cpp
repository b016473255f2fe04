// Properties of the panning pass over random valid configurations and source movements.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "support/invariants.h"
#include "support/test_box.h"

using vorn_test::InvariantChecker;
using vorn_test::TestBox;

namespace {

struct Configuration {
    std::vector<std::string> lines;
    std::set<int> channels;
};

Configuration random_configuration(std::mt19937 &rng) {
    Configuration c;
    std::uniform_int_distribution<int> layer_count(1, 4), speaker_count(1, 9), solo_count(0, 2);
    std::set<int> elevations;
    const int n = layer_count(rng);
    while (static_cast<int>(elevations.size()) < n) elevations.insert(std::uniform_int_distribution<int>(-90, 90)(rng));
    std::string setup = "setup";
    for (int e : elevations) setup += " " + std::to_string(e);
    c.lines.push_back(setup);

    std::vector<int> free_channels(2048);
    for (int i = 0; i < 2048; ++i) free_channels[i] = i + 1;
    std::shuffle(free_channels.begin(), free_channels.end(), rng);
    std::size_t next_channel = 0;
    auto pairs = [&](int m) {
        std::vector<double> azimuths;
        for (int i = 0; i < m; ++i)
            azimuths.push_back(std::uniform_int_distribution<int>(0, 719)(rng) * 0.5);  // ties happen
        std::sort(azimuths.begin(), azimuths.end());
        std::string text;
        for (double az : azimuths) {
            const int channel = free_channels[next_channel++];
            c.channels.insert(channel);
            char pair[64];
            std::snprintf(pair, sizeof pair, " %d %.1f", channel, az);
            text += pair;
        }
        return text;
    };
    for (int layer = 0; layer < n; ++layer) c.lines.push_back("layer " + std::to_string(layer) + pairs(speaker_count(rng)));
    for (int k = solo_count(rng); k > 0; --k) c.lines.push_back("solo" + pairs(speaker_count(rng)));
    c.lines.push_back("end");
    return c;
}

std::string random_move(std::mt19937 &rng) {
    std::uniform_real_distribution<double> azimuth(-1000, 1000), elevation(-400, 400), gain(0, 2);
    char line[128];
    std::snprintf(line, sizeof line, "%.17g %.17g %.17g", azimuth(rng), elevation(rng), gain(rng));
    return line;
}

// Amplitudes sent in one pass, by channel; fails on a channel sent twice or a bad value.
std::map<int, double> amplitudes(const std::vector<std::string> &lines) {
    std::map<int, double> sent;
    for (const std::string &line : lines) {
        int channel;
        double value;
        if (std::sscanf(line.c_str(), "outlet 0: test-%d %lf", &channel, &value) != 2) continue;
        EXPECT_TRUE(std::isfinite(value) && value >= 0 && value <= 1) << line;
        EXPECT_TRUE(sent.emplace(channel, value).second) << "channel " << channel << " sent twice";
    }
    return sent;
}

// Sends one line; the invariants must hold after it.
std::vector<std::string> checked_send(TestBox &box, InvariantChecker &checker, const std::string &line) {
    checker.begin_message(&box.panner());
    std::vector<std::string> lines = box.send(line);
    for (const std::string &out : lines) checker.observe(box.panner(), out);
    EXPECT_EQ(checker.end_message(&box.panner()), "") << "after " << line;
    return lines;
}

}  // namespace

TEST(PassProperties, RandomConfigurationsAndMovements) {
    std::mt19937 rng(20261208);
    for (int round = 0; round < 60; ++round) {
        TestBox box("test");
        InvariantChecker checker;
        const Configuration config = random_configuration(rng);
        std::map<int, double> current;
        for (const auto &line : config.lines)
            for (auto &[channel, value] : amplitudes(checked_send(box, checker, line))) current[channel] = value;
        // The commit sends every channel once.
        EXPECT_EQ(current.size(), config.channels.size()) << "round " << round;

        for (int move = 0; move < 20; ++move) {
            if (move % 5 == 0)
                checked_send(box, checker, "radius " + std::to_string(std::uniform_int_distribution<int>(1, 360)(rng)));
            const std::string position = random_move(rng);
            for (auto &[channel, value] : amplitudes(checked_send(box, checker, position))) {
                EXPECT_NE(current[channel], value) << "unchanged channel " << channel << " was sent";
                current[channel] = value;
            }
            checked_send(box, checker, position);
            EXPECT_EQ(checker.repeat_breaches(), "");
            const std::map<int, double> all = amplitudes(checked_send(box, checker, "refresh"));
            EXPECT_EQ(checker.refresh_breaches(box.panner()), "");
            EXPECT_EQ(all, current);
        }
    }
}

// Layers filled again and again from a few channels, so that layers share them and drop
// them: whatever the order, no channel is left above 0 without a loudspeaker and a selector.
TEST(PassProperties, RefillsLeaveNoChannelBehind) {
    std::mt19937 rng(17);
    std::uniform_int_distribution<int> channel(1, 6), count(1, 3), pick(0, 19);
    auto pairs = [&] {
        const int m = count(rng);
        std::string text;
        for (int i = 0; i < m; ++i) text += " " + std::to_string(channel(rng)) + " " + std::to_string(i * 360 / m);
        return text;
    };
    for (int round = 0; round < 60; ++round) {
        TestBox box("test");
        InvariantChecker checker;
        for (const std::string &line : {std::string("setup 0 45"), "layer 0" + pairs(), "layer 1" + pairs(), std::string("end")})
            checked_send(box, checker, line);
        for (int step = 0; step < 40; ++step) {
            const int what = pick(rng);
            std::string line;
            if (what < 6) line = "layer " + std::to_string(what % 2) + pairs();
            else if (what == 6) line = "solo" + pairs();
            else if (what < 11) line = "end";
            else if (what == 11) line = "layer 0 " + std::to_string(channel(rng)) + " 400";  // refused: drops everything
            else if (what == 12) line = "setup 0 45";
            else
                line = "list " + std::to_string(std::uniform_int_distribution<int>(0, 359)(rng)) + " " +
                       std::to_string(std::uniform_int_distribution<int>(-10, 80)(rng));
            checked_send(box, checker, line);
            if (step % 10 == 9) {
                checked_send(box, checker, "refresh");
                EXPECT_EQ(checker.refresh_breaches(box.panner()), "");
            }
        }
    }
}

TEST(PassProperties, NonFiniteInputsNeverReachTheOutput) {
    TestBox box("test");
    box.send_all({"setup 0 45", "layer 0 1 0 2 120 3 240", "layer 1 4 90", "end"});
    const std::vector<std::string> bad = {"nan", "inf", "-inf", "list nan 0 1", "list 0 nan 1", "list 0 inf 1",
                                          "list 0 0 nan", "list 0 0 inf", ">1 nan", ">1 -inf", ">2 nan", ">2 inf",
                                          "radius nan", "radius inf"};
    for (const std::string &line : bad) box.send(line);
    EXPECT_EQ(box.panner().azimuth, 0);
    EXPECT_EQ(box.panner().elevation, 0);
    EXPECT_EQ(box.panner().gain, 1);
    EXPECT_EQ(box.panner().radius, 1);
    // Only "list 0 ..." lines with a finite azimuth ran a pass, at the same position: nothing new to send.
    EXPECT_TRUE(amplitudes(box.send("bang")).empty());
}

TEST(PassProperties, ExtremeMagnitudesFinish) {
    TestBox box("test");
    box.send_all({"setup 0", "layer 0 1 0 2 90 3 180 4 270", "end", "radius 200"});
    for (const char *line : {"1e300", "-1e300", "1.7976931348623157e308", "list 45 1e300", "list 45 -1e300",
                             "list 1e17 1e17 1"}) {
        for (const auto &[channel, value] : amplitudes(box.send(line))) (void)channel, (void)value;
    }
    // Azimuth 720 + 45 lands where 45 does (the spreads, from the unreduced azimuth, are all 0 at radius 1).
    box.send_all({"radius 1", "list 45 0 1"});
    const auto at_45 = amplitudes(box.send("refresh"));
    box.send("765");
    const auto at_765 = amplitudes(box.send("refresh"));
    EXPECT_EQ(at_45, at_765);
}
