// vorn-layout as a command: what goes to standard output, what to standard error, and the
// exit status. A failure prints nothing on standard output.
#include <gtest/gtest.h>

#include <filesystem>
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

// The file, then the loudspeaker: "room.json: loudspeaker 3 (channel 1): ...".
void expect_file_failure(const std::string &name, const std::vector<FileSpeaker> &speakers, const std::string &message,
                         std::vector<std::string> options = {}) {
    const std::string path = file_of(name, speakers);
    options.push_back(path);
    expect_failure(options, path + ": " + message);
}

TEST(CommandLine, EachErrorOfALayoutFileNamesTheFileAndTheLoudspeakerAndPrintsNothing) {
    expect_file_failure("twice.json", {{0, 0, 1}, {30, 0, 2}, {-30, 0, 1}},
                        "loudspeaker 3 (channel 1): channel 1 is used twice (also by loudspeaker 1 (channel 1))");
    expect_file_failure("channel0.json", {{0, 0, 1}, {30, 0, 0}}, "loudspeaker 2 (channel 0): channel 0 is outside 1..2048");
    expect_file_failure("channel2049.json", {{0, 0, 2049}}, "loudspeaker 1 (channel 2049): channel 2049 is outside 1..2048");
    expect_file_failure("elevation.json", {{0, 0, 1}, {0, 90.25, 2}},
                        "loudspeaker 2 (channel 2): elevation 90.25 is outside -90..90");
    expect_file_failure("none.json", {}, "no loudspeakers (imaginary ones do not count)");
    expect_file_failure("imaginary.json", {{0, -90, 1, true}}, "no loudspeakers (imaginary ones do not count)");
    expect_file_failure("nolfe.json", {{0, 0, 1}}, "channel 3 is named as LFE or subwoofer but no loudspeaker has it",
                        {"--lfe", "3"});
    const std::string bad = layout_test::temp_file("bad.json", "{\"LoudspeakerLayout\": {\"Loudspeakers\": [}}");
    expect_failure({bad}, bad + ": not a JSON file (parse error at line 1, column 41: syntax error while parsing value - "
                                "unexpected '}'; expected '[', '{', or a literal)");
    expect_failure({"/nonexistent/room.json"}, "/nonexistent/room.json: cannot read it (No such file or directory)");
    expect_failure({"dome:8@100"}, "dome:8@100: elevation 100 is outside -90..90");
    // A word that is neither a file nor a name: the names it could have been.
    expect_failure({"9.1.4"}, "9.1.4: no such file, and no layout of that name; the names are stereo, quad, 5.1, 7.1, "
                              "5.1.2, 7.1.2, 5.1.4, 7.1.4, 9.1.6, 22.2, ring:N, dome:N@EL[@START],...[,zenith]");
}

// What used to end the program with an uncaught exception: numbers beyond a double, folders
// for files, names a layout file cannot hold. Each is one line naming the file.
TEST(CommandLine, InputThatOnceAbortedIsOneLineOfError) {
    const std::string start = R"({"LoudspeakerLayout": {"Loudspeakers": [{"Azimuth": 0, "Elevation": 0, "Channel": 1}, )";
    const std::pair<const char *, const char *> huge[] = {
        {R"({"Azimuth": 1e400, "Elevation": 0, "Channel": 2})", R"(loudspeaker 2: "Azimuth" 1e400 is too large for a number)"},
        {R"({"Azimuth": 0, "Elevation": -1e400, "Channel": 2})", R"(loudspeaker 2: "Elevation" -1e400 is too large for a number)"},
        {R"({"Azimuth": 0, "Elevation": 0, "Channel": 1E400})", R"(loudspeaker 2: "Channel" 1E400 is too large for a number)"},
        {R"(7], "Name": 1e999}})", R"(not a JSON file Vorn can read (1e999 is too large for a number))"},
    };
    for (const auto &[entry, message] : huge) {
        const std::string path = layout_test::temp_file("huge.json", start + entry + "]}}");
        expect_failure({path}, path + ": " + message);
    }

    const std::string folder = testing::TempDir() + "vorn_layout_folder.json";
    std::filesystem::create_directories(folder);
    expect_failure({folder}, folder + ": is a folder, not a file");
    expect_failure({"--to-iem", folder}, folder + ": is a folder, not a file");

    const std::string script = layout_test::temp_file("room.vorn", "setup 0\nlayer 0 1 0\nend\n");
    expect_failure({"--to-iem", "--name", "Saal \xe4", script}, script + ": --name is not UTF-8 text, and a layout file holds nothing else");
    const std::string latin1 = layout_test::temp_file("Saal_\xe4.vorn", "setup 0\nlayer 0 1 0\nend\n");
    expect_failure({"--to-iem", latin1},
                   latin1 + ": the file name is not UTF-8 text, which a layout file needs: give one with --name");
    EXPECT_EQ(layout_test::run_vorn_layout({"--to-iem", "--name", "Saal \xc3\xa4", latin1}).status, 0);
    // A line break in a file name would split the line.
    expect_failure({"/nonexistent/a\nb.json"}, "/nonexistent/a?b.json: cannot read it (No such file or directory)");
    expect_failure({"dome:8@0,x\ny"}, "dome:8@0,x?y: \"x?y\" should be N@ELEVATION or N@ELEVATION@START (a ring of N "
                                     "loudspeakers, the first at azimuth START) or zenith");
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
    expect_failure({"--fill-gaps=0.5", "5.1"}, "--fill-gaps wants degrees in 1..360, not \"0.5\"", 2);
    expect_failure({"--to-iem", "--fill-gaps", "x.vorn"}, "--to-iem takes only --clockwise and --name", 2);
    const layout_test::Outcome help = layout_test::run_vorn_layout({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: vorn-layout", 0), 0u);
}

TEST(CommandLine, StandardInputNotesAndNames) {
    const std::string file = layout_test::iem_text({{0, 0, 1}, {90, 0.3, 2, false, 0.5}, {180, 0, 3}, {-90, 0, 4}});
    const layout_test::Outcome run = layout_test::run_vorn_layout({"--name", "Studio 2", "-"}, file);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "# Studio 2: 4 loudspeakers in 1 layer\nsetup 0.08\nlayer 0 1 0 2 90 3 180 4 270\nend\n");
    EXPECT_EQ(run.err,
              "vorn-layout: the gains of the file are not carried over (Vorn has no gain per loudspeaker): loudspeaker 2\n"
              "vorn-layout: layer 0 at 0.08: channels 1 2 3 4; elevations 0 to 0.3; largest azimuth gap 90 (0 to 90)\n");

    const layout_test::Outcome box = layout_test::run_vorn_layout({"--format=pd", "--tolerance", "0", "-"}, file);
    EXPECT_EQ(box.out, "setup 0 0.3, layer 0 1 0 3 180 4 270, layer 1 2 90, end\n");
    EXPECT_NE(box.err.find("vorn-layout: warning: layer 1 at 0.3 has only 1 loudspeaker"), std::string::npos) << box.err;
    expect_failure({"-"}, "standard input: not a JSON file (parse error at line 1, column 1: syntax error while parsing value - "
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
    const std::string twice = layout_test::temp_file("twice.vorn", "setup 0\nlayer 0 1 0 1 90\n");
    expect_failure({"--to-iem", twice},
                   twice + ": channel 1 is used twice (layer 0 and layer 0); a layout file needs one loudspeaker per channel");
    expect_failure({"--to-iem", "-"}, "standard input: no loudspeakers (no \"layer\" or \"solo\" with channels)", 1, "setup 0\nend\n");
}

TEST(CommandLine, FillGapsListsTheImaginaryChannelsForThePatch) {
    std::vector<FileSpeaker> room;
    for (int k = 0; k < 8; ++k) room.push_back({k * 45.0, 0, k + 1});
    room.push_back({30, 30, 9});
    room.push_back({-30, 30, 10});
    const std::string path = file_of("front_pair.json", room);
    const layout_test::Outcome plain = layout_test::run_vorn_layout({path});
    EXPECT_EQ(plain.out, "# Test room: 10 loudspeakers in 2 layers\nsetup 0 30\n"
                         "layer 0 1 0 2 45 3 90 4 135 5 180 6 225 7 270 8 315\nlayer 1 9 30 10 330\nend\n");
    const layout_test::Outcome filled = layout_test::run_vorn_layout({"--fill-gaps", path});
    EXPECT_EQ(filled.status, 0);
    EXPECT_EQ(filled.out, "# Test room: 10 loudspeakers and 1 imaginary in 2 layers\n"
                          "# imaginary, to leave unrouted: 11\nsetup 0 30\n"
                          "layer 0 1 0 2 45 3 90 4 135 5 180 6 225 7 270 8 315\nlayer 1 9 30 11 180 10 330\nend\n");
    EXPECT_EQ(filled.err,
              "vorn-layout: layer 0 at 0: channels 1 2 3 4 5 6 7 8; largest azimuth gap 45 (0 to 45)\n"
              "vorn-layout: layer 1 at 30: channels 9 10, imaginary channel 11; largest azimuth gap 300 (30 to 330), now 150\n"
              "vorn-layout: imaginary channel 11: leave it unrouted, its share of a source is dropped\n");
}

}  // namespace
