#include <gtest/gtest.h>

#include "config/layer.h"
#include "config/speaker_map.h"
#include "support/test_box.h"

using vorn_test::TestBox;
using vorn_test::with_prefix;

TEST(Lifecycle, RefusesMissingOrNumericContext) {
    for (const char *arguments : {"", "3", "2.5"}) {
        TestBox box(arguments);
        EXPECT_FALSE(box.exists());
        EXPECT_EQ(box.take(), std::vector<std::string>{"error: Vorn object requires a name or context (1st argument)"});
    }
}

TEST(Lifecycle, DefaultsAndExtraArgumentsIgnored) {
    TestBox box("hall x 4");
    ASSERT_TRUE(box.exists());
    vorn::Panner &p = box.panner();
    EXPECT_STREQ(p.context, "hall");
    EXPECT_EQ(p.gain, 1);
    EXPECT_EQ(p.radius, 1);
    EXPECT_EQ(p.period, 360);
    EXPECT_EQ(p.azimuth, 0);
    EXPECT_EQ(p.ring_count, 0);
    EXPECT_EQ(p.map_total, 0);
    EXPECT_FALSE(p.refresh_flag);
    EXPECT_EQ(p.channel_selectors, nullptr);
}

TEST(Lifecycle, BannerOnlyOncePerProcess) {
    // ctest runs each test in a process of its own, so the first box here is the first of all.
    TestBox first("a");
    TestBox second("b");
    TestBox third("c");
    EXPECT_LE(with_prefix(first.take(), "post: Vorn 2.6").size(), 1u);
    TestBox fourth("d");
    EXPECT_TRUE(with_prefix(fourth.take(), "post: Vorn 2.6").empty());
}

TEST(Lifecycle, TeardownSendsNothing) {
    {
        TestBox box("hall");
        box.send("setup 0 30");
        EXPECT_TRUE(box.destroy().empty());
    }
    {
        TestBox box("hall");
        box.send_all({"setup 0 30", "layer 0 1 0 2 90 3 180 4 270", "solo 9 0 10 180", "end", "mask 2 0.5", "info"});
        EXPECT_TRUE(box.destroy().empty());
    }
}

TEST(Lifecycle, LeftoverMapNodesAreReportedAndStillFreed) {
    // A node of a layer that does not exist cannot be released with the layers.
    for (const char *ending : {"setup 10", ""}) {
        TestBox box("hall");
        box.send_all({"setup 0", "layer 0 1 0"});
        vorn::register_speaker(box.panner(), 0, 7, 99, 0, 0);
        const std::string bug =
            "error: BUG: map has not been completely freed (should have been by freeing layers, expecting memory "
            "leaks)...";
        if (*ending) {
            EXPECT_EQ(with_prefix(box.send(ending), "error: BUG"), std::vector<std::string>{bug});
            EXPECT_EQ(box.panner().speaker_map, nullptr);
            EXPECT_EQ(box.panner().map_total, 0);
        } else {
            EXPECT_EQ(box.destroy(), std::vector<std::string>{bug});
        }
    }
}
