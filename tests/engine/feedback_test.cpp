// A patch can feed an outlet back into the same box; the message then arrives while the
// box is still sending.
#include <gtest/gtest.h>

#include "script_runner.h"
#include "standin/standin.h"
#include "support/test_box.h"

namespace {

struct Loop {
    void *box;
    std::vector<std::string> echo;  // sent back into the box at the first outlet message
    std::vector<std::string> lines;
    bool fired = false;
};

void loop_sink(void *context, const char *line) {
    Loop &loop = *static_cast<Loop *>(context);
    loop.lines.push_back(line);
    if (loop.fired || std::string(line).rfind("outlet", 0) != 0) return;
    loop.fired = true;
    std::string problem;
    for (const std::string &message : loop.echo) vorn_sim::send_tokens(loop.box, vorn_sim::tokens_of(message), problem);
}

std::vector<std::string> run_loop(vorn_test::TestBox &box, const std::string &trigger, std::vector<std::string> echo) {
    Loop loop{box.box(), std::move(echo), {}, false};
    standin_set_sink(loop_sink, &loop);
    std::string problem;
    vorn_sim::send_tokens(loop.box, vorn_sim::tokens_of(trigger), problem);
    standin_set_sink(nullptr, nullptr);
    return loop.lines;
}

}  // namespace

TEST(Feedback, ConfigurationChangesFromTheOutletAreRefused) {
    vorn_test::TestBox box("fb");
    box.send_all({"setup 0 30", "layer 0 1 0 2 90 3 180", "layer 1 4 0", "solo 5 0", "end"});
    const auto lines = run_loop(box, "45.", {"setup 0", "layer 0 1 0", "solo 6 0", "90.", "mask 1 0.5"});
    auto count = [&](const std::string &text) { return std::count(lines.begin(), lines.end(), text); };
    EXPECT_EQ(count("error: setup: ignored, it arrived while this object was sending (a feedback loop in the patch)"), 1);
    EXPECT_EQ(count("error: layer: ignored, it arrived while this object was sending (a feedback loop in the patch)"), 1);
    EXPECT_EQ(count("error: solo: ignored, it arrived while this object was sending (a feedback loop in the patch)"), 1);
    EXPECT_EQ(box.panner().ring_count, 4);
    EXPECT_EQ(box.panner().solo_count, 1);
    EXPECT_EQ(box.panner().azimuth, 90);  // the nested pass ran and stored its azimuth
    EXPECT_EQ(box.panner().sends_in_progress, 0);
}

TEST(Feedback, ExportLoopKeepsTheMapIntact) {
    vorn_test::TestBox box("fb");
    box.send_all({"setup 0", "layer 0 1 0 2 90 3 180"});
    const auto lines = run_loop(box, "med", {"layer 0 7 0", "setup 10"});
    EXPECT_EQ(vorn_test::with_prefix(lines, "outlet 1: mask-editor 1 1").size(), 1u);
    EXPECT_EQ(vorn_test::with_prefix(lines, "outlet 1: mask-editor end").size(), 1u);
    EXPECT_EQ(box.panner().map_total, 3);
}
