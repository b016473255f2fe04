#include "sim/script_runner.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <limits>
#include <sstream>
#include <vector>

#include "standin/standin.h"

namespace vorn_sim {

namespace {

bool is_integer_token(const std::string &t) {
    std::size_t i = (t[0] == '+' || t[0] == '-') ? 1 : 0;
    if (i == t.size()) return false;
    for (; i < t.size(); ++i)
        if (t[i] < '0' || t[i] > '9') return false;
    return true;
}

// Digits with a point or an exponent (or both): 30.  .5  -1.5e3  2e-3
bool is_float_token(const std::string &t) {
    std::size_t i = (t[0] == '+' || t[0] == '-') ? 1 : 0;
    std::size_t digits = 0;
    bool point = false, exponent = false;
    for (; i < t.size() && ((t[i] >= '0' && t[i] <= '9') || t[i] == '.'); ++i) {
        if (t[i] == '.') {
            if (point) return false;
            point = true;
        } else {
            ++digits;
        }
    }
    if (digits == 0) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        exponent = true;
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        const std::size_t start = i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
        if (i == start) return false;
    }
    return i == t.size() && (point || exponent);
}

}  // namespace

bool is_number_token(const std::string &token) {
    return is_integer_token(token) || is_float_token(token) || token == "nan" || token == "inf" || token == "+inf" ||
           token == "-inf";
}

t_atom atom_of(const std::string &token) {
    t_atom atom{};
    if (is_integer_token(token)) {
        errno = 0;
        const long long value = std::strtoll(token.c_str(), nullptr, 10);
        if (errno != ERANGE) {
            atom_setlong(&atom, static_cast<t_atom_long>(value));  // a 32-bit host keeps the low bits
            return atom;
        }
        atom_setfloat(&atom, std::strtod(token.c_str(), nullptr));
        return atom;
    }
    if (is_float_token(token)) {
        atom_setfloat(&atom, std::strtod(token.c_str(), nullptr));
        return atom;
    }
    if (token == "nan") {
        atom_setfloat(&atom, std::numeric_limits<double>::quiet_NaN());
        return atom;
    }
    if (token == "inf" || token == "+inf" || token == "-inf") {
        atom_setfloat(&atom, token[0] == '-' ? -HUGE_VAL : HUGE_VAL);
        return atom;
    }
    atom_setsym(&atom, gensym(token.c_str()));
    return atom;
}

namespace {

t_atom script_atom(const std::string &token, bool single_precision) {
    t_atom atom = atom_of(token);
    if (single_precision && atom.a_type == A_FLOAT)
        atom_setfloat(&atom, static_cast<double>(static_cast<float>(atom.a_w.w_float)));
    return atom;
}

}  // namespace

bool send_tokens(void *box, std::vector<std::string> tokens, std::string &problem, bool single_precision) {
    long inlet = 0;
    if (!tokens.empty() && tokens[0][0] == '>') {
        const std::string digits = tokens[0].substr(1);
        if (digits.empty() || !is_integer_token(digits) || digits[0] == '+' || digits[0] == '-') {
            problem = "bad inlet " + tokens[0];
            return false;
        }
        inlet = std::strtol(digits.c_str(), nullptr, 10);
        tokens.erase(tokens.begin());
    }
    std::vector<t_atom> atoms;
    for (const std::string &token : tokens) atoms.push_back(script_atom(token, single_precision));
    return send_atoms(box, inlet, atoms, problem);
}

bool send_atoms(void *box, long inlet, std::vector<t_atom> &atoms, std::string &problem) {
    if (atoms.empty()) {
        problem = "nothing to send";
        return false;
    }
    // The host's message box: a lone number is "int" or "float", numbers first make a "list".
    t_symbol *selector;
    std::size_t first = 0;
    if (atoms[0].a_type == A_SYM) {
        selector = atoms[0].a_w.w_sym;
        first = 1;
    } else if (atoms.size() > 1) {
        selector = gensym("list");
    } else {
        selector = gensym(atoms[0].a_type == A_LONG ? "int" : "float");
    }
    const int result =
        standin_send(box, inlet, selector, static_cast<long>(atoms.size() - first), atoms.data() + first);
    if (result == STANDIN_NO_SUCH_INLET) problem = "the box has no inlet " + std::to_string(inlet);
    if (result == STANDIN_INLET_TAKES_NUMBERS) problem = "inlet " + std::to_string(inlet) + " takes one number";
    return result == STANDIN_SENT;
}

namespace {

void print_line(void *context, const char *line) {
    std::printf("%s\n", line);
    if (Observer *observer = static_cast<Observer *>(context)) observer->transcript_line(line);
}

class Runner {
public:
    explicit Runner(const Options &options) : options_(options) { standin_set_sink(print_line, options.observer); }
    ~Runner() { destroy(); }

    void end() {
        if (!options_.observer) return;
        options_.observer->script_ended(box_);
        standin_set_sink(print_line, options_.observer);  // the observer may have listened for itself
    }

    void line(std::size_t number, const std::string &text) {
        number_ = number;
        std::vector<std::string> tokens = tokens_of(text);
        if (tokens.empty() || tokens[0][0] == '#') return;
        if (!started_) {
            started_ = true;
            if (tokens[0] != "!create") create({options_.context});
        }
        if (tokens[0][0] == '!') return directive(tokens);
        message(tokens);
    }

    int status() const { return status_; }

private:
    void problem(const std::string &what) {
        std::fflush(stdout);
        std::fprintf(stderr, "vorn-sim: line %zu: %s\n", number_, what.c_str());
        status_ = 1;
    }

    void destroy() {
        if (box_) standin_destroy(box_);
        box_ = nullptr;
    }

    void create(const std::vector<std::string> &arguments) {
        destroy();
        std::vector<t_atom> atoms;
        for (const std::string &token : arguments) atoms.push_back(script_atom(token, options_.single_precision));
        box_ = standin_create(options_.class_name.c_str(), static_cast<long>(atoms.size()), atoms.data());
        if (box_ && options_.observer) options_.observer->box_created();
    }

    void directive(const std::vector<std::string> &tokens) {
        const std::string &name = tokens[0];
        if (name == "!create") return create(std::vector<std::string>(tokens.begin() + 1, tokens.end()));
        if (name == "!free") {
            if (!box_) return problem("!free without a box");
            return destroy();
        }
        if (name == "!assist") {
            if (tokens.size() != 3 || (tokens[1] != "inlet" && tokens[1] != "outlet") || !is_integer_token(tokens[2]))
                return problem("usage: !assist inlet N | !assist outlet N");
            if (!box_) return problem("no box to ask");
            char text[512] = "";
            standin_assist(box_, tokens[1] == "inlet" ? ASSIST_INLET : ASSIST_OUTLET,
                           std::strtol(tokens[2].c_str(), nullptr, 10), text);
            std::printf("assist: %s\n", text);
            return;
        }
        problem("unknown directive " + name);
    }

    void message(const std::vector<std::string> &tokens) {
        if (!box_) return problem("no box to send to");
        std::string what;
        if (!send_tokens(box_, tokens, what, options_.single_precision)) return problem(what);
        if (options_.observer) options_.observer->message_sent(tokens);
    }

    const Options &options_;
    void *box_ = nullptr;
    bool started_ = false;
    std::size_t number_ = 0;
    int status_ = 0;
};

}  // namespace

int run_script(std::istream &script, const Options &options) {
    Runner runner(options);
    std::string text;
    for (std::size_t number = 1; std::getline(script, text); ++number) runner.line(number, text);
    runner.end();
    const int status = runner.status();
    return status;
}

CommandLine parse_command_line(int argc, char **argv, bool accepts_plugin, bool accepts_svg) {
    CommandLine result;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            result.help = true;
        } else if (arg == "--context" && i + 1 < argc) {
            result.options.context = argv[++i];
        } else if (arg == "--single-precision") {
            result.options.single_precision = true;
        } else if (accepts_plugin && arg == "--plugin" && i + 1 < argc) {
            result.plugin_path = argv[++i];
        } else if (accepts_svg && arg == "--svg" && i + 1 < argc) {
            result.svg_path = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            result.ok = false;
        } else if (result.script_path.empty()) {
            result.script_path = arg;
        } else {
            result.ok = false;
        }
    }
    std::FILE *to = result.help ? stdout : stderr;
    if (!result.ok || result.help)
        std::fprintf(to, "usage: vorn-sim [--context NAME] [--single-precision]%s%s [SCRIPT]\n",
                     accepts_plugin ? " [--plugin PATH]" : "", accepts_svg ? " [--svg FILE]" : "");
    if (result.help)
        std::fputs("Runs SCRIPT (a file; none or - reads standard input) against one Vorn box and prints what\n"
                   "leaves it: \"outlet N: ...\", \"post: ...\" and \"error: ...\" lines.\n"
                   "A script has one message a line, as a message box sends it:\n"
                   "  setup 0 30                 a message to the left inlet\n"
                   "  45.                        a float to the left inlet (the azimuth); 45 alone is an int\n"
                   "  >1 20.                     a float to inlet 1 (the elevation); >2 to inlet 2 (the gain)\n"
                   "  !create hall               a new box with these arguments (else one is made with the context)\n"
                   "  !free                      frees the box\n"
                   "  !assist inlet 0            the help text of an inlet or outlet\n"
                   "  # a comment                lines starting with # and blank lines are skipped\n"
                   "  --context NAME             the context of the box made without !create (default vorn)\n"
                   "  --single-precision         float atoms rounded to single precision, as Pd carries them\n",
                   to);
    return result;
}

int run_command_line(const CommandLine &command_line) {
    int status;
    if (command_line.script_path.empty() || command_line.script_path == "-") {
        status = run_script(std::cin, command_line.options);
    } else {
        std::ifstream file(command_line.script_path);
        if (!file) {
            std::fprintf(stderr, "vorn-sim: cannot read %s\n", command_line.script_path.c_str());
            return 1;
        }
        status = run_script(file, command_line.options);
    }
    std::fflush(stdout);
    return status;
}

}  // namespace vorn_sim
