// A patch can feed an outlet back into the same box; the message then arrives while the
// box is still sending.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "sim/script_runner.h"
#include "standin/standin.h"
#include "support/invariants.h"
#include "support/test_box.h"

namespace {

struct Loop {
    void *box;
    std::vector<std::string> echo;  // sent back into the box at outgoing message number `at`
    std::size_t at = 1;             // 0: at every outgoing message, one of `echo` in turn
    std::vector<std::string> lines;
    std::size_t outgoing = 0;
    int fed_back = 0;
};

void loop_sink(void *context, const char *line) {
    Loop &loop = *static_cast<Loop *>(context);
    loop.lines.push_back(line);
    if (std::string(line).rfind("outlet", 0) != 0) return;
    ++loop.outgoing;
    std::string problem;
    if (loop.at == 0) {
        ++loop.fed_back;
        vorn_sim::send_tokens(loop.box, vorn_sim::tokens_of(loop.echo[loop.outgoing % loop.echo.size()]), problem);
        return;
    }
    if (loop.outgoing != loop.at) return;
    for (const std::string &message : loop.echo) {
        ++loop.fed_back;
        vorn_sim::send_tokens(loop.box, vorn_sim::tokens_of(message), problem);
    }
}

// Sends the trigger with the patch answering as the loop says; the invariants must hold after it.
std::vector<std::string> run_loop(vorn_test::TestBox &box, const std::string &trigger, std::vector<std::string> echo,
                                  std::size_t at = 1) {
    vorn_test::InvariantChecker checker;
    for (const std::string &line : box.send("refresh")) checker.observe(box.panner(), line);
    checker.end_message(&box.panner());

    Loop loop{box.box(), std::move(echo), at, {}, 0, 0};
    checker.begin_message(&box.panner());
    standin_set_sink(loop_sink, &loop);
    std::string problem;
    vorn_sim::send_tokens(loop.box, vorn_sim::tokens_of(trigger), problem);
    vorn_test::TestBox::resume_capture();
    for (const std::string &line : loop.lines) checker.observe(box.panner(), line);
    for (int i = 0; i < loop.fed_back; ++i) checker.note_fed_back();
    EXPECT_EQ(checker.end_message(&box.panner()), "") << "after " << trigger;
    box.take();
    return loop.lines;
}

std::size_t count(const std::vector<std::string> &lines, const std::string &text) {
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), text));
}

std::string refused(const std::string &message) {
    return "error: " + message + ": ignored, it arrived while this object was sending (a feedback loop in the patch)";
}

}  // namespace

TEST(Feedback, ConfigurationChangesFromTheOutletAreRefused) {
    vorn_test::TestBox box("fb");
    box.send_all({"setup 0 30", "layer 0 1 0 2 90 3 180", "layer 1 4 0", "solo 5 0", "end"});
    const auto lines = run_loop(box, "45.", {"setup 0", "layer 0 1 0", "solo 6 0", "end", "90.", "mask 1 0.5"});
    for (const char *message : {"setup", "layer", "solo", "end"}) EXPECT_EQ(count(lines, refused(message)), 1u);
    EXPECT_EQ(box.panner().ring_count, 4);
    EXPECT_EQ(box.panner().solo_count, 1);
    EXPECT_EQ(box.panner().selector_count, 5);
    EXPECT_EQ(box.panner().azimuth, 90);  // the owed pass ran at the position that came back
    EXPECT_EQ(box.panner().sending_thread, nullptr);
    EXPECT_FALSE(box.panner().pass_owed);
}

// The example of the fault: a nested pass at 90 in the middle of the pass at 200 left
// channel 8 at 0.7071 in the patch while the box believed 0.1736.
TEST(Feedback, PositionFromTheOutletRunsAfterThePassWithTheLatestValues) {
    vorn_test::TestBox box("fb");
    box.send_all({"setup 0", "layer 0 1 0 2 90 3 180 4 270", "solo 7 90 8 270", "end", "45."});
    const auto lines = run_loop(box, "200.", {"90."});
    EXPECT_EQ(box.panner().azimuth, 90);
    EXPECT_EQ(count(lines, "outlet 0: fb-8 0.0"), 1u);  // the pass at 90, after the one at 200
    EXPECT_EQ(lines.back(), "outlet 0: fb-4 0.0");
    vorn_test::TestBox fresh("fb");
    fresh.send_all({"setup 0", "layer 0 1 0 2 90 3 180 4 270", "solo 7 90 8 270", "end", "90."});
    EXPECT_EQ(box.send("refresh"), fresh.send("refresh"));
    EXPECT_TRUE(box.send("90.").empty());
}

TEST(Feedback, SeveralPositionsGiveOnePassAndARefreshAmongThemResendsAll) {
    vorn_test::TestBox box("fb");
    box.send_all({"setup 0 45", "layer 0 1 0 2 90 3 180 4 270", "layer 1 5 0 6 180", "end"});
    auto lines = run_loop(box, "10.", {"20.", "list 30 15 0.5", "bang", ">1 40."});
    EXPECT_EQ(box.panner().azimuth, 30);
    EXPECT_EQ(box.panner().elevation, 40);  // stored at once, as the inlet always does
    EXPECT_EQ(box.panner().gain, 0.5);
    auto sends_of = [&](int channel) {
        return vorn_test::with_prefix(lines, "outlet 0: fb-" + std::to_string(channel) + " ").size();
    };
    for (int channel = 1; channel <= 6; ++channel) EXPECT_LE(sends_of(channel), 2u);  // the pass under way, the owed one

    // The owed pass resends everything, last.
    lines = run_loop(box, "50.", {"refresh", "60."});
    EXPECT_EQ(box.panner().azimuth, 60);
    ASSERT_GE(lines.size(), 6u);
    std::vector<std::string> last(lines.end() - 6, lines.end());
    for (std::string &line : last) line = line.substr(0, line.find(' ', 10));
    std::sort(last.begin(), last.end());
    EXPECT_EQ(last, (std::vector<std::string>{"outlet 0: fb-1", "outlet 0: fb-2", "outlet 0: fb-3", "outlet 0: fb-4",
                                              "outlet 0: fb-5", "outlet 0: fb-6"}));
}

// The law is the one in force when the pass began: switched from the outlet, it counts from
// the next pass, and no channel goes out twice in one (the upper layer sends first here).
TEST(Feedback, PowerFromTheOutletCountsFromTheNextPass) {
    const std::vector<std::string> dome = {"setup 0 45", "layer 0 1 0 2 90 3 180 4 270", "layer 1 5 0 6 180", "end",
                                           "radius 120"};
    vorn_test::TestBox box("fb");
    box.send_all(dome);
    for (const char *echo : {"power 1", "power 0"}) {
        for (const char *trigger : {"10.", "200.", "refresh", "list 30 60"}) {
            const auto lines = run_loop(box, trigger, {echo});
            for (int channel = 1; channel <= 6; ++channel)
                EXPECT_LE(vorn_test::with_prefix(lines, "outlet 0: fb-" + std::to_string(channel) + " ").size(), 1u)
                    << "channel " << channel << " after " << trigger << " answered by " << echo;
        }
    }
    EXPECT_FALSE(box.panner().constant_power);
    vorn_test::TestBox fresh("fb");
    fresh.send_all(dome);
    fresh.send("list 30 60");
    EXPECT_EQ(box.send("refresh"), fresh.send("refresh"));  // the default law again
}

TEST(Feedback, SetupSilencesEveryChannelWhateverComesBack) {
    vorn_test::TestBox box("fb");
    box.send_all({"setup 0", "layer 0 1 0 2 90 3 180 4 270", "solo 7 90 8 270", "end", "45."});
    const auto lines = run_loop(box, "setup 0", {"200.", "refresh"});
    for (int channel : {1, 2, 7, 8}) {  // 3 and 4 were at 0 already
        const auto sent = vorn_test::with_prefix(lines, "outlet 0: fb-" + std::to_string(channel) + " ");
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.back(), "outlet 0: fb-" + std::to_string(channel) + " 0.0");
    }
    EXPECT_EQ(count(lines, "error: no speaker setup provided"), 1u);  // the owed pass, on the new empty ring
}

TEST(Feedback, MaskEditorLoopKeepsTheMapIntactAndPassesRunAfterIt) {
    vorn_test::TestBox box("fb");
    box.send_all({"setup 0", "layer 0 1 0 2 90 3 180"});
    auto lines = run_loop(box, "med", {"layer 0 7 0", "setup 10"});
    EXPECT_EQ(vorn_test::with_prefix(lines, "outlet 1: mask-editor 1 1").size(), 1u);
    EXPECT_EQ(vorn_test::with_prefix(lines, "outlet 1: mask-editor end").size(), 1u);
    EXPECT_EQ(box.panner().map_total, 3);
    box.send("end");
    lines = run_loop(box, "med", {"90."}, 2);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "outlet 1: mask-editor start", "outlet 1: mask-editor size 3",
                         "outlet 1: mask-editor 1 1 0.0 0.0 -90.0 90.0 135.0 180.0",
                         "outlet 1: mask-editor 2 1 90.0 0.0 45.0 90.0 90.0 180.0",
                         "outlet 1: mask-editor 3 1 180.0 0.0 135.0 90.0 135.0 180.0", "outlet 1: mask-editor end",
                         "outlet 0: fb-1 0.0", "outlet 0: fb-2 1.0"}));
}

// "med" wired back into the box from its own right outlet would export inside the export.
TEST(Feedback, MaskEditorRequestFromTheOutletIsRefused) {
    vorn_test::TestBox box("fb");
    box.send_all({"setup 0", "layer 0 1 0 2 180", "end"});
    const auto lines = run_loop(box, "med", {"med"}, 0);
    EXPECT_EQ(count(lines, refused("med")), 5u);  // one for each message out: start, size, two cells, end
    EXPECT_EQ(vorn_test::with_prefix(lines, "outlet 1: mask-editor start").size(), 1u);
}

TEST(Feedback, APatchThatNeverSettlesGetsItsThreadBack) {
    vorn_test::TestBox box("fb");
    box.send_all({"setup 0", "layer 0 1 0 2 180", "end"});
    // Each pass sends two messages, so the position owed after it turns round 10, 100, 200.
    const auto lines = run_loop(box, "10.", {"list 10 0 1", "list 100 0 1", "list 200 0 1"}, 0);
    EXPECT_EQ(count(lines, "error: feedback loop: the patch answers every pass of fb with a new position; the "
                           "latest is stored, but no further pass runs"),
              1u);
    EXPECT_FALSE(box.panner().pass_owed);
    EXPECT_EQ(box.panner().sending_thread, nullptr);
}

namespace {

// Box i's amplitudes drive a counter that sets box i+1's azimuth, the last box's go back into
// the first: each box bounds only what comes back into itself, so without a budget shared by
// every box on the thread the bounds multiply round the ring.
struct Ring {
    std::vector<std::unique_ptr<vorn_test::TestBox>> boxes;
    std::vector<long> counters;
    std::vector<std::string> errors;
    long forwarded = 0;
};

void ring_sink(void *context, const char *text) {
    Ring &ring = *static_cast<Ring *>(context);
    const std::string line = text;
    if (line.rfind("error: ", 0) == 0) ring.errors.push_back(line);
    if (line.rfind("outlet 0: r", 0) != 0) return;
    const std::size_t next = (std::stoul(line.substr(11)) + 1) % ring.boxes.size();
    ++ring.forwarded;
    t_atom azimuth;
    atom_setfloat(&azimuth, static_cast<double>(++ring.counters[next] % 360));
    standin_send(ring.boxes[next]->box(), 0, gensym("float"), 1, &azimuth);
}

// Ends the process if the ring is not back within the limit: a thread that never returns
// can be neither joined nor stopped.
class Watchdog {
public:
    Watchdog(std::chrono::seconds limit, const char *what) {
        thread_ = std::thread([this, limit, what] {
            const auto until = std::chrono::steady_clock::now() + limit;
            while (!done_) {
                if (std::chrono::steady_clock::now() > until) {
                    std::fprintf(stderr, "%s: not back after %lld s\n", what, static_cast<long long>(limit.count()));
                    std::_Exit(1);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
    }
    ~Watchdog() {
        done_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

}  // namespace

TEST(Feedback, ARingOfBoxesOnOneThreadStopsAfterOneBudgetWithOneLine) {
    for (const std::size_t length : {2u, 5u, 8u}) {
        Ring ring;
        for (std::size_t i = 0; i < length; ++i) {
            ring.boxes.push_back(std::make_unique<vorn_test::TestBox>("r" + std::to_string(i)));
            std::string layer = "layer 0";
            for (int k = 0; k < 16; ++k) layer += " " + std::to_string(k + 1) + " " + std::to_string(k * 22.5);
            ring.boxes.back()->send_all({"setup 0", layer, "end", "radius 120"});
        }
        ring.counters.assign(length, 0);
        standin_set_sink(ring_sink, &ring);
        {
            Watchdog watchdog(std::chrono::seconds(120), "the ring of boxes");
            t_atom azimuth;
            atom_setfloat(&azimuth, 10);
            standin_send(ring.boxes[0]->box(), 0, gensym("float"), 1, &azimuth);
        }
        vorn_test::TestBox::resume_capture();
        std::printf("ring of %zu: %ld amplitudes forwarded\n", length, ring.forwarded);
        ASSERT_EQ(ring.errors.size(), 1u) << "ring of " << length << ": " << ring.errors.front();
        // Any box may be where the budget runs out; the line names it.
        const std::string &line = ring.errors.front();
        EXPECT_EQ(line.rfind("error: feedback loop through other objects: r", 0), 0u) << line;
        EXPECT_NE(line.find(" stopped, the patch answers passes with new positions for ever; the latest is stored, "
                            "but no further pass runs until the message that began it is sent"),
                  std::string::npos)
            << line;
        // 16 loudspeakers at radius 120: every amplitude changes with the azimuth, so each pass
        // forwards about 16. One budget of passes in all, whatever the length.
        EXPECT_LE(ring.forwarded, 16 * 11000) << "ring of " << length;
        for (auto &box : ring.boxes) {
            EXPECT_EQ(box->panner().sending_thread, nullptr);
            EXPECT_FALSE(box->panner().pass_owed);
            EXPECT_TRUE(box->panner().outbox->empty());
            // The next message starts afresh: a pass runs and sends.
            EXPECT_FALSE(box->send("refresh").empty());
        }
    }
}
