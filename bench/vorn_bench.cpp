// `vorn-bench [--svg=FILE] [benchmark options]`: every benchmark, then the goals of the
// issue against the medians of this run, and, with --svg, the cost plot.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_cases.h"
#include "bench/cost_plot.h"

namespace vorn_bench {

std::string pass_case_name(int speakers, double radius, bool moving) {
    char name[64];
    std::snprintf(name, sizeof name, "pass/%d/radius:%g/%s", speakers, radius, moving ? "moving" : "static");
    return name;
}

namespace {

// Keeps the median CPU time of each case (or its only run, without repetitions) in
// microseconds.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    MedianReporter() : ConsoleReporter(OO_Tabular) {}  // plain text: the output goes into logs and documents
    std::map<std::string, double> median_us;

    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs) {
            if (run.error_occurred) continue;
            const bool median = run.aggregate_name == "median";
            if (!median && run.run_type == Run::RT_Aggregate) continue;
            if (!median && median_us.count(run.run_name.str())) continue;
            // CPU time: the machine this runs on is often shared, and waiting is not our cost.
            const double seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            median_us[run.run_name.str()] = seconds * 1e6;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

struct Goal {
    std::string what;
    std::vector<std::string> cases;  // the worst of them counts
    double limit_us;
};

void print_goals(const std::map<std::string, double> &median_us) {
    std::vector<Goal> goals = {
        {"2048 loudspeakers, radius 1, moving", {pass_case_name(2048, 1, true)}, 2},
        {"2048 loudspeakers, radius 60, moving", {pass_case_name(2048, 60, true)}, 28},
        {"2048 loudspeakers, nothing changed, any radius", {}, 3},
        {"37-speaker dome, radius 1, moving", {pass_case_name(37, 1, true)}, 0.25},
        {"\"end\" for 2048 channels", {"end/2048"}, 150},
    };
    for (double radius : {1.0, 30.0, 60.0, 180.0}) goals[2].cases.push_back(pass_case_name(2048, radius, false));
    std::printf("\nGoals (medians of this run):\n");
    for (const Goal &goal : goals) {
        double worst = -1;
        for (const std::string &name : goal.cases) {
            const auto found = median_us.find(name);
            if (found != median_us.end() && found->second > worst) worst = found->second;
        }
        if (worst < 0) {
            std::printf("  %-48s  not run\n", goal.what.c_str());
            continue;
        }
        std::printf("  %-48s %10.3f us  limit %8.3f us  %s (%.2f of the limit)\n", goal.what.c_str(), worst,
                    goal.limit_us, worst <= goal.limit_us ? "met   " : "MISSED", worst / goal.limit_us);
    }
}

// The constant-power law may cost at most this much more than the default per update.
constexpr double constant_power_limit = 1.5;

void print_constant_power_ratios(const std::vector<PassCase> &cases, const std::map<std::string, double> &median_us) {
    std::printf("\nConstant power (\"power 1\") against the default law (medians of this run, limit %.2fx):\n",
                constant_power_limit);
    double worst = 0;
    for (const PassCase &c : cases) {
        const auto with = median_us.find(c.name), without = median_us.find(c.name.substr(6));
        if (with == median_us.end() || without == median_us.end()) continue;
        const double ratio = with->second / without->second;
        worst = ratio > worst ? ratio : worst;
        std::printf("  %-36s %10.3f us against %10.3f us  %5.2fx\n", without->first.c_str(), with->second,
                    without->second, ratio);
    }
    if (worst > 0)
        std::printf("  worst %.2fx: %s\n", worst, worst <= constant_power_limit ? "met" : "MISSED");
}

}  // namespace

}  // namespace vorn_bench

int main(int argc, char **argv) {
    using namespace vorn_bench;
    std::string svg;
    std::vector<char *> kept;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::strncmp(argv[i], "--svg=", 6) == 0)
            svg = argv[i] + 6;
        else
            kept.push_back(argv[i]);
    }
    int kept_count = static_cast<int>(kept.size());
    std::vector<PassCase> cases;
    std::vector<PassCase> constant_power_cases;
    register_pass_benchmarks(cases, constant_power_cases);
    register_configuration_benchmarks();
    benchmark::Initialize(&kept_count, kept.data());
    if (benchmark::ReportUnrecognizedArguments(kept_count, kept.data())) return 1;
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    print_goals(reporter.median_us);
    print_constant_power_ratios(constant_power_cases, reporter.median_us);
    if (!svg.empty()) {
        if (!write_cost_plot(svg, cases, reporter.median_us)) {
            std::fprintf(stderr, "vorn-bench: could not write %s\n", svg.c_str());
            return 1;
        }
        std::printf("plot: %s\n", svg.c_str());
    }
    return 0;
}
