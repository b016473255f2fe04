// The configuration as messages in each format, and read back from a script.
#include <gtest/gtest.h>

#include "layout/vorn_messages.h"
#include "layout_support.h"

using vorn_layout::MessageFormat;
using vorn_layout::VornConfiguration;

namespace {

const VornConfiguration two_layers{{-22.5, 90}, {{{3, 0}, {1, 22.25}, {2, 337.5}}, {{4, 0}}}, {{{5, 0}, {6, 180}}}};

std::string error_of(const std::string &script) {
    return layout_test::error_of([&] { vorn_layout::read_vorn_script(script); });
}

TEST(VornMessages, EachFormat) {
    EXPECT_EQ(vorn_layout::format_messages(two_layers, MessageFormat::script, "Hall\nB"),
              "# Hall B: 6 loudspeakers in 2 layers and a solo layer\n"
              "setup -22.5 90\n"
              "layer 0 3 0 1 22.25 2 337.5\n"
              "layer 1 4 0\n"
              "solo 5 0 6 180\n"
              "end\n");
    const std::string box = "setup -22.5 90, layer 0 3 0 1 22.25 2 337.5, layer 1 4 0, solo 5 0 6 180, end\n";
    EXPECT_EQ(vorn_layout::format_messages(two_layers, MessageFormat::max, "Hall"), box);
    EXPECT_EQ(vorn_layout::format_messages(two_layers, MessageFormat::pd, "Hall"), box);
    // Imaginary channels are counted apart and listed for the patch; a message box has no room for them.
    EXPECT_EQ(vorn_layout::format_messages(two_layers, MessageFormat::script, "Hall", {4, 6}),
              "# Hall: 4 loudspeakers and 2 imaginary in 2 layers and a solo layer\n"
              "# imaginary, to leave unrouted: 4 6\n"
              "setup -22.5 90\nlayer 0 3 0 1 22.25 2 337.5\nlayer 1 4 0\nsolo 5 0 6 180\nend\n");
    EXPECT_EQ(vorn_layout::format_messages(two_layers, MessageFormat::max, "Hall", {4, 6}), box);
}

TEST(VornMessages, ScriptReadsBackAsTheSameConfiguration) {
    const std::string script = vorn_layout::format_messages(two_layers, MessageFormat::script, "Hall");
    const VornConfiguration back = vorn_layout::read_vorn_script(script);
    EXPECT_EQ(vorn_layout::vorn_messages(back), vorn_layout::vorn_messages(two_layers));
}

TEST(VornMessages, ScriptKeepsWhatTheBoxWouldHoldAtTheEnd) {
    const VornConfiguration back = vorn_layout::read_vorn_script(
        "!create hall\n"
        "setup 0 10\nlayer 0 1 0\n"
        "setup\n"                          // ignored, as the box ignores it
        "setup 0 30 60\n"                  // starts again
        "layer 0 1 0 2 90.\n"
        "layer 0 7 10 8 20\n"              // replaces layer 0
        "\t>0 layer 2 9 +45\n"
        ">1 30.\n# layer 1 99 0\n"
        "radius 30\n45. 20.\nend\n");
    EXPECT_EQ(back.elevations, (std::vector<double>{0, 30, 60}));
    EXPECT_EQ(vorn_layout::vorn_messages(back),
              (std::vector<std::string>{"setup 0 30 60", "layer 0 7 10 8 20", "layer 1", "layer 2 9 45", "end"}));
}

TEST(VornMessages, ScriptErrorsGiveTheLine) {
    EXPECT_EQ(error_of("layer 0 1 0\n"), "line 1: \"layer\" before any \"setup\"");
    EXPECT_EQ(error_of("solo 1 0\n"), "line 1: \"solo\" before any \"setup\"");
    EXPECT_EQ(error_of("setup 0\n\nlayer 1 1 0\n"), "line 3: layer 1 is not one of the 1 layers of \"setup\"");
    EXPECT_EQ(error_of("setup 0 0\n"), "line 1: elevations should ascend and differ (0 after 0)");
    EXPECT_EQ(error_of("setup 91\n"), "line 1: elevation 91 is outside -90..90");
    EXPECT_EQ(error_of("setup x\n"), "line 1: elevation \"x\" is not a number");
    EXPECT_EQ(error_of("setup 0\nlayer 0 1\n"), "line 2: channel/azimuth pairs expected");
    EXPECT_EQ(error_of("setup 0\nsolo 1 0 2\n"), "line 2: channel/azimuth pairs expected");
    EXPECT_EQ(error_of("setup 0\nlayer 0 2049 0\n"), "line 2: channel 2049 is outside 1..2048");
    EXPECT_EQ(error_of("setup 0\nlayer 0 1.5 0\n"), "line 2: channel 1.5 is not a whole number");
    EXPECT_EQ(error_of("setup 0\nlayer 0 1 360\n"), "line 2: azimuth 360 is outside 0..360 (360 excluded)");
    EXPECT_EQ(error_of("setup 0\nlayer 0 1 90 2 45\n"), "line 2: azimuths should ascend (45 after 90)");
    EXPECT_EQ(error_of("setup 0\nlayer 0 1 nan\n"), "line 2: azimuth \"nan\" is not a number");
    EXPECT_EQ(error_of("setup 0 30\nend\n"), "no loudspeakers (no \"layer\" or \"solo\" with channels)");
}

}  // namespace
