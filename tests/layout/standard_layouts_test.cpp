// Layouts by name, and the grammar of rings and domes. The directions of the standard layouts
// are checked in a box, against the table, by layout_in_box_test.
#include <gtest/gtest.h>

#include "layout/standard_layouts.h"
#include "layout_support.h"

using vorn_layout::named_layout;

namespace {

std::string error_of(const std::string &name) {
    return layout_test::error_of([&] { named_layout(name); });
}

TEST(StandardLayouts, ChannelsCountFromOneInTableOrderWithTheLfeMarked) {
    EXPECT_EQ(vorn_layout::standard_layout_names(),
              (std::vector<std::string>{"stereo", "quad", "5.1", "7.1", "5.1.2", "7.1.2", "5.1.4", "7.1.4", "9.1.6", "22.2"}));
    const auto layout = named_layout("22.2");
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->loudspeakers.size(), 24u);
    for (std::size_t i = 0; i < 24; ++i) EXPECT_EQ(layout->loudspeakers[i].channel, static_cast<long long>(i) + 1);
    EXPECT_EQ(layout->loudspeakers[18].label, "TpC");
    EXPECT_TRUE(layout->loudspeakers[22].lfe);
    EXPECT_EQ(layout->loudspeakers[22].azimuth, 90);
    EXPECT_EQ(layout->loudspeakers[23].azimuth, -90);
    EXPECT_EQ(named_layout("7.1.4")->loudspeakers[3].label, "LFE");
    EXPECT_FALSE(named_layout("7.1.4.json"));
    EXPECT_FALSE(named_layout("rooms/5.1"));
}

TEST(StandardLayouts, RingsAndDomesCountOnRingByRing) {
    const auto ring = named_layout("ring:3");
    ASSERT_EQ(ring->loudspeakers.size(), 3u);
    EXPECT_EQ(ring->loudspeakers[1].azimuth, 120);
    EXPECT_EQ(ring->loudspeakers[2].azimuth, -120);
    const auto dome = named_layout("dome:4@-15.5,zenith,2@+30");
    ASSERT_EQ(dome->loudspeakers.size(), 7u);
    EXPECT_EQ(dome->loudspeakers[3].elevation, -15.5);
    EXPECT_EQ(dome->loudspeakers[4].elevation, 90);
    EXPECT_EQ(dome->loudspeakers[4].channel, 5);
    EXPECT_EQ(dome->loudspeakers[6].azimuth, 180);
    EXPECT_EQ(dome->loudspeakers[6].elevation, 30);
    EXPECT_EQ(named_layout("ring:2048")->loudspeakers.size(), 2048u);
    // A height ring between the ear-height ones: its first loudspeaker where the ring says.
    const auto offset = named_layout("dome:8@0,4@45@45");
    ASSERT_EQ(offset->loudspeakers.size(), 12u);
    EXPECT_EQ(offset->loudspeakers[8].azimuth, 45);
    EXPECT_EQ(offset->loudspeakers[10].azimuth, -135);
    EXPECT_EQ(named_layout("dome:3@10@-150")->loudspeakers[0].azimuth, -150);
    EXPECT_EQ(named_layout("dome:3@10@-150")->loudspeakers[1].azimuth, -30);
}

TEST(StandardLayouts, TheHeightLayoutsHaveTheirRingsAndLfe) {
    for (const char *name : {"5.1.2", "7.1.2", "9.1.6"}) {
        const auto layout = named_layout(name);
        ASSERT_TRUE(layout) << name;
        EXPECT_TRUE(layout->loudspeakers.at(3).lfe) << name;
        int high = 0;
        for (const auto &loudspeaker : layout->loudspeakers) high += loudspeaker.elevation == 45;
        EXPECT_EQ(high, name[4] - '0') << name;
    }
    EXPECT_EQ(named_layout("quad")->loudspeakers.size(), 4u);
    EXPECT_EQ(named_layout("quad")->loudspeakers[3].azimuth, -135);
}

TEST(StandardLayouts, BadRingsAndDomesSayWhatIsWrong) {
    EXPECT_EQ(error_of("ring:"), "should be ring:N with N loudspeakers, at least 1");
    EXPECT_EQ(error_of("ring:0"), "should be ring:N with N loudspeakers, at least 1");
    EXPECT_EQ(error_of("ring:8x"), "should be ring:N with N loudspeakers, at least 1");
    EXPECT_EQ(error_of("ring:2049"), "more than 2048 loudspeakers");
    const std::string grammar =
        "\" should be N@ELEVATION or N@ELEVATION@START (a ring of N loudspeakers, the first at azimuth START) or zenith";
    EXPECT_EQ(error_of("dome:8@0,,zenith"), "\"" + grammar);
    EXPECT_EQ(error_of("dome:8"), "\"8" + grammar);
    EXPECT_EQ(error_of("dome:8@0@"), "\"8@0@" + grammar);
    EXPECT_EQ(error_of("dome:8@0@inf"), "start azimuth inf is not a number");
    EXPECT_EQ(error_of("dome:0@30"), "a ring needs at least one loudspeaker (\"0@30\")");
    EXPECT_EQ(error_of("dome:8@-95"), "elevation -95 is outside -90..90");
    EXPECT_EQ(error_of("dome:8@nan"), "elevation nan is outside -90..90");
    EXPECT_EQ(error_of("dome:1@90,zenith"), "two rings at elevation 90");
    EXPECT_EQ(error_of("dome:2000@0,49@30"), "more than 2048 loudspeakers");
}

}  // namespace
