#include "support/test_box.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "sim/script_runner.h"
#include "standin/standin.h"

extern "C" void ext_main(void *resources);

namespace vorn_test {

namespace {

std::vector<std::string> &captured() {
    static std::vector<std::string> lines;
    return lines;
}

void capture(void *, const char *line) { captured().push_back(line); }

void load_once() {
    static const bool loaded = [] {
        ext_main(nullptr);
        return true;
    }();
    (void)loaded;
    standin_set_sink(capture, nullptr);
}

}  // namespace

TestBox::TestBox(const std::string &arguments) {
    load_once();
    std::vector<t_atom> atoms;
    for (const std::string &token : vorn_sim::tokens_of(arguments)) atoms.push_back(vorn_sim::atom_of(token));
    box_ = standin_create("Vorn", static_cast<long>(atoms.size()), atoms.data());
}

TestBox::~TestBox() { destroy(); }

std::vector<std::string> TestBox::take() {
    std::vector<std::string> lines;
    lines.swap(captured());
    return lines;
}

void TestBox::resume_capture() { standin_set_sink(capture, nullptr); }

std::vector<std::string> TestBox::send(const std::string &line) {
    take();
    std::string problem;
    if (!vorn_sim::send_tokens(box_, vorn_sim::tokens_of(line), problem))
        throw std::runtime_error("cannot send '" + line + "': " + problem);
    return take();
}

std::vector<std::string> TestBox::send_all(const std::vector<std::string> &lines) {
    std::vector<std::string> all;
    for (const std::string &line : lines)
        for (std::string &out : send(line)) all.push_back(std::move(out));
    return all;
}

std::string TestBox::assist(long io, long index, const std::string &initial) {
    char text[512];
    text[initial.copy(text, sizeof text - 1)] = '\0';
    standin_assist(box_, io, index, text);
    return text;
}

std::vector<std::string> TestBox::destroy() {
    take();
    if (box_) standin_destroy(box_);
    box_ = nullptr;
    return take();
}

std::string ring_of(int layer, int first_channel, int count, double offset) {
    std::string line = "layer " + std::to_string(layer);
    for (int i = 0; i < count; ++i) {
        char pair[48];
        std::snprintf(pair, sizeof pair, " %d %.17g", first_channel + i, offset + 360.0 * i / count);
        line += pair;
    }
    return line;
}

std::vector<std::string> with_prefix(const std::vector<std::string> &lines, const std::string &prefix) {
    std::vector<std::string> kept;
    for (const std::string &line : lines)
        if (line.compare(0, prefix.size(), prefix) == 0) kept.push_back(line);
    return kept;
}

}  // namespace vorn_test
