// "end" keeps the selectors it made before: only channels beyond them get new symbols.
#include <gtest/gtest.h>

#include <string>

#include "host/host.h"
#include "support/test_box.h"

using vorn_test::TestBox;

namespace {

void expect_selectors(vorn::Panner &p, int total) {
    ASSERT_EQ(p.selector_count, total);
    for (int channel = 1; channel <= total; ++channel)
        ASSERT_EQ(p.channel_selectors[channel - 1], vorn::host::intern(("hall-" + std::to_string(channel)).c_str()))
            << "channel " << channel;
}

}  // namespace

TEST(Commit, SelectorsKeptAcrossCommitsAndRightAfterEach) {
    TestBox box("hall");
    vorn::Panner &p = box.panner();
    box.send_all({"setup 0", "layer 0 3 0 5 90", "end"});
    expect_selectors(p, 5);
    vorn::host::Symbol **first = p.channel_selectors;
    box.send_all({"layer 0 2 0", "end"});
    expect_selectors(p, 2);
    EXPECT_EQ(p.channel_selectors, first) << "a smaller configuration makes no new array";
    box.send_all({"layer 0 1 0 9 90", "end"});
    expect_selectors(p, 9);
    box.send_all({"setup 0", "end"});
    EXPECT_EQ(p.selector_count, 0) << "a failed end leaves no channel a selector";
    box.send_all({"layer 0 4 0", "end"});
    expect_selectors(p, 4);
}

// Channel selectors are the whole "%s-%d" text, however long the context: cut short, two
// channels would share one selector and one would be sent under the other's name.
TEST(Commit, SelectorsOfLongContextsAreWhole) {
    for (std::size_t length : {253u, 254u, 255u, 256u, 1000u, 5000u}) {
        const std::string context(length, 'c');
        TestBox box(context);
        box.send_all({"setup 0", "layer 0 1 0 10 180 2048 270"});
        const auto lines = vorn_test::with_prefix(box.send("end"), "outlet 0: ");
        ASSERT_EQ(lines.size(), 3u) << length;
        EXPECT_EQ(lines[0], "outlet 0: " + context + "-1 1.0");
        EXPECT_EQ(lines[1], "outlet 0: " + context + "-10 0.0");
        EXPECT_EQ(lines[2], "outlet 0: " + context + "-2048 0.0");
    }
}
