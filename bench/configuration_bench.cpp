// What the configuration messages cost on the largest layout: the whole sequence, a
// repeated "end", and "mask" with a pair for every channel.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench/bench_box.h"
#include "bench/bench_cases.h"
#include "bench/layouts.h"

namespace vorn_bench {

namespace {

void configure(benchmark::State &state, int speakers) {
    BenchBox box;
    std::vector<Message> messages;
    for (const std::string &line : layout_with(speakers)) messages.push_back(parse(line));
    messages.push_back(parse("end"));
    for (auto _ : state) box.send_all(messages);
}

void end_again(benchmark::State &state, int speakers) {
    BenchBox box;
    box.send_all(layout_with(speakers));
    const Message end = parse("end");
    box.send(end);
    for (auto _ : state) box.send(end);
}

void mask_every_channel(benchmark::State &state, int speakers) {
    BenchBox box;
    box.send_all(layout_with(speakers));
    box.send("end");
    std::string line = "mask";
    for (int channel = 1; channel <= speakers; ++channel) {
        char pair[32];
        std::snprintf(pair, sizeof pair, " %d %s", channel, channel % 2 ? "0.5" : "1.");
        line += pair;
    }
    const Message mask = parse(line);
    for (auto _ : state) box.send(mask);
}

}  // namespace

void register_configuration_benchmarks() {
    for (int speakers : {37, 2048}) {
        benchmark::RegisterBenchmark(("configure/" + std::to_string(speakers)).c_str(), configure, speakers)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("end/" + std::to_string(speakers)).c_str(), end_again, speakers)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark("mask/2048", mask_every_channel, 2048)->Unit(benchmark::kMicrosecond);
}

}  // namespace vorn_bench
