// The vorn-layout command: arguments in, the converted layout out.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace vorn_layout {

// Exit statuses of vorn-layout.
constexpr int status_ok = 0;
constexpr int status_failed = 1;  // the layout or script cannot be converted
constexpr int status_usage = 2;   // the command line is wrong

// Runs vorn-layout with its arguments (the program name left out); `in` stands for "-".
// Writes to `out` only when the whole conversion succeeded, so a failure prints nothing
// there; notes and errors go to `err`, each line led by "vorn-layout: ".
int run_vorn_layout(const std::vector<std::string> &arguments, std::istream &in, std::ostream &out, std::ostream &err);

}  // namespace vorn_layout
