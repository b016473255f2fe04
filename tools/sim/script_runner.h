// Runs a vorn-sim script against boxes of a class the stand-in host has loaded.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "sim/script_tokens.h"
#include "bindings/max/max_api.h"

namespace vorn_sim {

// Told what happens while a script runs, e.g. to draw the layout when it ends.
class Observer {
public:
    virtual ~Observer() = default;
    virtual void box_created() {}
    virtual void transcript_line(const char *) {}
    // After the box has answered the message; tokens as the script wrote them.
    virtual void message_sent(const std::vector<std::string> &) {}
    // The box still there at the end of the script, or null.
    virtual void script_ended(void *) {}
};

struct Options {
    std::string context = "vorn";
    std::string class_name = "Vorn";
    Observer *observer = nullptr;
    // Float atoms rounded to single precision on their way in, as Pd's atoms (and the
    // 32-bit host's) carry them.
    bool single_precision = false;
};

// Script tokens: decimal integers are integer atoms, decimals with a point or exponent
// (and nan, inf) float atoms, anything else a symbol.
t_atom atom_of(const std::string &token);
// True for the tokens that atom_of makes an integer or float atom of.
bool is_number_token(const std::string &token);
// Sends one script message line (already split, optionally led by >N) to a box.
bool send_tokens(void *box, std::vector<std::string> tokens, std::string &problem, bool single_precision = false);
// Sends atoms to an inlet as the host's message box does: a lone number is "int" or
// "float", numbers first make a "list", a symbol first is the selector.
bool send_atoms(void *box, long inlet, std::vector<t_atom> &atoms, std::string &problem);

// Transcript lines go to standard output, problems with the script to standard error.
// Returns 0, or 1 when the script had a problem.
int run_script(std::istream &script, const Options &options);

// Reads `[--context NAME] [--single-precision] [SCRIPT]`; extra flags known to the caller are left in `rest`.
struct CommandLine {
    Options options;
    std::string script_path;  // empty: standard input
    std::string plugin_path;
    std::string svg_path;  // --svg FILE: a picture of the layout when the script has run
    bool ok = true;
    bool help = false;  // --help: the usage and the script's syntax printed, nothing run
};
CommandLine parse_command_line(int argc, char **argv, bool accepts_plugin, bool accepts_svg = false);

// Opens the script and runs it; the shared tail of every vorn-sim main.
int run_command_line(const CommandLine &command_line);

}  // namespace vorn_sim
