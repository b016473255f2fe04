// The benchmark cases, registered at start-up, and what the report needs to know of them.
#pragma once

#include <string>
#include <vector>

namespace vorn_bench {

struct PassCase {
    int speakers;
    double radius;
    bool moving;
    std::string name;
};

std::string pass_case_name(int speakers, double radius, bool moving);
// The second list gets the same cases with "power 1", named "power/" and the first's name.
void register_pass_benchmarks(std::vector<PassCase> &cases, std::vector<PassCase> &constant_power_cases);
void register_configuration_benchmarks();

}  // namespace vorn_bench
