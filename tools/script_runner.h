// Runs a vorn-sim script against boxes of a class the stand-in host has loaded.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "script_tokens.h"
#include "shell/max/max_api.h"

namespace vorn_sim {

struct Options {
    std::string context = "vorn";
    std::string class_name = "Vorn";
    // Float atoms rounded to single precision on their way in, as Pd's atoms (and the
    // 32-bit host's) carry them.
    bool single_precision = false;
};

// Script tokens: decimal integers are integer atoms, decimals with a point or exponent
// (and nan, inf) float atoms, anything else a symbol.
t_atom atom_of(const std::string &token);
// Sends one script message line (already split, optionally led by >N) to a box.
bool send_tokens(void *box, std::vector<std::string> tokens, std::string &problem, bool single_precision = false);

// Transcript lines go to standard output, problems with the script to standard error.
// Returns 0, or 1 when the script had a problem.
int run_script(std::istream &script, const Options &options);

// Reads `[--context NAME] [--single-precision] [SCRIPT]`; extra flags known to the caller are left in `rest`.
struct CommandLine {
    Options options;
    std::string script_path;  // empty: standard input
    std::string plugin_path;
    bool ok = true;
};
CommandLine parse_command_line(int argc, char **argv, bool accepts_plugin);

// Opens the script and runs it; the shared tail of every vorn-sim main.
int run_command_line(const CommandLine &command_line);

}  // namespace vorn_sim
