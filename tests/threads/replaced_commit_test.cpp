// "end" sends its mask-editor export and first pass with the box's region left; another
// thread's "setup" can replace the configuration meanwhile. The confirmation that follows
// would then claim a configuration that is gone.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "bindings/max/max_box.h"
#include "sim/script_runner.h"
#include "standin/standin.h"

extern "C" void ext_main(void *resources);

namespace {

struct Patch {
    void *box = nullptr;
    std::vector<std::string> lines;  // written by the sending thread only
    std::thread other;
};

// Another thread's "setup" has run once it waits for its turn to send.
bool other_thread_waits(void *box) {
    vorn::max::MaxBox *record = static_cast<vorn::max::MaxBox *>(box);
    critical_enter(record->region);
    const bool waiting = record->panner.senders_waiting > 0;
    critical_exit(record->region);
    return waiting;
}

void replace_during_export(void *context, const char *text) {
    Patch &patch = *static_cast<Patch *>(context);
    patch.lines.emplace_back(text);
    if (patch.lines.back() != "outlet 1: mask-editor start") return;
    patch.other = std::thread([box = patch.box] {
        std::string problem;
        vorn_sim::send_tokens(box, vorn_sim::tokens_of("setup 0 45"), problem);
    });
    while (!other_thread_waits(patch.box)) std::this_thread::yield();
}

}  // namespace

TEST(ReplacedCommit, TheConfirmationIsPostedOnlyForTheConfigurationStillCommitted) {
    ext_main(nullptr);
    standin_set_sink(nullptr, nullptr);
    t_atom context;
    atom_setsym(&context, gensym("rc"));
    Patch patch;
    patch.box = standin_create("Vorn", 1, &context);
    ASSERT_NE(patch.box, nullptr);
    std::string problem;
    for (const char *line : {"setup 0", "layer 0 1 0 2 90 3 180 4 270"})
        ASSERT_TRUE(vorn_sim::send_tokens(patch.box, vorn_sim::tokens_of(line), problem)) << problem;
    standin_set_sink(replace_during_export, &patch);
    vorn_sim::send_tokens(patch.box, vorn_sim::tokens_of("end"), problem);
    patch.other.join();
    standin_set_sink(nullptr, nullptr);

    EXPECT_EQ(std::count(patch.lines.begin(), patch.lines.end(),
                         std::string("post: setup: successfully applied new loudspeaker configuration")),
              0);
    EXPECT_EQ(std::count(patch.lines.begin(), patch.lines.end(), std::string("outlet 1: mask-editor end")), 1);
    EXPECT_FALSE(vorn::max::panner_of(patch.box).committed);
    EXPECT_EQ(vorn::max::panner_of(patch.box).ring_count, 4);  // setup 0 45: two layers and their mirrors

    // Left alone, the same commit confirms itself.
    for (const char *line : {"layer 0 1 0 2 180", "layer 1 3 0"}) vorn_sim::send_tokens(patch.box, vorn_sim::tokens_of(line), problem);
    patch.lines.clear();
    standin_set_sink([](void *context, const char *text) { static_cast<Patch *>(context)->lines.emplace_back(text); },
                     &patch);
    vorn_sim::send_tokens(patch.box, vorn_sim::tokens_of("end"), problem);
    standin_set_sink(nullptr, nullptr);
    EXPECT_EQ(patch.lines.back(), "post: setup: successfully applied new loudspeaker configuration");
    standin_destroy(patch.box);
}
