// A test-only Pd object: [vorn_probe SCRIPT TRANSCRIPT] runs a vorn-sim script against Vorn
// boxes inside a real Pd at loadbang, writes what leaves them in the vorn-sim transcript
// format, and quits Pd. The boxes are made by Pd's own object maker and wired to the probe
// with real connections, so messages take the paths they take in a patch.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "sim/script_tokens.h"

#include <m_pd.h>
// Pd's own internals, after m_pd.h: the connection call and the console hook.
extern "C" {
#include <m_imp.h>
#include <s_stuff.h>
}

namespace {

t_class *probe_class = nullptr;
t_class *sink_class = nullptr;
std::FILE *transcript = nullptr;
std::string pending_console;

void write_line(const std::string &line) {
    if (transcript) std::fprintf(transcript, "%s\n", line.c_str());
}

// Pd's console text arrives in pieces; a line is complete at its newline. Error lines come
// with Pd's own "error: " in front, which the transcript format shares.
void capture_console(const char *text) {
    pending_console += text;
    for (std::size_t end; (end = pending_console.find('\n')) != std::string::npos;) {
        std::string line = pending_console.substr(0, end);
        pending_console.erase(0, end + 1);
        write_line(line.rfind("error: ", 0) == 0 ? line : "post: " + line);
    }
}

// Floats as vorn-sim prints them: the shortest text of the value, with ".0" when it would
// otherwise look like an integer.
std::string float_text(t_float value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text - 3, static_cast<double>(value));
    *result.ptr = '\0';
    if (!std::strpbrk(text, ".en")) std::strcat(text, ".0");
    return text;
}

std::string atoms_text(int argc, const t_atom *argv) {
    std::string line;
    for (int i = 0; i < argc; ++i) {
        line += ' ';
        if (argv[i].a_type == A_FLOAT)
            line += float_text(argv[i].a_w.w_float);
        else if (argv[i].a_type == A_SYMBOL)
            line += argv[i].a_w.w_symbol->s_name;
        else
            line += '?';
    }
    return line;
}

// Receives one outlet of the box under test.
struct Sink {
    t_object header;
    int outlet;
};

void sink_anything(Sink *sink, t_symbol *selector, int argc, t_atom *argv) {
    write_line("outlet " + std::to_string(sink->outlet) + ": " + selector->s_name + atoms_text(argc, argv));
}

struct Probe {
    t_object header;
    t_symbol *script;
    t_symbol *output;
    t_outlet *to_inlet[3];
    Sink *sinks[2];
    t_object *box;
};

// Numbers as vorn-sim reads them, but every number is a float: Pd has no other kind.
t_atom atom_of(const std::string &token) {
    t_atom atom;
    char *end = nullptr;
    const double value = std::strtod(token.c_str(), &end);
    const bool digits = token.find_first_of("0123456789") != std::string::npos;
    const bool number = (end == token.c_str() + token.size() && digits) || token == "nan" || token == "inf" ||
                        token == "+inf" || token == "-inf";
    if (number && token.find_first_of("xXpP") == std::string::npos)
        SETFLOAT(&atom, static_cast<t_float>(value));
    else
        SETSYMBOL(&atom, gensym(token.c_str()));
    return atom;
}

// As a canvas does when it deletes a box: its connections go first.
void destroy_box(Probe *x) {
    if (!x->box) return;
    for (int inlet = 0; inlet < 3; ++inlet) obj_disconnect(&x->header, inlet, x->box, inlet);
    pd_free(&x->box->ob_pd);
    x->box = nullptr;
}

void create_box(Probe *x, std::vector<t_atom> arguments) {
    destroy_box(x);
    pd_typedmess(&pd_objectmaker, gensym("Vorn"), static_cast<int>(arguments.size()), arguments.data());
    t_pd *made = pd_newest();
    if (!made) return;
    x->box = pd_checkobject(made);
    for (int inlet = 0; inlet < 3; ++inlet) obj_connect(&x->header, inlet, x->box, inlet);
    for (int outlet = 0; outlet < 2; ++outlet) obj_connect(x->box, outlet, &x->sinks[outlet]->header, 0);
}

// As a message box sends it: a lone number is a float, numbers first make a list, a symbol
// first is the selector. A selector the box has no method for gets the line the stand-in
// host writes, so that transcripts of both hosts compare.
void send_message(Probe *x, int inlet, std::vector<t_atom> atoms) {
    if (inlet > 0) {
        outlet_float(x->to_inlet[inlet], atom_getfloat(&atoms[0]));
        return;
    }
    if (atoms[0].a_type == A_SYMBOL) {
        t_symbol *selector = atoms[0].a_w.w_symbol;
        const bool builtin = selector == &s_bang || selector == &s_list || selector == &s_float;
        if (!builtin && !zgetfn(&x->box->ob_pd, selector)) {
            write_line(std::string("error: doesn't understand \"") + selector->s_name + "\"");
            return;
        }
        pd_typedmess(&x->box->ob_pd, selector, static_cast<int>(atoms.size() - 1), atoms.data() + 1);
    } else if (atoms.size() > 1) {
        pd_typedmess(&x->box->ob_pd, &s_list, static_cast<int>(atoms.size()), atoms.data());
    } else {
        pd_float(&x->box->ob_pd, atom_getfloat(&atoms[0]));
    }
}

void run_script(Probe *x) {
    std::ifstream script(x->script->s_name);
    bool started = false;
    for (std::string line; std::getline(script, line);) {
        std::vector<std::string> tokens = vorn_sim::tokens_of(line);
        if (tokens.empty() || tokens[0][0] == '#') continue;
        if (!started) {
            started = true;
            if (tokens[0] != "!create") create_box(x, {atom_of("vorn")});
        }
        if (tokens[0] == "!create") {
            std::vector<t_atom> arguments;
            for (std::size_t i = 1; i < tokens.size(); ++i) arguments.push_back(atom_of(tokens[i]));
            create_box(x, arguments);
            continue;
        }
        if (tokens[0] == "!free") {
            destroy_box(x);
            continue;
        }
        // Lines vorn-sim refuses as script problems are left out here too.
        int inlet = 0;
        if (tokens[0][0] == '>') {
            const std::string digits = tokens[0].substr(1);
            if (digits.size() != 1 || digits[0] < '0' || digits[0] > '9') continue;
            inlet = digits[0] - '0';
            tokens.erase(tokens.begin());
        }
        if (!x->box || tokens.empty() || inlet < 0 || inlet > 2) continue;
        std::vector<t_atom> atoms;
        for (const std::string &token : tokens) atoms.push_back(atom_of(token));
        send_message(x, inlet, atoms);
    }
    destroy_box(x);
}

void probe_loadbang(Probe *x, t_floatarg action) {
    if (action != 0) return;  // only the patch's own load
    transcript = std::fopen(x->output->s_name, "w");
    if (!transcript) {
        pd_error(x, "vorn_probe: cannot write %s", x->output->s_name);
        return;
    }
    STUFF->st_printhook = capture_console;
    run_script(x);
    STUFF->st_printhook = nullptr;
    std::fclose(transcript);
    transcript = nullptr;
    t_pd *pd_object = gensym("pd")->s_thing;
    if (pd_object) pd_typedmess(pd_object, gensym("quit"), 0, nullptr);
}

void *probe_new(t_symbol *script, t_symbol *output) {
    Probe *x = reinterpret_cast<Probe *>(pd_new(probe_class));
    x->script = script;
    x->output = output;
    x->box = nullptr;
    for (int i = 0; i < 3; ++i) x->to_inlet[i] = outlet_new(&x->header, nullptr);
    for (int i = 0; i < 2; ++i) {
        x->sinks[i] = reinterpret_cast<Sink *>(pd_new(sink_class));
        x->sinks[i]->outlet = i;
    }
    return x;
}

void probe_free(Probe *x) {
    destroy_box(x);
    for (Sink *sink : x->sinks) pd_free(&sink->header.ob_pd);
}

template <typename Function>
Function as(auto function) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(function));
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void vorn_probe_setup(void) {
    probe_class = class_new(gensym("vorn_probe"), as<t_newmethod>(probe_new),
                            as<t_method>(probe_free), sizeof(Probe), CLASS_NOINLET, A_SYMBOL,
                            A_SYMBOL, A_NULL);
    class_addmethod(probe_class, as<t_method>(probe_loadbang), gensym("loadbang"), A_DEFFLOAT, A_NULL);
    sink_class = class_new(gensym("vorn_probe_sink"), nullptr, nullptr, sizeof(Sink), CLASS_DEFAULT, A_NULL);
    class_addanything(sink_class, as<t_method>(sink_anything));
}
