// Reading and writing the layout files of the IEM plug-ins.
#include <gtest/gtest.h>

#include "layout/iem_file.h"
#include "layout_support.h"

using vorn_layout::read_iem_layout;

namespace {

std::string error_of(const std::string &text) {
    return layout_test::error_of([&] { read_iem_layout(text, "room.json"); });
}

TEST(IemFile, ReadsEveryLoudspeakerInFileOrder) {
    const auto layout = read_iem_layout(
        layout_test::iem_text({{30, 0, 2}, {-30, 10.5, 1, false, 0.5}, {0, -90, 0, true}}, "Studio"), "x.json");
    EXPECT_EQ(layout.name, "Studio");
    ASSERT_EQ(layout.loudspeakers.size(), 3u);
    EXPECT_EQ(layout.loudspeakers[0].channel, 2);
    EXPECT_EQ(layout.loudspeakers[1].azimuth, -30);
    EXPECT_EQ(layout.loudspeakers[1].elevation, 10.5);
    EXPECT_EQ(layout.loudspeakers[1].gain, 0.5);
    EXPECT_EQ(layout.loudspeakers[1].number, 2);
    EXPECT_TRUE(layout.loudspeakers[2].imaginary);
}

TEST(IemFile, OptionalFieldsAndTheChannelsOfImaginaryLoudspeakers) {
    // Radius, Gain and IsImaginary may be missing; an imaginary loudspeaker needs no channel.
    const auto layout = read_iem_layout(R"({"LoudspeakerLayout": {"Loudspeakers": [
        {"Azimuth": 0, "Elevation": 0, "Channel": 3.0},
        {"Azimuth": 0, "Elevation": -90, "IsImaginary": true}]}})",
                                        "bare.json");
    EXPECT_EQ(layout.name, "bare.json");
    EXPECT_EQ(layout.loudspeakers[0].channel, 3);
    EXPECT_EQ(layout.loudspeakers[0].gain, 1);
    EXPECT_FALSE(layout.loudspeakers[0].imaginary);
    EXPECT_TRUE(layout.loudspeakers[1].imaginary);
}

TEST(IemFile, RefusesWhatIsNotALayoutFile) {
    EXPECT_EQ(error_of("{\"LoudspeakerLayout\": [1, 2"),
              "not a JSON file (parse error at line 1, column 28: syntax error while parsing array - "
              "unexpected end of input; expected ']')");
    EXPECT_EQ(error_of("[]"), "no \"LoudspeakerLayout\" object, so not an IEM layout file");
    EXPECT_EQ(error_of(R"({"LoudspeakerLayout": {"Name": "x"}})"),
              "\"LoudspeakerLayout\" has no \"Loudspeakers\" list");
    const std::string start = R"({"LoudspeakerLayout": {"Loudspeakers": [{"Azimuth": 0, "Elevation": 0, "Channel": 1}, )";
    EXPECT_EQ(error_of(start + R"({"Elevation": 0, "Channel": 2}]}})"), "loudspeaker 2: \"Azimuth\" is missing");
    EXPECT_EQ(error_of(start + R"({"Azimuth": "left", "Elevation": 0, "Channel": 2}]}})"),
              "loudspeaker 2: \"Azimuth\" should be a number");
    EXPECT_EQ(error_of(start + R"({"Azimuth": 0, "Elevation": 0}]}})"), "loudspeaker 2: \"Channel\" is missing");
    EXPECT_EQ(error_of(start + R"({"Azimuth": 0, "Elevation": 0, "Channel": 2.5}]}})"),
              "loudspeaker 2: \"Channel\" should be a whole number");
    EXPECT_EQ(error_of(start + R"({"Azimuth": 0, "Elevation": 0, "Channel": 2, "IsImaginary": 1}]}})"),
              "loudspeaker 2: \"IsImaginary\" should be true or false");
    EXPECT_EQ(error_of(start + R"(7]}})"), "loudspeaker 2: not a JSON object");
}

TEST(IemFile, ChannelsFarOutOfRangeStayOutOfRange) {
    const auto layout = read_iem_layout(R"({"LoudspeakerLayout": {"Loudspeakers": [
        {"Azimuth": 0, "Elevation": 0, "Channel": 18446744073709551615},
        {"Azimuth": 0, "Elevation": 0, "Channel": -9223372036854775808},
        {"Azimuth": 0, "Elevation": 0, "Channel": 1e300}]}})",
                                        "far.json");
    EXPECT_GT(layout.loudspeakers[0].channel, 2048);
    EXPECT_LT(layout.loudspeakers[1].channel, 1);
    EXPECT_GT(layout.loudspeakers[2].channel, 2048);
}

TEST(IemFile, WritesWhatItReads) {
    vorn_layout::LoudspeakerLayout layout{"Hall \"B\"", {}};
    layout.loudspeakers.resize(2);
    layout.loudspeakers[0].azimuth = -0.0;
    layout.loudspeakers[0].elevation = 22.25;
    layout.loudspeakers[0].channel = 7;
    layout.loudspeakers[1].azimuth = 180;
    layout.loudspeakers[1].channel = 2048;
    const std::string text = vorn_layout::write_iem_layout(layout);
    EXPECT_NE(text.find(R"("Azimuth": 0.0,)"), std::string::npos) << text;  // never -0.0
    const auto back = read_iem_layout(text, "written");
    EXPECT_EQ(back.name, "Hall \"B\"");
    ASSERT_EQ(back.loudspeakers.size(), 2u);
    EXPECT_EQ(back.loudspeakers[0].elevation, 22.25);
    EXPECT_EQ(back.loudspeakers[0].channel, 7);
    EXPECT_EQ(back.loudspeakers[1].azimuth, 180);
    EXPECT_EQ(back.loudspeakers[1].channel, 2048);
    EXPECT_FALSE(back.loudspeakers[1].imaginary);
}

}  // namespace
