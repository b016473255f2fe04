// What one update costs: the panning pass against loudspeaker count and radius, with a
// source that moves on every update (as a patch automates it) and one that stays put; the
// same with the constant-power law on.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "bench/bench_box.h"
#include "bench/bench_cases.h"
#include "bench/layouts.h"

namespace vorn_bench {

namespace {

// The same path for every layout: azimuth in steps of 0.37 degrees, elevation swinging
// between 0 and 60; long enough that the pattern of changes does not repeat in step
// with the loop.
struct SourcePath {
    std::vector<double> azimuths, elevations;
    SourcePath() {
        for (int i = 0; i < 4096; ++i) {
            azimuths.push_back(std::fmod(0.37 * i, 360.0));
            elevations.push_back(30 - 30 * std::cos(i * 0.0123));
        }
    }
};

void pass(benchmark::State &state, int speakers, double radius, bool moving, bool constant_power) {
    static const SourcePath path;
    BenchBox box;
    box.send_all(layout_with(speakers));
    box.send("end");
    box.send("radius " + std::to_string(radius));
    if (constant_power) box.send("power 1");
    box.send_list(30, 20);
    std::size_t step = 0;
    for (auto _ : state) {
        if (moving) {
            box.send_list(path.azimuths[step], path.elevations[step]);
            step = (step + 1) % path.azimuths.size();
        } else {
            box.send_list(30, 20);
        }
    }
}

}  // namespace

// Each case with the constant-power law on runs right after the same case without it, so
// that both meet the same load of a shared machine.
void register_pass_benchmarks(std::vector<PassCase> &cases, std::vector<PassCase> &constant_power_cases) {
    for (int speakers : layout_counts) {
        for (double radius : {1.0, 30.0, 60.0, 180.0}) {
            for (bool moving : {true, false}) {
                PassCase c{speakers, radius, moving, pass_case_name(speakers, radius, moving)};
                benchmark::RegisterBenchmark(c.name.c_str(), pass, speakers, radius, moving, false)
                    ->Unit(benchmark::kMicrosecond);
                cases.push_back(c);
                PassCase power{speakers, radius, moving, "power/" + c.name};
                benchmark::RegisterBenchmark(power.name.c_str(), pass, speakers, radius, moving, true)
                    ->Unit(benchmark::kMicrosecond);
                constant_power_cases.push_back(power);
            }
        }
    }
}

}  // namespace vorn_bench
