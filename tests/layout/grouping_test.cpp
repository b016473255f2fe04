// Loudspeakers to layers: orientation, rings from measured elevations, the poles, the solo
// layer, the warnings, imaginary loudspeakers, and what Vorn cannot hold.
#include <gtest/gtest.h>

#include <algorithm>
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
    ASSERT_EQ(counter.notes.size(), 3u);
    EXPECT_EQ(counter.notes[1], "channels 2 and 4 share azimuth 0 in layer 0 at 0: a source there reaches only channel 4");
}

TEST(Grouping, RingsAreTheNaturalClustersOfTheElevationsAtTheirMean) {
    const auto layout = layout_of({at(0, 30.4, 1), at(90, 29.8, 2), at(180, 30, 3), at(270, 31, 4), at(0, 0, 5),
                                   at(0, 89.7, 6), at(0, 90, 7), at(180, 90, 8), at(120, -90, 9)});
    const auto grouping = vorn_layout::group_layout(layout, {});
    // 29.8 .. 31 is one ring at its mean; the poles never join a ring, even 0.3 away.
    EXPECT_EQ(grouping.configuration.elevations, (std::vector<double>{-90, 0, 30.3, 89.7, 90}));
    EXPECT_EQ(pairs(grouping.configuration.layers[2]), (Pairs{{1, 0}, {2, 90}, {3, 180}, {4, 270}}));
    EXPECT_EQ(pairs(grouping.configuration.layers[4]), (Pairs{{7, 0}, {8, 180}}));
    EXPECT_EQ(grouping.notes, (std::vector<std::string>{
                                  "layer 0 at -90 (nadir): channel 9",
                                  "layer 1 at 0: channel 5; largest azimuth gap 360 (0 to 0)",
                                  "layer 2 at 30.3: channels 1 2 3 4; elevations 29.8 to 31; largest azimuth gap 90 (0 to 90)",
                                  "layer 3 at 89.7: channel 6; largest azimuth gap 360 (0 to 0)",
                                  "layer 4 at 90 (zenith): channels 7 8",
                              }));

    // A ring spans at most twice the distance: a loudspeaker halfway does not bridge two rings.
    EXPECT_EQ(vorn_layout::group_layout(layout_of({at(0, 0, 1), at(0, 5, 2), at(0, 10.5, 3), at(0, 14, 4)}), {})
                  .configuration.elevations,
              (std::vector<double>{2.5, 12.25}));

    // --tolerance forces the distance: 0 keeps every elevation apart, 0.5 breaks 30.4 .. 31.
    GroupingOptions exact;
    exact.tolerance = 0;
    EXPECT_EQ(vorn_layout::group_layout(layout, exact).configuration.elevations.size(), 8u);
    GroupingOptions half;
    half.tolerance = 0.5;
    EXPECT_EQ(vorn_layout::group_layout(layout, half).configuration.elevations,
              (std::vector<double>{-90, 0, 30.07, 31, 89.7, 90}));
}

TEST(Grouping, AMeasuredHemisphereIsTwoRingsAZenithAndASubwoofer) {
    std::vector<Loudspeaker> loudspeakers;
    for (const auto &s : layout_test::measured_hemisphere()) {
        Loudspeaker loudspeaker = at(s.azimuth, s.elevation, s.channel);
        loudspeaker.imaginary = s.imaginary;
        loudspeakers.push_back(loudspeaker);
    }
    GroupingOptions options;
    options.solo_channels = {29};
    const auto grouping = vorn_layout::group_layout(layout_of(loudspeakers), options);
    EXPECT_EQ(grouping.configuration.elevations, (std::vector<double>{0.93, 42.5, 90}));
    EXPECT_EQ(grouping.configuration.layers[0].size(), 17u);
    EXPECT_EQ(grouping.configuration.layers[1].size(), 10u);
    EXPECT_EQ(pairs(grouping.configuration.solo_layers.at(0)), (Pairs{{29, 0}}));
    EXPECT_EQ(grouping.warnings, std::vector<std::string>{});
    EXPECT_EQ(grouping.notes.front(), "imaginary loudspeaker 30 left out (--fill-gaps keeps them)");
    EXPECT_EQ(grouping.notes[2], "layer 1 at 42.5: channels 18 19 20 21 22 23 24 25 26 27; elevations 40.9 to 44.2; "
                                 "largest azimuth gap 36 (0 to 36)");

    GroupingOptions old_rule = options;
    old_rule.tolerance = 0.5;
    EXPECT_GE(vorn_layout::group_layout(layout_of(loudspeakers), old_rule).configuration.elevations.size(), 10u);

    // With the imaginary loudspeaker kept, the bottom is a layer of its own, on channel 30.
    options.fill_gaps = true;
    const auto filled = vorn_layout::group_layout(layout_of(loudspeakers), options);
    EXPECT_EQ(filled.configuration.elevations, (std::vector<double>{-90, 0.93, 42.5, 90}));
    EXPECT_EQ(pairs(filled.configuration.layers[0]), (Pairs{{30, 0}}));
    EXPECT_EQ(filled.imaginary_channels, std::vector<int>{30});
}

TEST(Grouping, WarnsAboutRingsThatPanBadly) {
    std::vector<Loudspeaker> loudspeakers;
    for (int k = 0; k < 8; ++k) loudspeakers.push_back(at(k * 45, 0, k + 1));
    loudspeakers.push_back(at(30, 30, 9));
    loudspeakers.push_back(at(-30, 30, 10));
    loudspeakers.push_back(at(0, 60, 11));
    loudspeakers.push_back(at(180, 60, 12));
    loudspeakers.push_back(at(0, 90, 13));
    const auto grouping = vorn_layout::group_layout(layout_of(loudspeakers), {});
    // Two loudspeakers face to face leave gaps of 180, which is still fair; the zenith is alone by nature.
    EXPECT_EQ(grouping.warnings,
              (std::vector<std::string>{
                  "layer 1 at 30 has only 2 loudspeakers, so a source at any azimuth on it plays from them",
                  "layer 1 at 30 has a gap of 300 (30 to 330): a source in it plays from the loudspeakers at its "
                  "edges; --fill-gaps closes it",
                  "layer 2 at 60 has only 2 loudspeakers, so a source at any azimuth on it plays from them",
              }));
}

// A subwoofer left unnamed became a ring of one below the rest, with advice to fill its gaps.
TEST(Grouping, ALoneLoudspeakerFarBelowTheRestIsTakenForASubwoofer) {
    std::vector<Loudspeaker> loudspeakers;
    for (int k = 0; k < 8; ++k) loudspeakers.push_back(at(k * 45, 0, k + 1));
    for (int k = 0; k < 4; ++k) loudspeakers.push_back(at(45 + k * 90, 40, k + 9));
    loudspeakers.push_back(at(0, -20, 13));
    EXPECT_EQ(vorn_layout::group_layout(layout_of(loudspeakers), {}).warnings,
              std::vector<std::string>{"layer 0 at -20 holds channel 13, most likely a subwoofer (alone, far below the "
                                       "others): use --sub 13"});
    GroupingOptions named;
    named.solo_channels = {13};
    EXPECT_EQ(vorn_layout::group_layout(layout_of(loudspeakers), named).warnings, std::vector<std::string>{});
    // Named so, wherever it stands; a lone loudspeaker only a little below is a ring of its own.
    loudspeakers.back() = at(0, 30, 13);
    loudspeakers.back().label = "Sub";
    EXPECT_EQ(vorn_layout::group_layout(layout_of(loudspeakers), {}).warnings.at(0),
              "layer 1 at 30 holds channel 13, most likely a subwoofer (alone, far below the others): use --sub 13");
    loudspeakers.back() = at(0, -8, 13);
    EXPECT_EQ(vorn_layout::group_layout(layout_of(loudspeakers), {}).warnings.at(0),
              "layer 0 at -8 has only 1 loudspeaker, so a source at any azimuth on it plays from it");
}

TEST(Grouping, FillGapsClosesWideGapsWithImaginaryLoudspeakersAboveTheRealChannels) {
    std::vector<Loudspeaker> loudspeakers;
    for (int k = 0; k < 8; ++k) loudspeakers.push_back(at(k * 45, 0, k + 1));
    loudspeakers.push_back(at(30, 30, 9));
    loudspeakers.push_back(at(-30, 30, 10));
    loudspeakers.push_back(at(0, -20, 12));
    Loudspeaker below = at(0, -90, 3);
    below.imaginary = true;  // its channel means nothing
    loudspeakers.push_back(below);
    GroupingOptions options;
    options.solo_channels = {12};
    options.fill_gaps = true;
    const auto grouping = vorn_layout::group_layout(layout_of(loudspeakers), options);
    EXPECT_EQ(grouping.configuration.elevations, (std::vector<double>{-90, 0, 30}));
    EXPECT_EQ(pairs(grouping.configuration.layers[0]), (Pairs{{13, 0}}));
    EXPECT_EQ(pairs(grouping.configuration.layers[2]), (Pairs{{9, 30}, {14, 180}, {10, 330}}));
    EXPECT_EQ(grouping.imaginary_channels, (std::vector<int>{13, 14}));
    EXPECT_EQ(grouping.warnings, std::vector<std::string>{});
    EXPECT_EQ(grouping.notes[0], "layer 0 at -90 (nadir): imaginary channel 13");
    EXPECT_EQ(grouping.notes[2], "layer 2 at 30: channels 9 10, imaginary channel 14; largest azimuth gap 300 (30 to 330), now 150");
    EXPECT_EQ(grouping.notes.back(), "imaginary channels 13 14: leave them unrouted, their share of a source is dropped");

    // A narrower limit splits the gap into more parts; a lone loudspeaker gets one facing it.
    options.gap_limit = 90;
    loudspeakers.push_back(at(10, 60, 11));
    const auto narrow = vorn_layout::group_layout(layout_of(loudspeakers), options);
    EXPECT_EQ(pairs(narrow.configuration.layers[2]), (Pairs{{9, 30}, {14, 105}, {15, 180}, {16, 255}, {10, 330}}));
    EXPECT_EQ(pairs(narrow.configuration.layers[3]), (Pairs{{11, 10}, {17, 100}, {18, 190}, {19, 280}}));
    options.clockwise = true;  // the fillers stand in Vorn's azimuths already
    EXPECT_EQ(pairs(vorn_layout::group_layout(layout_of(loudspeakers), options).configuration.layers[3]),
              (Pairs{{17, 80}, {18, 170}, {19, 260}, {11, 350}}));
    options.clockwise = false;

    // The imaginary channels need room above the real ones.
    loudspeakers.back().channel = 2048;
    EXPECT_EQ(error_of(layout_of(loudspeakers), options),
              "no channel left for the imaginary loudspeakers: they go above the real ones, and Vorn has 2048");
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
    EXPECT_EQ(error_of(layout_of({imaginary})), "no loudspeakers (imaginary ones do not count)");
    EXPECT_EQ(error_of(layout_of({})), "no loudspeakers (imaginary ones do not count)");
    GroupingOptions fill;
    fill.fill_gaps = true;
    imaginary.elevation = -100;  // kept, so it must be a direction Vorn can hold
    EXPECT_EQ(error_of(layout_of({at(0, 0, 2), imaginary}), fill), "loudspeaker 2 (channel 1): elevation -100 is outside -90..90");
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

// At a real loudspeaker's direction the real one takes the source whole: an imaginary one
// there (at its azimuth in its ring, or anywhere at the same pole) is left out.
TEST(Grouping, ARealLoudspeakerWinsItsDirectionOverAnImaginaryOne) {
    std::vector<Loudspeaker> loudspeakers = {at(0, 0, 1), at(90, 0, 2), at(180, 0, 3), at(-90, 0, 4), at(0, 90, 5)};
    for (auto [azimuth, elevation] : {std::pair{90.0, 1.0}, std::pair{45.0, 0.0}, std::pair{120.0, 90.0}}) {
        Loudspeaker imaginary = at(azimuth, elevation, 1);
        imaginary.imaginary = true;
        loudspeakers.push_back(imaginary);
    }
    GroupingOptions options;
    options.fill_gaps = true;
    const auto grouping = vorn_layout::group_layout(layout_of(loudspeakers), options);
    EXPECT_EQ(grouping.configuration.elevations, (std::vector<double>{0, 90}));
    EXPECT_EQ(pairs(grouping.configuration.layers[0]), (Pairs{{1, 0}, {6, 45}, {2, 90}, {3, 180}, {4, 270}}));
    EXPECT_EQ(pairs(grouping.configuration.layers[1]), (Pairs{{5, 0}}));
    EXPECT_EQ(grouping.imaginary_channels, (std::vector<int>{6}));
    EXPECT_NE(std::find(grouping.notes.begin(), grouping.notes.end(),
                        "imaginary loudspeakers 6 8 left out: a real loudspeaker stands at their directions"),
              grouping.notes.end());
}

TEST(Grouping, PolesStayRingsOfTheirOwnAtAnyTolerance) {
    GroupingOptions wide;
    wide.tolerance = 180;
    const auto layout = layout_of({at(0, -90, 1), at(0, 90, 2)});
    EXPECT_EQ(vorn_layout::group_layout(layout, wide).configuration.elevations, (std::vector<double>{-90, 90}));
    wide.tolerance = 1000;
    const auto grouping = vorn_layout::group_layout(layout_of({at(0, -90, 1), at(0, 0, 2), at(0, 90, 3)}), wide);
    EXPECT_EQ(grouping.configuration.elevations, (std::vector<double>{-90, 0, 90}));
}

// Pd reads a message box's numbers into single floats, where these would be 0: written as 0
// and said so, two of them make one layer rather than two that Pd would find equal.
TEST(Grouping, PdWritesAnglesBelowItsFloatsAsZero) {
    GroupingOptions pd;
    pd.significant_digits = 6;
    pd.tolerance = 0;
    const auto grouping =
        vorn_layout::group_layout(layout_of({at(0, 5e-324, 1), at(90, 1e-300, 2), at(1e-300, 10, 3), at(180, 10, 4)}), pd);
    EXPECT_EQ(grouping.configuration.elevations, (std::vector<double>{0, 10}));
    EXPECT_EQ(pairs(grouping.configuration.layers[0]), (Pairs{{1, 0}, {2, 90}}));
    EXPECT_EQ(pairs(grouping.configuration.layers[1]), (Pairs{{3, 0}, {4, 180}}));
    EXPECT_EQ(grouping.notes[0], "loudspeakers 1 2 3: angles nearer 0 than 1.17549e-38 written as 0, the least a Pd float holds");
    // Without Pd's precision nothing is rounded.
    pd.significant_digits = 0;
    EXPECT_EQ(vorn_layout::group_layout(layout_of({at(0, 5e-324, 1), at(0, 1e-300, 2)}), pd).configuration.elevations,
              (std::vector<double>{5e-324, 1e-300}));
}
