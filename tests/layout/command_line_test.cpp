// vorn-layout as a command: what goes to standard output, what to standard error, and the
// exit status. A failure prints nothing on standard output.
#include <gtest/gtest.h>

#include <sstream>

#include "layout_support.h"

using layout_test::FileSpeaker;

namespace {


void expect_failure(const std::vector<std::string> &arguments, const std::string &message, int status = 1,
                    const std::string &input = "") {
    SCOPED_TRACE(arguments.empty() ? "no arguments" : arguments.back());
    const layout_test::Outcome run = layout_test::run_vorn_layout(arguments, input);
    EXPECT_EQ(run.status, status);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.substr(0, run.err.find('\n') + 1), "vorn-layout: " + message + "\n");
}

std::string file_of(const std::string &name, const std::vector<FileSpeaker> &speakers) {
    return layout_test::temp_file(name, layout_test::iem_text(speakers));
}

TEST(CommandLine, EachErrorOfALayoutFileNamesTheLoudspeakerAndPrintsNothing) {
    expect_failure({file_of("twice.json", {{0, 0, 1}, {30, 0, 2}, {-30, 0, 1}})},
                   "loudspeaker 3 (channel 1): channel 1 is used twice (also by loudspeaker 1 (channel 1))");
    expect_failure({file_of("channel0.json", {{0, 0, 1}, {30, 0, 0}})},
                   "loudspeaker 2 (channel 0): channel 0 is outside 1..2048");
    expect_failure({file_of("channel2049.json", {{0, 0, 2049}})},
                   "loudspeaker 1 (channel 2049): channel 2049 is outside 1..2048");
    expect_failure({file_of("elevation.json", {{0, 0, 1}, {0, 90.25, 2}})},
                   "loudspeaker 2 (channel 2): elevation 90.25 is outside -90..90");
    expect_failure({file_of("none.json", {})}, "Test room: no loudspeakers (imaginary ones do not count)");
    expect_failure({file_of("imaginary.json", {{0, -90, 1, true}})},
                   "Test room: no loudspeakers (imaginary ones do not count)");
    const std::string bad = layout_test::temp_file("bad.json", "{\"LoudspeakerLayout\": {\"Loudspeakers\": [}}");
    expect_failure({bad}, bad + ": not a JSON file (parse error at line 1, column 41: syntax error while parsing value - "
                                "unexpected '}'; expected '[', '{', or a literal)");
    expect_failure({"--lfe", "3", file_of("nolfe.json", {{0, 0, 1}})},
                   "channel 3 is named as LFE or subwoofer but no loudspeaker has it");
    expect_failure({"/nonexistent/room.json"}, "cannot read /nonexistent/room.json");
    expect_failure({"dome:8@100"}, "dome:8@100: elevation 100 is outside -90..90");
}

TEST(CommandLine, UsageErrorsExitWithTwo) {
    expect_failure({}, "which layout?", 2);
    expect_failure({"--to-iem"}, "which script?", 2);
    expect_failure({"--format", "json", "5.1"}, "--format is script, max or pd, not \"json\"", 2);
    expect_failure({"--tolerance", "-1", "5.1"}, "--tolerance wants degrees, 0 or more, not \"-1\"", 2);
    expect_failure({"--tolerance=nan", "5.1"}, "--tolerance wants degrees, 0 or more, not \"nan\"", 2);
    expect_failure({"5.1", "--tolerance"}, "--tolerance needs a value", 2);
    expect_failure({"--lfe", "4,", "5.1"}, "--lfe wants channel numbers separated by commas, not \"4,\"", 2);
    expect_failure({"--to-iem", "--format", "max", "x.vorn"}, "--to-iem takes only --clockwise and --name", 2);
    expect_failure({"--verbose", "5.1"}, "unknown option --verbose", 2);
    expect_failure({"5.1", "7.1"}, "one layout at a time (5.1 and 7.1)", 2);
    const layout_test::Outcome help = layout_test::run_vorn_layout({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: vorn-layout", 0), 0u);
}

TEST(CommandLine, StandardInputNotesAndNames) {
    const std::string file = layout_test::iem_text({{0, 0, 1}, {90, 0.3, 2, false, 0.5}, {180, 0, 3}, {-90, 0, 4}});
    const layout_test::Outcome run = layout_test::run_vorn_layout({"--name", "Studio 2", "-"}, file);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "# Studio 2: 4 loudspeakers in 1 layer\nsetup 0\nlayer 0 1 0 2 90 3 180 4 270\nend\n");
    EXPECT_EQ(run.err,
              "vorn-layout: the gains of the file are not carried over (Vorn has no gain per loudspeaker): loudspeaker 2\n"
              "vorn-layout: elevations 0 to 0.3 form one layer at 0 (loudspeakers 1, 3, 4, 2)\n");

    const layout_test::Outcome box = layout_test::run_vorn_layout({"--format=pd", "--tolerance", "0", "-"}, file);
    EXPECT_EQ(box.out, "setup 0 0.3, layer 0 1 0 3 180 4 270, layer 1 2 90, end\n");
    expect_failure({"-"}, "-: not a JSON file (parse error at line 1, column 1: syntax error while parsing value - "
                          "unexpected end of input; expected '[', '{', or a literal)", 1, "");
}

TEST(CommandLine, ToIemWritesTheLayoutFile) {
    const std::string script = layout_test::temp_file("room.vorn", "setup 0 45\nlayer 0 1 0 2 270\nlayer 1 3 90\nsolo 4 0\nend\n");
    const layout_test::Outcome run = layout_test::run_vorn_layout({"--to-iem", script});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\"Name\": \"vorn_layout_room\""), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("solo-layer loudspeakers"), std::string::npos);
    const layout_test::Outcome back = layout_test::run_vorn_layout({"--lfe", "4", "-"}, run.out);
    EXPECT_EQ(back.out, "# vorn_layout_room: 4 loudspeakers in 2 layers and a solo layer\n"
                        "setup 0 45\nlayer 0 1 0 2 270\nlayer 1 3 90\nsolo 4 0\nend\n");
    expect_failure({"--to-iem", layout_test::temp_file("twice.vorn", "setup 0\nlayer 0 1 0 1 90\n")},
                   "channel 1 is used twice (layer 0 and layer 0); a layout file needs one loudspeaker per channel");
    expect_failure({"--to-iem", "-"}, "-: no loudspeakers (no \"layer\" or \"solo\" with channels)", 1, "setup 0\nend\n");
}

}  // namespace
