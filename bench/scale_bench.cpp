// The box at the edges of its scale: the most channels in one layer, messages of 100,000
// atoms, tens of thousands of solo layers, and many lifecycles (whose memory must stay flat).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_box.h"

namespace {

constexpr int large_message_atoms = 100'000;

using vorn_bench::BenchBox;
using vorn_bench::number;

void send(BenchBox &box, const char *selector, std::vector<t_atom> &atoms) {
    standin_send(box.box(), 0, gensym(selector), static_cast<long>(atoms.size()), atoms.data());
}

void send(BenchBox &box, const char *selector, std::vector<t_atom> &&atoms) { send(box, selector, atoms); }

// Channel/azimuth pairs in ascending azimuth, the channels taken round 1..2048.
std::vector<t_atom> pairs(int count, int first_atom_number = -1) {
    std::vector<t_atom> atoms;
    if (first_atom_number >= 0) atoms.push_back(number(first_atom_number));
    for (int i = 0; i < count; ++i) {
        atoms.push_back(number(1 + i % 2048));
        atoms.push_back(number(360.0 * i / count));
    }
    return atoms;
}

long resident_kilobytes() {
    long pages = 0, resident = 0;
    if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return resident * 4;
}

void pass_2048_channels_in_one_layer(benchmark::State &state) {
    BenchBox box;
    send(box, "setup", {number(0)});
    send(box, "layer", pairs(2048, 0));
    send(box, "end", {});
    send(box, "radius", {number(30)});
    std::vector<t_atom> position = {number(0), number(10)};
    double azimuth = 0;
    for (auto _ : state) {
        azimuth += 0.37;
        atom_setfloat(&position[0], azimuth);
        send(box, "list", position);
    }
}

// Each "setup" first silences and drops the ring the one before built.
void setup_100000_elevations(benchmark::State &state) {
    BenchBox box;
    std::vector<t_atom> elevations;
    for (int i = 0; i < large_message_atoms; ++i) elevations.push_back(number(-90 + 180.0 * i / large_message_atoms));
    for (auto _ : state) send(box, "setup", elevations);
}

void layer_100000_atoms(benchmark::State &state) {
    BenchBox box;
    send(box, "setup", {number(0)});
    std::vector<t_atom> layer = pairs(large_message_atoms / 2, 0);
    for (auto _ : state) send(box, "layer", layer);
}

void solo_100000_atoms(benchmark::State &state) {
    BenchBox box;
    std::vector<t_atom> solo = pairs(large_message_atoms / 2);
    for (auto _ : state) {
        state.PauseTiming();
        send(box, "setup", {number(0)});  // drops the solo layers of the round before
        state.ResumeTiming();
        send(box, "solo", solo);
    }
}

void mask_100000_atoms(benchmark::State &state) {
    BenchBox box;
    send(box, "setup", {number(0)});
    send(box, "layer", pairs(2048, 0));
    std::vector<t_atom> masks;
    for (int i = 0; i < large_message_atoms / 2; ++i) {
        t_atom channel;
        atom_setlong(&channel, 1 + i % 2048);  // a float channel is refused
        masks.push_back(channel);
        masks.push_back(number((i % 101) / 100.0));
    }
    for (auto _ : state) send(box, "mask", masks);
}

// N "solo" messages of one loudspeaker each: linear in N once adding a layer no longer
// copies the whole list.
void solo_messages(benchmark::State &state) {
    const int messages = static_cast<int>(state.range(0));
    BenchBox box;
    std::vector<t_atom> one = {number(1), number(90)};
    for (auto _ : state) {
        state.PauseTiming();
        send(box, "setup", {number(0)});
        state.ResumeTiming();
        for (int i = 0; i < messages; ++i) {
            atom_setfloat(&one[0], 1 + i % 2048);
            send(box, "solo", one);
        }
    }
    state.SetComplexityN(messages);
}

// Refilling one layer of a committed ring of N layers, the layers taken in turn: each fill
// costs what its own layer and channels cost, not what the whole ring holds. Every layer has
// two loudspeakers, each channel shared by N / 1024 layers.
void refill_one_layer_of(benchmark::State &state) {
    const int layers = static_cast<int>(state.range(0));
    BenchBox box;
    std::vector<t_atom> elevations;
    for (int i = 0; i < layers; ++i) elevations.push_back(number(-90 + 180.0 * i / layers));
    send(box, "setup", elevations);
    auto layer = [](int i) {
        return std::vector<t_atom>{number(i), number(1 + (2 * i) % 2048), number(0), number(1 + (2 * i + 1) % 2048),
                                   number(180)};
    };
    std::vector<std::vector<t_atom>> fills;
    for (int i = 0; i < layers; ++i) fills.push_back(layer(i));
    for (auto &fill : fills) send(box, "layer", fill);
    send(box, "end", {});
    int next = 0;
    for (auto _ : state) {
        send(box, "layer", fills[static_cast<std::size_t>(next)]);
        next = (next + 1) % layers;
    }
    state.SetComplexityN(layers);
}

// The worst case for a refill that drops the map node of a shared channel: the only other
// loudspeaker on it stands in the layer just below, at the far end of the ring's order. The
// node falls back to it, and the refill takes it back.
void refill_last_layer_of(benchmark::State &state) {
    const int layers = static_cast<int>(state.range(0));
    BenchBox box;
    std::vector<t_atom> elevations;
    for (int i = 0; i < layers; ++i) elevations.push_back(number(-90 + 180.0 * i / layers));
    send(box, "setup", elevations);
    auto layer = [&](int i) {
        const int first = i >= layers - 2 ? 3 : 1;
        return std::vector<t_atom>{number(i), number(first), number(0), number(first + 1), number(180)};
    };
    for (int i = 0; i < layers; ++i) send(box, "layer", layer(i));
    send(box, "end", {});
    std::vector<t_atom> last = layer(layers - 1);
    for (auto _ : state) send(box, "layer", last);
    state.SetComplexityN(layers);
}

void live_once() {
    BenchBox box;
    send(box, "setup", {number(-30), number(0), number(45)});
    send(box, "layer", pairs(8, 0));
    send(box, "layer", pairs(6, 1));
    send(box, "layer", pairs(2, 2));
    send(box, "solo", {number(20), number(0), number(21), number(180)});
    send(box, "end", {});
    for (double azimuth : {10.0, 100.0, 200.0}) send(box, "float", {number(azimuth)});
    send(box, "refresh", {});
}

// A whole life per iteration: creation, configuration, moves, teardown. The counter is the
// growth of the resident set over all iterations after the first thousand (which settle the
// allocator): flat memory shows as a few hundred kilobytes at most.
void lifecycles(benchmark::State &state) {
    { BenchBox settles_the_host; }
    long settled = 0;
    std::int64_t count = 0;
    for (auto _ : state) {
        live_once();
        if (++count == 1000) settled = resident_kilobytes();
    }
    state.counters["rss_growth_kb"] = count > 1000 ? static_cast<double>(resident_kilobytes() - settled) : 0;
    state.counters["rss_kb"] = static_cast<double>(resident_kilobytes());
}

}  // namespace

BENCHMARK(pass_2048_channels_in_one_layer);
BENCHMARK(setup_100000_elevations)->Unit(benchmark::kMillisecond);
BENCHMARK(layer_100000_atoms)->Unit(benchmark::kMillisecond);
BENCHMARK(solo_100000_atoms)->Unit(benchmark::kMillisecond);
BENCHMARK(mask_100000_atoms)->Unit(benchmark::kMillisecond);
BENCHMARK(solo_messages)->Arg(10'000)->Arg(20'000)->Arg(40'000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(refill_one_layer_of)->Arg(2'000)->Arg(20'000)->Unit(benchmark::kMicrosecond)->Complexity();
BENCHMARK(refill_last_layer_of)->Arg(2'000)->Arg(20'000)->Unit(benchmark::kMicrosecond)->Complexity();
BENCHMARK(lifecycles)->Iterations(10'000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
