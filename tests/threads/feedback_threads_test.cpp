// Two boxes, each one's amplitudes fed into the other's inlet, each box moved from its own
// thread: every inlet, and a list. A position that comes through the patch from the other
// thread waits for the thread sending that box, so each thread runs only its own box's
// passes and the owed-pass limit bounds both. A watchdog ends the test with a failure instead
// of waiting for a livelock.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bindings/max/max_box.h"
#include "sim/script_runner.h"
#include "standin/standin.h"
#include "threads/thread_boxes.h"

extern "C" void ext_main(void *resources);

namespace {

using vorn_thread_test::made_box;

using Clock = std::chrono::steady_clock;

constexpr long positions_each = 20;
// Far beyond what the patch takes even under ThreadSanitizer on a busy machine.
constexpr auto hang_limit = std::chrono::seconds(150);

enum class Into { left, middle, right, list };

struct Patch {
    Into into;
    void *a = nullptr;
    void *b = nullptr;
    std::mutex lock;
    long forwarded = 0;
    std::vector<std::string> errors;
};

// "outlet 0: a-3 0.5" from A goes into B as 0.5 * 300 + 3 * 17, and the other way round;
// into the gain inlet as 0.5 itself, which keeps the amplitudes within 0..1.
void forward(void *context, const char *text) {
    Patch &patch = *static_cast<Patch *>(context);
    const std::string line = text;
    if (line.rfind("error: ", 0) == 0) {
        std::lock_guard<std::mutex> held(patch.lock);
        patch.errors.push_back(line);
        return;
    }
    if (line.rfind("outlet 0: ", 0) != 0) return;
    const bool from_a = line.compare(10, 2, "a-") == 0;
    const std::size_t space = line.rfind(' ');
    const double value = std::stod(line.substr(space + 1));
    const double channel = std::stod(line.substr(12, space - 12));
    {
        std::lock_guard<std::mutex> held(patch.lock);
        ++patch.forwarded;
    }
    void *to = from_a ? patch.b : patch.a;
    const double number = value * 300 + channel * 17;
    t_atom atoms[3];
    switch (patch.into) {
    case Into::left:
        atom_setfloat(&atoms[0], number);
        standin_send(to, 0, gensym("float"), 1, atoms);
        break;
    case Into::middle:
        atom_setfloat(&atoms[0], number);
        standin_send(to, 1, gensym("float"), 1, atoms);
        break;
    case Into::right:
        atom_setfloat(&atoms[0], value);
        standin_send(to, 2, gensym("float"), 1, atoms);
        break;
    case Into::list:
        atom_setfloat(&atoms[0], number);
        atom_setfloat(&atoms[1], channel * 5);
        atom_setfloat(&atoms[2], 1);
        standin_send(to, 0, gensym("list"), 3, atoms);
        break;
    }
}

void move(void *box, long i) {
    std::string problem;
    vorn_sim::send_tokens(box, vorn_sim::tokens_of(std::to_string(i * 7 % 360) + " " + std::to_string(i % 90) + " 1."),
                          problem);
}

struct Outcome {
    double seconds = 0;
    long forwarded = 0;
    std::size_t errors = 0;
};

// Moves each box positions_each times, from two threads or, alternating, from one.
Outcome run_patch(Into into, bool two_threads) {
    ext_main(nullptr);
    Patch patch;
    patch.into = into;
    standin_set_sink(nullptr, nullptr);
    patch.a = made_box("a");
    patch.b = made_box("b");
    standin_set_sink(forward, &patch);

    std::atomic<int> done{0};
    const auto start = Clock::now();
    std::thread watchdog([&] {
        while (done < 2) {
            if (Clock::now() - start > hang_limit) {
                std::fprintf(stderr, "livelock: the two boxes still answer each other after %lld s\n",
                             static_cast<long long>(hang_limit.count()));
                std::_Exit(1);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    if (two_threads) {
        std::thread moving_a([&] {
            for (long i = 0; i < positions_each; ++i) move(patch.a, i);
            ++done;
        });
        std::thread moving_b([&] {
            for (long i = 0; i < positions_each; ++i) move(patch.b, i + 1000);
            ++done;
        });
        moving_a.join();
        moving_b.join();
    } else {
        for (long i = 0; i < positions_each; ++i) {
            move(patch.a, i);
            move(patch.b, i + 1000);
        }
        done = 2;
    }
    watchdog.join();
    Outcome result;
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    standin_set_sink(nullptr, nullptr);
    result.forwarded = patch.forwarded;
    result.errors = patch.errors.size();
    for (void *box : {patch.a, patch.b}) {
        const vorn::Panner &panner = vorn::max::panner_of(box);
        EXPECT_EQ(panner.sending_thread, nullptr);
        EXPECT_EQ(panner.senders_waiting, 0);
        EXPECT_TRUE(panner.outbox->empty());
        EXPECT_FALSE(panner.pass_owed);
    }
    for (const std::string &line : patch.errors)
        EXPECT_EQ(line.rfind("error: feedback loop", 0), 0u) << line;
    standin_destroy(patch.a);
    standin_destroy(patch.b);
    return result;
}

class FeedbackThreads : public testing::TestWithParam<Into> {};

TEST_P(FeedbackThreads, EveryInletFedFromTheOtherThreadEndsOrStopsAtTheLimit) {
    const Outcome one = run_patch(GetParam(), false);
    const Outcome two = run_patch(GetParam(), true);
    std::printf("one thread: %.2f s, %ld forwarded, %zu error lines; two threads: %.2f s, %ld forwarded, %zu error "
                "lines\n",
                one.seconds, one.forwarded, one.errors, two.seconds, two.forwarded, two.errors);
    // Each message the host gives a thread stops at the limit with one line at most.
    EXPECT_LE(two.errors, static_cast<std::size_t>(2 * positions_each));
}

std::string inlet_name(const testing::TestParamInfo<Into> &info) {
    static const char *const names[] = {"left", "middle", "right", "list"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Inlets, FeedbackThreads, testing::Values(Into::left, Into::middle, Into::right, Into::list),
                         inlet_name);

}  // namespace
