// The messages vorn-layout writes, run through a real box in the stand-in host: they configure
// it cleanly, the box's map and mask-editor cells are the file's loudspeakers, and a source
// pointed at a loudspeaker reaches it at full gain. Then file -> messages -> file keeps them all.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>

#include "layout/iem_file.h"
#include "layout_support.h"
#include "support/test_box.h"

using layout_test::FileSpeaker;
using vorn_test::TestBox;

namespace {

struct Expected {
    long long channel;
    double azimuth;    // the file's: positive to the left
    double elevation;  // the file's
    bool solo;
    bool merged = false;  // its elevation joined a ring a few degrees above or below it
};

// How far a merged loudspeaker may stand from its ring's elevation in these rooms.
constexpr double merged_distance = 5;

// The rows of the table of standard layouts, as that table writes them.
std::vector<Expected> from_table(const std::string &row) {
    std::vector<Expected> speakers;
    std::istringstream items(row);
    for (std::string item; std::getline(items >> std::ws, item, ',');) {
        const long long channel = static_cast<long long>(speakers.size()) + 1;
        if (item.rfind("LFE", 0) == 0) {
            const double azimuth = item == "LFE1 (left)" ? 90 : item == "LFE2 (right)" ? -90 : 0;
            speakers.push_back({channel, azimuth, 0, true});
            continue;
        }
        double azimuth = 0, elevation = 0;
        char label[16];
        EXPECT_EQ(std::sscanf(item.c_str(), "%15s %lf@%lf", label, &azimuth, &elevation), 3) << item;
        speakers.push_back({channel, azimuth, elevation, false});
    }
    return speakers;
}

std::string float_token(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    std::string token = text;
    return token.find_first_of(".e") == std::string::npos ? token + ".0" : token;
}

double vorn_azimuth_of(double file_azimuth, bool clockwise) {
    return std::fmod(std::fmod(clockwise ? -file_azimuth : file_azimuth, 360.0) + 360.0, 360.0);
}


std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

// Amplitudes of the last full resend ("refresh"), by channel.
std::map<long long, double> amplitudes(const std::vector<std::string> &transcript) {
    std::map<long long, double> by_channel;
    for (const std::string &line : vorn_test::with_prefix(transcript, "outlet 0: test-")) {
        long long channel = 0;
        double value = 0;
        EXPECT_EQ(std::sscanf(line.c_str(), "outlet 0: test-%lld %lf", &channel, &value), 2) << line;
        by_channel[channel] = value;
    }
    return by_channel;
}

void expect_runs_in_box(const std::vector<std::string> &arguments, const std::vector<Expected> &speakers,
                        bool clockwise = false) {
    SCOPED_TRACE(arguments.back());
    const layout_test::Outcome run = layout_test::run_vorn_layout(arguments);
    ASSERT_EQ(run.status, 0) << run.err;

    TestBox box;
    std::vector<std::string> transcript;
    for (const std::string &line : lines_of(run.out))
        if (line[0] != '#')
            for (std::string &out : box.send(line)) transcript.push_back(out);
    EXPECT_TRUE(vorn_test::with_prefix(transcript, "error:").empty()) << vorn_test::with_prefix(transcript, "error:")[0];
    EXPECT_EQ(vorn_test::with_prefix(transcript, "post: setup: successfully").size(), 1u);

    long long highest = 0;
    for (const Expected &s : speakers) highest = std::max(highest, s.channel);
    EXPECT_EQ(vorn_test::with_prefix(transcript, "outlet 1: mask-editor size"),
              std::vector<std::string>{"outlet 1: mask-editor size " + std::to_string(highest)});

    std::map<long long, std::vector<double>> cells;  // kind, azimuth, elevation, L, U, W, H
    for (const std::string &line : vorn_test::with_prefix(transcript, "outlet 1: mask-editor ")) {
        long long channel = 0;
        std::vector<double> cell(7);
        if (std::sscanf(line.c_str(), "outlet 1: mask-editor %lld %lf %lf %lf %lf %lf %lf %lf", &channel, &cell[0],
                        &cell[1], &cell[2], &cell[3], &cell[4], &cell[5], &cell[6]) == 8)
            cells[channel] = cell;
    }
    EXPECT_EQ(cells.size(), speakers.size());

    for (const Expected &s : speakers) {
        SCOPED_TRACE("channel " + std::to_string(s.channel));
        const double azimuth = vorn_azimuth_of(s.azimuth, clockwise);
        ASSERT_TRUE(cells.count(s.channel));
        const std::vector<double> &cell = cells[s.channel];
        EXPECT_EQ(cell[0], s.solo ? 0 : 1);
        EXPECT_NEAR(cell[1], azimuth, 1e-9);
        EXPECT_NEAR(cell[2], s.solo ? 0 : s.elevation, s.merged ? merged_distance : 0);
        // A merged loudspeaker now stands at its layer's elevation, which the cell tells.
        const double elevation = s.merged ? cell[2] : s.solo ? 0 : s.elevation;
        EXPECT_LE(cell[3], azimuth);
        EXPECT_GE(cell[3] + cell[5], azimuth);
        EXPECT_GE(cell[4], elevation);
        EXPECT_LE(cell[4] - cell[6], elevation);

        box.send(float_token(azimuth) + " " + float_token(elevation));
        const std::map<long long, double> gains = amplitudes(box.send("refresh"));
        ASSERT_TRUE(gains.count(s.channel));
        EXPECT_NEAR(gains.at(s.channel), 1.0, 1e-12);
    }
}

const std::map<std::string, std::string> standard_table{
    {"stereo", "L 30@0, R -30@0"},
    {"5.1", "L 30@0, R -30@0, C 0@0, LFE, Ls 110@0, Rs -110@0"},
    {"7.1", "L 30@0, R -30@0, C 0@0, LFE, Lss 90@0, Rss -90@0, Lrs 135@0, Rrs -135@0"},
    {"5.1.4", "L 30@0, R -30@0, C 0@0, LFE, Ls 110@0, Rs -110@0, Ltf 30@45, Rtf -30@45, Ltr 110@45, Rtr -110@45"},
    {"7.1.4", "L 30@0, R -30@0, C 0@0, LFE, Ls 110@0, Rs -110@0, Lb 135@0, Rb -135@0, Ltf 30@45, Rtf -30@45, "
              "Ltr 110@45, Rtr -110@45"},
    {"22.2", "FL 45@0, FR -45@0, FC 0@0, BL 135@0, BR -135@0, FLc 15@0, FRc -15@0, SiL 90@0, SiR -90@0, BC 180@0, "
             "TpFL 45@45, TpFR -45@45, TpFC 0@45, TpBL 135@45, TpBR -135@45, TpSiL 90@45, TpSiR -90@45, TpBC 180@45, "
             "TpC 0@90, BtFL 45@-30, BtFR -45@-30, BtFC 0@-30, LFE1 (left), LFE2 (right)"},
};

// A room as rooms are: rings not quite level, uneven azimuths, gaps in the channels, the file
// out of order, an imaginary loudspeaker below for the plug-ins beside a real one, and a subwoofer.
const std::vector<FileSpeaker> irregular_dome{
    {-30, 0, 2},   {30, 0, 1},     {0, 0, 3},      {-100, 0, 5},  {100, 0, 4},     {180, 0, 6},
    {-145, 0, 8},  {145, 0, 7},    {45, 29.8, 11}, {-45, 30, 12}, {135, 30.2, 13}, {-135, 30, 14},
    {0, 32, 15},   {90, 62, 21},   {-90, 62, 22},  {-180, 62, 23}, {0, 90, 30},    {0, -90, 0, true},
    {60, -10, 40}, {0, -20, 41},   {-60, -10.3, 42}, {10, -5, 90},  {0, -90, 50},
};

std::vector<Expected> expected_from(const std::vector<FileSpeaker> &file, const std::vector<long long> &solo,
                                    const std::vector<long long> &merged) {
    std::vector<Expected> speakers;
    for (const FileSpeaker &s : file) {
        if (s.imaginary) continue;
        const bool is_solo = std::find(solo.begin(), solo.end(), s.channel) != solo.end();
        const bool is_merged = std::find(merged.begin(), merged.end(), s.channel) != merged.end();
        speakers.push_back({s.channel, s.azimuth, s.elevation, is_solo, is_merged});
    }
    return speakers;
}

TEST(LayoutInBox, StandardLayoutsConfigureTheBoxAndReachEveryLoudspeaker) {
    for (const auto &[name, row] : standard_table) expect_runs_in_box({name}, from_table(row));
}

TEST(LayoutInBox, ClockwiseMirrorsTheAzimuthsAndTheLfePair) {
    expect_runs_in_box({"--clockwise", "22.2"}, from_table(standard_table.at("22.2")), true);
    expect_runs_in_box({"--clockwise", "--format", "script", "7.1.4"}, from_table(standard_table.at("7.1.4")), true);
}

TEST(LayoutInBox, RingsAndDomes) {
    std::vector<Expected> dome;
    const int counts[] = {16, 12, 8, 1};
    const double elevations[] = {0, 30, 60, 90};
    long long channel = 0;
    for (int r = 0; r < 4; ++r)
        for (int k = 0; k < counts[r]; ++k) dome.push_back({++channel, k * 360.0 / counts[r], elevations[r], false});
    expect_runs_in_box({"dome:16@0,12@30,8@60,zenith"}, dome);
    std::vector<Expected> ring;
    for (int k = 0; k < 7; ++k) ring.push_back({k + 1, k * 360.0 / 7, 0, false});
    expect_runs_in_box({"ring:7"}, ring);
}

TEST(LayoutInBox, IrregularDomeFromAFile) {
    const std::string path = layout_test::temp_file("irregular_dome.json", layout_test::iem_text(irregular_dome));
    // 29.8 .. 32 is one ring, and so are -10.3 and -10 (with -5, unless it is the subwoofer);
    // -20 stands apart.
    const std::vector<long long> merged{11, 12, 13, 14, 15, 40, 42};
    expect_runs_in_box({"--lfe", "90", path}, expected_from(irregular_dome, {90}, merged));
    expect_runs_in_box({"--sub=90", "--clockwise", path}, expected_from(irregular_dome, {90}, merged), true);
}

TEST(LayoutInBox, PdMessageBoxTextConfiguresTheBoxToo) {
    // The box's own message-box text: split at the commas that separate its messages.
    for (const char *format : {"max", "pd"}) {
        const layout_test::Outcome run = layout_test::run_vorn_layout({"--format", format, "22.2"});
        ASSERT_EQ(run.status, 0);
        ASSERT_EQ(lines_of(run.out).size(), 1u);
        TestBox box;
        std::vector<std::string> transcript;
        std::istringstream messages(lines_of(run.out)[0]);
        for (std::string message; std::getline(messages >> std::ws, message, ',');)
            for (std::string &out : box.send(message)) transcript.push_back(out);
        EXPECT_EQ(vorn_test::with_prefix(transcript, "error:"), std::vector<std::string>{});
        EXPECT_EQ(vorn_test::with_prefix(transcript, "outlet 1: mask-editor size 24").size(), 1u);
    }
}

// file -> messages -> file, through the command line both ways.
void expect_round_trip(std::vector<std::string> arguments, const std::vector<Expected> &speakers,
                       bool clockwise = false) {
    SCOPED_TRACE(arguments.back());
    if (clockwise) arguments.insert(arguments.begin(), "--clockwise");
    const layout_test::Outcome messages = layout_test::run_vorn_layout(arguments);
    ASSERT_EQ(messages.status, 0) << messages.err;
    const std::string script = layout_test::temp_file("round_trip.vorn", messages.out);
    const layout_test::Outcome file = layout_test::run_vorn_layout(clockwise ? std::vector<std::string>{"--to-iem", "--clockwise", script}
                                           : std::vector<std::string>{"--to-iem", script});
    ASSERT_EQ(file.status, 0) << file.err;
    const vorn_layout::LoudspeakerLayout back = vorn_layout::read_iem_layout(file.out, "round trip");
    EXPECT_EQ(back.name, "vorn_layout_round_trip");
    ASSERT_EQ(back.loudspeakers.size(), speakers.size());
    std::map<long long, vorn_layout::Loudspeaker> by_channel;
    for (const auto &loudspeaker : back.loudspeakers) by_channel[loudspeaker.channel] = loudspeaker;
    for (const Expected &s : speakers) {
        SCOPED_TRACE("channel " + std::to_string(s.channel));
        ASSERT_TRUE(by_channel.count(s.channel));
        const vorn_layout::Loudspeaker &loudspeaker = by_channel[s.channel];
        EXPECT_FALSE(loudspeaker.imaginary);
        EXPECT_NEAR(std::remainder(loudspeaker.azimuth - s.azimuth, 360.0), 0, 1e-9);
        EXPECT_GT(loudspeaker.azimuth, -180);
        EXPECT_LE(loudspeaker.azimuth, 180);
        EXPECT_NEAR(loudspeaker.elevation, s.solo ? 0 : s.elevation, s.merged ? merged_distance : 0);
    }
}

TEST(LayoutRoundTrip, EveryRealLoudspeakerComesBack) {
    for (const auto &[name, row] : standard_table) expect_round_trip({name}, from_table(row));
    const std::string path = layout_test::temp_file("irregular_dome.json", layout_test::iem_text(irregular_dome));
    expect_round_trip({"--lfe", "90", path}, expected_from(irregular_dome, {90}, {11, 12, 13, 14, 15, 40, 42}));
    expect_round_trip({path}, expected_from(irregular_dome, {}, {11, 12, 13, 14, 15, 40, 42, 90}), true);
    expect_round_trip({"22.2"}, from_table(standard_table.at("22.2")), true);
}

// A box configured by vorn-layout, asked for every amplitude at a direction.
class ConfiguredBox {
public:
    explicit ConfiguredBox(const std::vector<std::string> &arguments) {
        const layout_test::Outcome run = layout_test::run_vorn_layout(arguments);
        EXPECT_EQ(run.status, 0) << run.err;
        std::vector<std::string> transcript;
        for (const std::string &line : lines_of(run.out))
            if (line[0] != '#')
                for (std::string &out : box_.send(line)) transcript.push_back(out);
        EXPECT_EQ(vorn_test::with_prefix(transcript, "error:"), std::vector<std::string>{});
    }

    std::map<long long, double> at(double azimuth, double elevation) {
        box_.send(float_token(azimuth) + " " + float_token(elevation));
        return amplitudes(box_.send("refresh"));
    }

private:
    TestBox box_;
};

TEST(LayoutInBox, AMeasuredHemisphereGivesEachLoudspeakerTheLargestShareOfASourceAtIt) {
    const std::vector<FileSpeaker> room = layout_test::measured_hemisphere();
    const std::string path = layout_test::temp_file("hemisphere.json", layout_test::iem_text(room));
    for (const bool fill : {false, true}) {
        SCOPED_TRACE(fill ? "--fill-gaps" : "as it is");
        ConfiguredBox box(fill ? std::vector<std::string>{"--sub", "29", "--fill-gaps", path}
                               : std::vector<std::string>{"--sub", "29", path});
        for (const FileSpeaker &s : room) {
            if (s.imaginary || s.channel == 29) continue;  // the subwoofer has no direction in Vorn
            SCOPED_TRACE("channel " + std::to_string(s.channel));
            std::map<long long, double> gains = box.at(vorn_azimuth_of(s.azimuth, false), s.elevation);
            gains.erase(29);
            const auto loudest = std::max_element(gains.begin(), gains.end(),
                                                  [](const auto &a, const auto &b) { return a.second < b.second; });
            EXPECT_EQ(loudest->first, s.channel) << "channel " << loudest->first << " gets " << loudest->second;
            EXPECT_GT(gains.at(s.channel), 0.9);
        }
    }
}

// Eight loudspeakers at ear height and a front pair at 30 degrees, left and right.
std::vector<FileSpeaker> front_pair_over_ring() {
    std::vector<FileSpeaker> room;
    for (int k = 0; k < 8; ++k) room.push_back({k * 45.0, 0, k + 1});
    room.push_back({30, 30, 9});
    room.push_back({-30, 30, 10});
    return room;
}

TEST(LayoutInBox, FilledGapKeepsASourceBehindFromTheFrontPair) {
    const std::string path = layout_test::temp_file("front_pair.json", layout_test::iem_text(front_pair_over_ring()));
    ConfiguredBox plain({path});
    ConfiguredBox filled({"--fill-gaps", path});

    // Behind at the pair's height: without the fill the front pair plays it all; with it, the
    // imaginary loudspeaker at 180 (channel 11) takes it all, and that share is dropped.
    std::map<long long, double> before = plain.at(180, 30), after = filled.at(180, 30);
    EXPECT_NEAR(before[9], std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(before[10], std::sqrt(0.5), 1e-12);
    EXPECT_EQ(after[9], 0);
    EXPECT_EQ(after[10], 0);
    EXPECT_EQ(after[11], 1);
    for (long long channel = 1; channel <= 8; ++channel) EXPECT_EQ(after[channel], 0) << channel;

    // Halfway down, the ring takes its share as before; the pair still none.
    before = plain.at(180, 15);
    after = filled.at(180, 15);
    EXPECT_NEAR(after[5], before[5], 1e-12);
    EXPECT_NEAR(after[5], std::sqrt(0.5), 1e-12);
    EXPECT_EQ(after[9] + after[10], 0);

    // In front, where the pair stands, the fill changes nothing.
    before = plain.at(0, 30);
    after = filled.at(0, 30);
    for (long long channel = 1; channel <= 10; ++channel) EXPECT_NEAR(after[channel], before[channel], 1e-12) << channel;
    // Above the pair, over the top: half the source is panned behind, into the gap.
    after = filled.at(0, 90);
    EXPECT_NEAR(after[9], 0.5, 1e-12);
    EXPECT_NEAR(after[10], 0.5, 1e-12);
    EXPECT_NEAR(after[11], std::sqrt(0.5), 1e-12);
}

}  // namespace
