// One box called from two threads at once, as the Max host does with Overdrive: positions
// from the scheduler thread, configurations from the main thread. Built with
// ThreadSanitizer, which reports any access the box's critical region fails to serialize.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "config/layer.h"
#include "config/speaker_map.h"
#include "sim/script_runner.h"
#include "bindings/max/max_box.h"
#include "standin/standin.h"

extern "C" void ext_main(void *resources);

namespace {

// What the patch saw: the last amplitude of each selector, and anything out of range.
struct Patch {
    std::mutex lock;
    std::map<std::string, double> last;
    std::vector<std::string> bad;
};

void watch(void *context, const char *text) {
    Patch &patch = *static_cast<Patch *>(context);
    const std::string line = text;
    std::lock_guard<std::mutex> held(patch.lock);
    if (line.rfind("outlet 0: ", 0) != 0) return;
    const std::size_t space = line.rfind(' ');
    const std::string selector = line.substr(10, space - 10);
    const double value = std::stod(line.substr(space + 1));
    if (!(value >= 0 && value <= 1)) patch.bad.push_back(line);
    patch.last[selector] = value;
}

void send(void *box, const std::string &line) {
    std::string problem;
    ASSERT_TRUE(vorn_sim::send_tokens(box, vorn_sim::tokens_of(line), problem)) << problem;
}

}  // namespace

TEST(TwoThreads, PositionsAndConfigurationsAtOnceStayConsistent) {
    ext_main(nullptr);
    Patch patch;
    standin_set_sink(watch, &patch);
    t_atom context;
    atom_setsym(&context, gensym("tt"));
    void *box = standin_create("Vorn", 1, &context);
    ASSERT_NE(box, nullptr);
    send(box, "setup 0 45");
    send(box, "layer 0 1 0 2 90 3 180 4 270");
    send(box, "end");

    std::atomic<bool> configuring{true};
    std::thread scheduler([&] {
        for (int i = 0; configuring || i < 200; ++i) {
            send(box, std::to_string(i * 7 % 360) + ".");
            send(box, std::to_string(i % 360) + " " + std::to_string(i % 60) + " 0.8");
            send(box, ">1 " + std::to_string(i % 90) + ".");
            send(box, "bang");
        }
    });
    for (int round = 0; round < 60; ++round) {
        send(box, round % 2 ? "setup 0 45" : "setup -10 30 60");
        send(box, "layer 0 1 0 2 90 3 180 4 270");
        send(box, "layer 1 5 45 6 225");
        if (round % 3 == 0) send(box, "solo 9 0 10 180");
        send(box, "end");
        send(box, "mask 2 0.5 5 0.25");
        send(box, round % 2 ? "radius 90." : "radius 1.");
        send(box, "refresh");
    }
    configuring = false;
    scheduler.join();
    send(box, "refresh");
    standin_set_sink(nullptr, nullptr);

    vorn::Panner &panner = vorn::max::panner_of(box);
    EXPECT_TRUE(patch.bad.empty()) << patch.bad.front();
    EXPECT_EQ(panner.sending_thread, nullptr);
    // What the patch received last on each channel is what the box believes it sent.
    for (const vorn::SpeakerNode *node = panner.speaker_map; node; node = node->next) {
        const vorn::Layer *layer = vorn::layer_by_id(panner, node->layer);
        ASSERT_NE(layer, nullptr);
        const std::string selector = "tt-" + std::to_string(node->channel);
        ASSERT_TRUE(patch.last.count(selector)) << selector;
        EXPECT_EQ(patch.last[selector], layer->last_sent[node->id]) << selector;
        EXPECT_EQ(vorn::find_speaker(panner, node->channel), node);
    }
    standin_destroy(box);
}
