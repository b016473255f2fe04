// The panning pass on typical and extreme configurations, with a source that moves on
// every update, as it does when a patch automates it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "standin/standin.h"

extern "C" void ext_main(void *resources);

namespace {

std::vector<std::string> ring_8() { return {"setup 0", "layer 0 1 0 2 45 3 90 4 135 5 180 6 225 7 270 8 315"}; }

std::string evenly(int layer, int first_channel, int count) {
    char pair[64];
    std::snprintf(pair, sizeof pair, "layer %d", layer);
    std::string line = pair;
    for (int i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, " %d %.17g", first_channel + i, 360.0 * i / count);
        line += pair;
    }
    return line;
}

std::vector<std::string> dome_37() {
    return {"setup 0 30 60 90", evenly(0, 1, 16), evenly(1, 17, 12), evenly(2, 29, 8), evenly(3, 37, 1)};
}

std::vector<std::string> channels_2048() {
    std::vector<std::string> lines = {"setup -60 -30 0 20 40 60 75 85"};
    for (int layer = 0; layer < 8; ++layer) lines.push_back(evenly(layer, 1 + 256 * layer, 256));
    return lines;
}

t_atom number(double v) {
    t_atom a;
    atom_setfloat(&a, v);
    return a;
}

void send(void *box, const std::string &selector, std::vector<t_atom> atoms) {
    standin_send(box, 0, gensym(selector.c_str()), static_cast<long>(atoms.size()), atoms.data());
}

void send_line(void *box, const std::string &line) {
    std::vector<t_atom> atoms;
    std::string selector;
    std::size_t start = 0;
    while (start < line.size()) {
        std::size_t end = line.find(' ', start);
        if (end == std::string::npos) end = line.size();
        const std::string token = line.substr(start, end - start);
        if (selector.empty())
            selector = token;
        else
            atoms.push_back(number(std::stod(token)));
        start = end + 1;
    }
    send(box, selector, atoms);
}

void pass(benchmark::State &state, std::vector<std::string> (*configuration)(), double radius) {
    static const bool loaded = [] {
        ext_main(nullptr);
        return true;
    }();
    (void)loaded;
    standin_set_quiet(1);
    t_atom context;
    atom_setsym(&context, gensym("bench"));
    void *box = standin_create("Vorn", 1, &context);
    for (const std::string &line : configuration()) send_line(box, line);
    send(box, "end", {});
    send(box, "radius", {number(radius)});
    t_atom position[2] = {number(0), number(10)};
    t_symbol *list = gensym("list");
    double azimuth = 0;
    for (auto _ : state) {
        azimuth += 0.37;
        atom_setfloat(&position[0], azimuth);
        atom_setfloat(&position[1], 20 + 15 * ((static_cast<int>(azimuth) % 40) / 40.0));
        standin_send(box, 0, list, 2, position);
    }
    standin_destroy(box);
    standin_set_quiet(0);
}

}  // namespace

BENCHMARK_CAPTURE(pass, ring_8_radius_1, ring_8, 1.0);
BENCHMARK_CAPTURE(pass, ring_8_radius_60, ring_8, 60.0);
BENCHMARK_CAPTURE(pass, dome_37_radius_1, dome_37, 1.0);
BENCHMARK_CAPTURE(pass, dome_37_radius_60, dome_37, 60.0);
BENCHMARK_CAPTURE(pass, channels_2048_radius_1, channels_2048, 1.0);
BENCHMARK_CAPTURE(pass, channels_2048_radius_60, channels_2048, 60.0);

BENCHMARK_MAIN();
