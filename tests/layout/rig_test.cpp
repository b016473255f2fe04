// A rig's distance compensation against values worked out by hand, and vorn-layout --rig
// as a command.
#include <gtest/gtest.h>

#include <string>

#include "layout/rig_compensation.h"
#include "layout_support.h"

namespace {

using vorn_layout::compensate;
using vorn_layout::compensation_table;
using vorn_layout::RigLoudspeaker;

// Three distances, the farthest with the file's gain 0.5, channels out of order.
const std::vector<RigLoudspeaker> hall{{3, 4.0, 0.5, 3}, {1, 2.0, 1, 1}, {2, 3.0, 1, 2}};

TEST(RigCompensation, DelaysAndLevelsAreTheHandWorkedOnes) {
    const auto compensation = compensate(hall, 343);
    ASSERT_TRUE(compensation.distances);
    ASSERT_EQ(compensation.outputs.size(), 3u);
    // 2 m short of 4 m: 2/343 s = 5.8309 ms = 279.88 samples, level 2/4.
    EXPECT_EQ(compensation.outputs[0].channel, 1);
    EXPECT_NEAR(compensation.outputs[0].delay, 0.0058309037900874635, 1e-15);
    EXPECT_DOUBLE_EQ(compensation.outputs[0].level, 0.5);
    EXPECT_EQ(vorn_layout::samples_at(compensation.outputs[0].delay, 48000), 280);
    // 1 m short: 2.9155 ms = 139.94 samples, level 3/4.
    EXPECT_NEAR(compensation.outputs[1].delay, 0.0029154518950437317, 1e-15);
    EXPECT_DOUBLE_EQ(compensation.outputs[1].level, 0.75);
    EXPECT_EQ(vorn_layout::samples_at(compensation.outputs[1].delay, 48000), 140);
    // The farthest: no delay, its own gain alone.
    EXPECT_EQ(compensation.outputs[2].delay, 0);
    EXPECT_DOUBLE_EQ(compensation.outputs[2].level, 0.5);
    // At 340 m/s the delays grow to 2/340 s.
    EXPECT_NEAR(compensate(hall, 340).outputs[0].delay, 0.0058823529411764705, 1e-15);
}

TEST(RigCompensation, TableRowsGiveDistanceDelaySamplesAndTrim) {
    const std::vector<std::string> table = compensation_table(compensate(hall, 343));
    ASSERT_EQ(table.size(), 5u);
    EXPECT_EQ(table[1], "channel  distance m  delay ms  samples@48k  trim dB");
    EXPECT_EQ(table[2], "      1       2.000     5.831          280    -6.02");
    EXPECT_EQ(table[3], "      2       3.000     2.915          140    -2.50");
    EXPECT_EQ(table[4], "      3       4.000     0.000            0    -6.02");
}

TEST(RigCompensation, WithoutDistancesOnlyTheGainsCount) {
    const auto compensation = compensate({{1, 0, 1, 1}, {2, 0, 0.25, 2}, {3, 0, 0, 3}}, 343);
    EXPECT_FALSE(compensation.distances);
    EXPECT_EQ(compensation.outputs[1].delay, 0);
    EXPECT_DOUBLE_EQ(compensation.outputs[1].level, 0.25);
    const std::vector<std::string> table = compensation_table(compensation);
    EXPECT_EQ(table[3], "      2           -     0.000            0   -12.04");
    EXPECT_EQ(table[4], "      3           -     0.000            0     -inf");
}

TEST(RigCompensation, RefusesDistancesAndGainsItCannotUse) {
    using layout_test::error_of;
    EXPECT_EQ(error_of([] { compensate({{1, 2, 1, 1}, {2, 0, 1, 2}}, 343); }),
              "loudspeaker 2 (channel 2): no \"Radius\", while others have one: give every loudspeaker its distance");
    EXPECT_EQ(error_of([] { compensate({{1, -2, 1, 1}}, 343); }),
              "loudspeaker 1 (channel 1): \"Radius\" must be a distance in metres above 0");
    EXPECT_EQ(error_of([] { compensate({{1, 2, -1, 1}}, 343); }),
              "loudspeaker 1 (channel 1): \"Gain\" must be a number, 0 or more");
    EXPECT_EQ(error_of([] { compensate({{1, 2, 1, 1}}, 0); }), "the speed of sound must be above 0 m/s");
}

TEST(RigCommand, WritesAPatchForPdOrMaxAndTheTableOnStandardError) {
    const std::string room = layout_test::temp_file("rig.json", layout_test::iem_text({{0, 0, 1}, {90, 0, 2}, {180, 0, 3}}));
    const layout_test::Outcome pd = layout_test::run_vorn_layout({"--rig", "2", "--format", "pd", room});
    EXPECT_EQ(pd.status, 0);
    EXPECT_EQ(pd.out.rfind("#N canvas", 0), 0u);
    EXPECT_NE(pd.err.find("vorn-layout: channel  distance m  delay ms  samples@48k  trim dB\n"), std::string::npos);
    // A rig carries the file's gains, so the note that a conversion drops them is not given.
    EXPECT_EQ(pd.err.find("gains of the file"), std::string::npos);
    const layout_test::Outcome max = layout_test::run_vorn_layout({"--rig", "1", "--format", "max", "--dac", "5.1"});
    EXPECT_EQ(max.status, 0);
    EXPECT_NE(max.out.find("\"dac~ 6\""), std::string::npos);
    EXPECT_NE(max.err.find("no distances in the room"), std::string::npos);
}

TEST(RigCommand, RefusesWhatCannotMakeARig) {
    for (const std::vector<std::string> &arguments :
         {std::vector<std::string>{"--rig", "2", "5.1"}, {"--rig", "0", "--format", "pd", "5.1"},
          {"--rig", "x", "--format", "pd", "5.1"}, {"--dac", "--format", "pd", "5.1"},
          {"--rig", "1", "--format", "pd", "--ramp", "-1", "5.1"},
          {"--rig", "1", "--format", "pd", "--speed-of-sound", "0", "5.1"}}) {
        const layout_test::Outcome run = layout_test::run_vorn_layout(arguments);
        EXPECT_EQ(run.status, 2) << arguments[1];
        EXPECT_EQ(run.out, "");
    }
}

}  // namespace
