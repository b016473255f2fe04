// Loudspeakers to layers: orientation, tolerance, the zenith, the solo layer, and what Vorn
// cannot hold.
#include <gtest/gtest.h>

#include <cmath>

#include "layout/grouping.h"
#include "layout_support.h"

using vorn_layout::GroupingOptions;
using vorn_layout::Loudspeaker;
using vorn_layout::LoudspeakerLayout;
using vorn_layout::VornSpeaker;

namespace {

LoudspeakerLayout layout_of(std::vector<Loudspeaker> loudspeakers) {
    for (std::size_t i = 0; i < loudspeakers.size(); ++i) loudspeakers[i].number = static_cast<int>(i) + 1;
    return {"room", loudspeakers};
}

Loudspeaker at(double azimuth, double elevation, long long channel) {
    Loudspeaker loudspeaker;
    loudspeaker.azimuth = azimuth;
    loudspeaker.elevation = elevation;
    loudspeaker.channel = channel;
    return loudspeaker;
}

std::vector<std::pair<int, double>> pairs(const std::vector<VornSpeaker> &speakers) {
    std::vector<std::pair<int, double>> out;
    for (const VornSpeaker &s : speakers) out.emplace_back(s.channel, s.azimuth);
    return out;
}

std::string error_of(const LoudspeakerLayout &layout, const GroupingOptions &options = {}) {
    return layout_test::error_of([&] { vorn_layout::group_layout(layout, options); });
}

using Pairs = std::vector<std::pair<int, double>>;

TEST(Grouping, AzimuthsTurnIntoZeroTo360AndSortInEitherOrientation) {
    const auto layout = layout_of({at(-180, 0, 1), at(-0.0, 0, 2), at(90, 0, 3), at(-1e-20, 0, 4), at(540, 0, 5)});
    const auto counter = vorn_layout::group_layout(layout, {});
    // -1e-20 + 360 rounds to 360, which Vorn refuses: it is 0.
    EXPECT_EQ(pairs(counter.configuration.layers[0]), (Pairs{{2, 0}, {4, 0}, {3, 90}, {1, 180}, {5, 180}}));
    GroupingOptions clockwise;
    clockwise.clockwise = true;
    const auto mirrored = vorn_layout::group_layout(layout, clockwise);
    EXPECT_EQ(pairs(mirrored.configuration.layers[0]), (Pairs{{2, 0}, {4, 1e-20}, {1, 180}, {5, 180}, {3, 270}}));
    EXPECT_EQ(std::signbit(mirrored.configuration.layers[0][0].azimuth), false);
    // Equal azimuths are noted: the panner reaches only the last of them.
    ASSERT_FALSE(counter.notes.empty());
    EXPECT_NE(counter.notes[0].find("channels 2 and 4 share azimuth 0"), std::string::npos) << counter.notes[0];
}

TEST(Grouping, NeighbouringElevationsWithinTheToleranceShareALayerAndAreReported) {
    const auto layout = layout_of({at(0, 30.4, 1), at(90, 29.8, 2), at(180, 30.1, 3), at(270, 31, 4),
                                   at(0, 0, 5), at(0, 89.7, 6), at(0, 90, 7), at(180, 90, 8)});
    const auto grouping = vorn_layout::group_layout(layout, {});
    // 29.8, 30.1 and 30.4 chain into one layer at the middle one; 31 is 0.6 away. The zenith
    // never joins 89.7.
    EXPECT_EQ(grouping.configuration.elevations, (std::vector<double>{0, 30.1, 31, 89.7, 90}));
    EXPECT_EQ(pairs(grouping.configuration.layers[1]), (Pairs{{1, 0}, {2, 90}, {3, 180}}));
    EXPECT_EQ(pairs(grouping.configuration.layers[4]), (Pairs{{7, 0}, {8, 180}}));
    ASSERT_EQ(grouping.notes.size(), 1u);
    EXPECT_EQ(grouping.notes[0], "elevations 29.8 to 30.4 form one layer at 30.1 (loudspeakers 2, 3, 1)");

    GroupingOptions exact;
    exact.tolerance = 0;
    EXPECT_EQ(vorn_layout::group_layout(layout, exact).configuration.elevations.size(), 7u);
    GroupingOptions wide;
    wide.tolerance = 1;
    EXPECT_EQ(vorn_layout::group_layout(layout, wide).configuration.elevations, (std::vector<double>{0, 30.1, 89.7, 90}));
}

TEST(Grouping, LfeAndNamedChannelsFormOneSoloLayerAndImaginaryOnesAreLeftOut) {
    Loudspeaker lfe = at(0, 0, 4);
    lfe.lfe = true;
    Loudspeaker imaginary = at(0, -90, 4);
    imaginary.imaginary = true;  // its channel may repeat a real one
    const auto layout = layout_of({at(30, 0, 1), at(-30, 10, 2), lfe, at(-90, -12, 9), imaginary});
    GroupingOptions options;
    options.solo_channels = {9};
    const auto grouping = vorn_layout::group_layout(layout, options);
    EXPECT_EQ(grouping.configuration.elevations, (std::vector<double>{0, 10}));
    ASSERT_EQ(grouping.configuration.solo_layers.size(), 1u);
    EXPECT_EQ(pairs(grouping.configuration.solo_layers[0]), (Pairs{{4, 0}, {9, 270}}));

    options.solo_channels = {5};
    EXPECT_EQ(error_of(layout, options), "channel 5 is named as LFE or subwoofer but no loudspeaker has it");
    options.solo_channels = {1, 2, 9};
    EXPECT_NE(error_of(layout, options).find("every loudspeaker is LFE or subwoofer"), std::string::npos);
}

TEST(Grouping, WhatVornCannotHoldNamesTheLoudspeaker) {
    Loudspeaker labelled = at(0, 0, 3);
    labelled.label = "C";
    EXPECT_EQ(error_of(layout_of({at(0, 0, 3), at(30, 0, 1), labelled})),
              "loudspeaker 3 (C, channel 3): channel 3 is used twice (also by loudspeaker 1 (channel 3))");
    EXPECT_EQ(error_of(layout_of({at(0, 0, 1), at(30, 0, 0)})), "loudspeaker 2 (channel 0): channel 0 is outside 1..2048");
    EXPECT_EQ(error_of(layout_of({at(0, 0, 2049)})), "loudspeaker 1 (channel 2049): channel 2049 is outside 1..2048");
    EXPECT_EQ(error_of(layout_of({at(0, 0, 2048), at(0, 90.5, 7)})),
              "loudspeaker 2 (channel 7): elevation 90.5 is outside -90..90");
    EXPECT_EQ(error_of(layout_of({at(0, -91, 7)})), "loudspeaker 1 (channel 7): elevation -91 is outside -90..90");
    Loudspeaker imaginary = at(0, -90, 1);
    imaginary.imaginary = true;
    EXPECT_EQ(error_of(layout_of({imaginary})), "room: no loudspeakers (imaginary ones do not count)");
    EXPECT_EQ(error_of(layout_of({})), "room: no loudspeakers (imaginary ones do not count)");
}

TEST(Grouping, PdPrecisionKeepsTheConfigurationValid) {
    GroupingOptions pd;
    pd.significant_digits = 6;
    const auto grouping =
        vorn_layout::group_layout(layout_of({at(-0.0000001, 0, 1), at(12.3456789, 0, 2), at(0, 45.0000001, 3)}), pd);
    // 359.9999999 would be 360 in six digits, which Vorn refuses.
    EXPECT_EQ(pairs(grouping.configuration.layers[0]), (Pairs{{1, 0}, {2, 12.3457}}));
    EXPECT_EQ(grouping.configuration.elevations, (std::vector<double>{0, 45}));
}

TEST(Grouping, BackToTheFilesTermsByChannel) {
    vorn_layout::VornConfiguration configuration{{-10, 45}, {{{3, 0}, {1, 270}}, {{2, 180}}}, {{{4, 90}}}};
    const auto layout = vorn_layout::layout_of(configuration, false, "back");
    ASSERT_EQ(layout.loudspeakers.size(), 4u);
    EXPECT_EQ(layout.loudspeakers[0].azimuth, -90);
    EXPECT_EQ(layout.loudspeakers[0].elevation, -10);
    EXPECT_EQ(layout.loudspeakers[1].azimuth, 180);
    EXPECT_EQ(layout.loudspeakers[3].azimuth, 90);
    EXPECT_EQ(layout.loudspeakers[3].elevation, 0);
    EXPECT_EQ(vorn_layout::layout_of(configuration, true, "back").loudspeakers[0].azimuth, 90);

    configuration.solo_layers[0][0].channel = 2;
    EXPECT_EQ(layout_test::error_of([&] { vorn_layout::layout_of(configuration, false, "back"); }),
              "channel 2 is used twice (layer 1 and solo layer 1); a layout file needs one loudspeaker per channel");
}

}  // namespace
