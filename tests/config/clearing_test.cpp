// Dropping a configuration is no pass: it posts nothing about empty layers, however many, and
// a refused "layer" or "solo" posts its error and one line that says what became of the rig.
#include <gtest/gtest.h>

#include <string>

#include "support/test_box.h"

using vorn_test::TestBox;
using vorn_test::with_prefix;

namespace {

std::vector<std::string> console(const std::vector<std::string> &lines) {
    std::vector<std::string> said = with_prefix(lines, "error: ");
    for (const std::string &line : with_prefix(lines, "post: ")) said.push_back(line);
    return said;
}

constexpr const char *cleared =
    "error: layer: the configuration was cleared, every channel silenced; send setup, layer and end again";

}  // namespace

TEST(Clearing, ManyEmptyLayersDroppedInSilence) {
    TestBox box("hall");
    std::string setup = "setup";
    constexpr int elevations = 100'000;
    for (int i = 0; i < elevations; ++i) setup += " " + std::to_string(-90 + 180.0 * i / elevations);
    EXPECT_EQ(console(box.send(setup)), std::vector<std::string>{});
    EXPECT_EQ(console(box.send("setup 0")), std::vector<std::string>{});

    // A refused layer on a large ring: its own error and the one line, nothing per layer.
    box.send(setup);
    box.send("layer 0 1 0 2 180");
    EXPECT_EQ(console(box.send("layer 0 1 0 2 -5")),
              (std::vector<std::string>{"error: horizontal layer speaker array should have azimuths between 0 and 360",
                                        cleared}));
    EXPECT_EQ(box.panner().ring_count, 0);
    EXPECT_EQ(console(box.send("layer 0 1 0")), std::vector<std::string>{"error: layer: no speaker layer setup provided"});
}

TEST(Clearing, RefusedSoloSaysTheConfigurationWentAndSilencesIt) {
    TestBox box("hall");
    box.send_all({"setup 0", "layer 0 1 0 2 180", "end"});
    const auto lines = box.send("solo 5");
    EXPECT_EQ(console(lines),
              (std::vector<std::string>{
                  "error: sub: invalid number of arguments (should be a channel-azimuth list; the last channel has no "
                  "azimuth)",
                  "error: solo: the configuration was cleared, every channel silenced; send setup, layer and end again"}));
    EXPECT_EQ(with_prefix(lines, "outlet 0: "), std::vector<std::string>{"outlet 0: hall-1 0.0"});
    EXPECT_EQ(box.panner().solo_count, 0);
    EXPECT_EQ(box.panner().ring_count, 0);
}
