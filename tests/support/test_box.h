// One Vorn box in the stand-in host, driven by script lines, with its transcript captured.
#pragma once

#include <string>
#include <vector>

#include "bindings/max/max_box.h"

namespace vorn_test {

class TestBox {
public:
    // Creates a box with these creation arguments (script tokens); "" creates none at all.
    explicit TestBox(const std::string &arguments = "test");
    ~TestBox();
    TestBox(const TestBox &) = delete;
    TestBox &operator=(const TestBox &) = delete;

    // Sends script lines, one message each; returns what left the box meanwhile.
    std::vector<std::string> send(const std::string &line);
    std::vector<std::string> send_all(const std::vector<std::string> &lines);
    std::string assist(long io, long index, const std::string &initial = "");
    // Tears the box down now; returns what it said.
    std::vector<std::string> destroy();

    bool exists() const { return box_ != nullptr; }
    void *box() const { return box_; }
    vorn::Panner &panner() { return vorn::max::panner_of(box_); }
    // What was captured since the last send (creation lines, for instance).
    std::vector<std::string> take();
    // Captures the transcript again after a test had the host send it elsewhere.
    static void resume_capture();

private:
    void *box_ = nullptr;
};

// "layer LAYER" with COUNT loudspeakers evenly spaced from OFFSET degrees, on channels from
// FIRST_CHANNEL up.
std::string ring_of(int layer, int first_channel, int count, double offset);

// Lines of the transcript that start with this prefix.
std::vector<std::string> with_prefix(const std::vector<std::string> &lines, const std::string &prefix);


}  // namespace vorn_test
