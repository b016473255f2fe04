// What one update costs: the panning pass against loudspeaker count and radius, with a
// source that moves on every update (as a patch automates it) and one that stays put.
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

void pass(benchmark::State &state, int speakers, double radius, bool moving) {
    static const SourcePath path;
    BenchBox box;
    box.send_all(layout_with(speakers));
    box.send("end");
    box.send("radius " + std::to_string(radius));
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

void register_pass_benchmarks(std::vector<PassCase> &cases) {
    for (int speakers : layout_counts) {
        for (double radius : {1.0, 30.0, 60.0, 180.0}) {
            for (bool moving : {true, false}) {
                PassCase c{speakers, radius, moving, pass_case_name(speakers, radius, moving)};
                benchmark::RegisterBenchmark(c.name.c_str(), pass, speakers, radius, moving)
                    ->Unit(benchmark::kMicrosecond);
                cases.push_back(c);
            }
        }
    }
}

}  // namespace vorn_bench
