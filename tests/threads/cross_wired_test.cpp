// Two boxes wired to each other, each moved from its own thread: A's amplitudes go into B's
// gain inlet and B's into A's. A box that sent from inside its critical region would wait
// there for the other's region while the other waits for its own: both threads would stop
// for good. A watchdog ends the test with a failure instead of waiting for ever.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "bindings/max/max_box.h"
#include "sim/script_runner.h"
#include "standin/standin.h"
#include "threads/thread_boxes.h"

extern "C" void ext_main(void *resources);

namespace {

using vorn_thread_test::made_box;

using Clock = std::chrono::steady_clock;

constexpr auto moving_time = std::chrono::seconds(3);
// Far beyond what the moving takes even under ThreadSanitizer on a busy machine.
constexpr auto hang_limit = std::chrono::seconds(90);

struct Wiring {
    void *a = nullptr;
    void *b = nullptr;
    std::mutex lock;
    double last_into_a = -1;  // the last amplitude B sent, which A's gain inlet got
    double last_into_b = -1;
    long crossed = 0;
};

// "outlet 0: a-3 0.5" from A goes into B's right inlet, and the other way round.
void cross(void *context, const char *text) {
    Wiring &wiring = *static_cast<Wiring *>(context);
    const std::string line = text;
    if (line.rfind("outlet 0: ", 0) != 0) return;
    const bool from_a = line.compare(10, 2, "a-") == 0;
    const double value = std::stod(line.substr(line.rfind(' ') + 1));
    {
        std::lock_guard<std::mutex> held(wiring.lock);
        (from_a ? wiring.last_into_b : wiring.last_into_a) = value;
        ++wiring.crossed;
    }
    t_atom atom;
    atom_setfloat(&atom, value);
    standin_send(from_a ? wiring.b : wiring.a, 2, gensym("float"), 1, &atom);
}

void move_round(void *box, std::atomic<int> &done, long &positions) {
    std::string problem;
    const auto until = Clock::now() + moving_time;
    for (long i = 0; Clock::now() < until; ++i, ++positions) {
        // The gain of 1 each time keeps the amplitudes, and so the traffic, from dying out.
        const std::string position = std::to_string(i * 7 % 360) + " " + std::to_string(i % 90) + " 1.";
        vorn_sim::send_tokens(box, vorn_sim::tokens_of(position), problem);
    }
    ++done;
}

}  // namespace

TEST(CrossWired, TwoBoxesFeedingEachOtherFromTwoThreadsNeverWaitForEachOther) {
    ext_main(nullptr);
    Wiring wiring;
    wiring.a = made_box("a");
    wiring.b = made_box("b");
    ASSERT_NE(wiring.a, nullptr);
    ASSERT_NE(wiring.b, nullptr);
    standin_set_sink(cross, &wiring);

    std::atomic<int> done{0};
    long positions_a = 0, positions_b = 0;
    const auto start = Clock::now();
    std::thread moving_a([&] { move_round(wiring.a, done, positions_a); });
    std::thread moving_b([&] { move_round(wiring.b, done, positions_b); });
    while (done < 2) {
        if (Clock::now() - start > moving_time + hang_limit) {
            // The threads wait for each other and can be neither joined nor stopped.
            std::fprintf(stderr, "the two boxes wait for each other: no thread finished in %lld s\n",
                         static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(moving_time + hang_limit).count()));
            std::_Exit(1);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    moving_a.join();
    moving_b.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::string problem;
    vorn_sim::send_tokens(wiring.b, vorn_sim::tokens_of("refresh"), problem);
    vorn_sim::send_tokens(wiring.a, vorn_sim::tokens_of("refresh"), problem);
    standin_set_sink(nullptr, nullptr);
    RecordProperty("positions", std::to_string(positions_a + positions_b));
    RecordProperty("crossed", std::to_string(wiring.crossed));
    std::printf("%ld + %ld positions, %ld amplitudes crossed, %.2f s\n", positions_a, positions_b, wiring.crossed,
                seconds);

    // After a last refresh of each, every gain inlet holds the last amplitude the other box sent.
    const vorn::Panner &a = vorn::max::panner_of(wiring.a);
    const vorn::Panner &b = vorn::max::panner_of(wiring.b);
    EXPECT_GT(wiring.crossed, 0);
    EXPECT_EQ(a.gain, wiring.last_into_a);
    EXPECT_EQ(b.gain, wiring.last_into_b);
    EXPECT_EQ(a.sending_thread, nullptr);
    EXPECT_EQ(b.sending_thread, nullptr);
    EXPECT_TRUE(a.outbox->empty() && b.outbox->empty());
    standin_destroy(wiring.a);
    standin_destroy(wiring.b);
}
