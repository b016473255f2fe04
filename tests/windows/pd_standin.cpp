// A stand-in pd.dll for the Windows Pd external: the few Pd functions Vorn calls (cmake/pd.def),
// enough to load Vorn.m_amd64 under wine and run a vorn-sim script against it, as
// tests/pd/vorn_probe does in a real Pd. standin_run_pd is its driver. Not Pd: one class at a
// time, no canvas, messages dispatched by the rules a Pd message box follows.
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#define PD_INTERNAL
#include <m_pd.h>

#include "sim/script_tokens.h"

// m_pd.h wraps these two in casting macros, which would rewrite their definitions below.
#undef class_addbang
#undef class_addlist

t_symbol s_ = {const_cast<char *>(""), nullptr, nullptr};
t_symbol s_float = {const_cast<char *>("float"), nullptr, nullptr};
t_symbol s_list = {const_cast<char *>("list"), nullptr, nullptr};

// Pd's class record is its own; Vorn sees only a pointer to it.
struct _class {
    t_newmethod create = nullptr;
    t_method destroy = nullptr;
    std::size_t size = 0;
    t_method bang = nullptr, number = nullptr, list = nullptr;
    struct Method {
        t_method function;
        t_atomtype argument;  // A_NULL, A_DEFFLOAT or A_GIMME
    };
    std::map<t_symbol *, Method> methods;
};
struct _outlet {
    int index;
};
struct _inlet {
    t_symbol *selector;
};

namespace {

std::FILE *transcript = stdout;
std::map<std::string, std::unique_ptr<t_symbol>> symbols;
std::vector<std::unique_ptr<_inlet>> inlets;
std::vector<std::unique_ptr<_outlet>> outlets;
std::vector<std::unique_ptr<_class>> classes;

std::string float_text(t_float value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text - 3, static_cast<double>(value));
    *result.ptr = '\0';
    if (!std::strpbrk(text, ".en")) std::strcat(text, ".0");
    return text;
}

void print_line(const char *prefix, const char *format, std::va_list args) {
    char text[4096];
    std::vsnprintf(text, sizeof text, format, args);
    std::fprintf(transcript, "%s%s\n", prefix, text);
}

}  // namespace

extern "C" {

EXTERN t_symbol *gensym(const char *name) {
    // Pd's own symbols come back for their names, as Pd interns them first.
    for (t_symbol *own : {&s_, &s_float, &s_list})
        if (std::strcmp(name, own->s_name) == 0) return own;
    auto &slot = symbols[name];
    if (!slot) {
        slot = std::make_unique<t_symbol>();
        slot->s_name = const_cast<char *>(symbols.find(name)->first.c_str());
    }
    return slot.get();
}

EXTERN t_class *class_new(t_symbol *, t_newmethod create, t_method destroy, size_t size, int, t_atomtype, ...) {
    classes.push_back(std::make_unique<_class>());
    classes.back()->create = create;
    classes.back()->destroy = destroy;
    classes.back()->size = size;
    return classes.back().get();
}

EXTERN void class_addmethod(t_class *c, t_method function, t_symbol *selector, t_atomtype argument, ...) {
    c->methods[selector] = {function, argument};
}
EXTERN void class_addbang(t_class *c, t_method function) { c->bang = function; }
EXTERN void class_addlist(t_class *c, t_method function) { c->list = function; }
EXTERN void class_doaddfloat(t_class *c, t_method function) { c->number = function; }

EXTERN t_pd *pd_new(t_class *c) {
    auto *x = static_cast<t_pd *>(std::calloc(1, c->size));
    if (x) *x = c;
    return x;
}

EXTERN t_inlet *inlet_new(t_object *, t_pd *, t_symbol *, t_symbol *selector) {
    inlets.push_back(std::make_unique<_inlet>(_inlet{selector}));
    return inlets.back().get();
}

EXTERN t_outlet *outlet_new(t_object *, t_symbol *) {
    outlets.push_back(std::make_unique<_outlet>(_outlet{static_cast<int>(outlets.size())}));
    return outlets.back().get();
}

EXTERN void outlet_anything(t_outlet *outlet, t_symbol *selector, int argc, t_atom *argv) {
    std::string line = "outlet " + std::to_string(outlet->index) + ": " + selector->s_name;
    for (int i = 0; i < argc; ++i)
        line += ' ' + (argv[i].a_type == A_FLOAT ? float_text(argv[i].a_w.w_float)
                                                 : std::string(argv[i].a_w.w_symbol->s_name));
    std::fprintf(transcript, "%s\n", line.c_str());
}

EXTERN void post(const char *format, ...) {
    std::va_list args;
    va_start(args, format);
    print_line("post: ", format, args);
    va_end(args);
}

EXTERN void pd_error(const void *, const char *format, ...) {
    std::va_list args;
    va_start(args, format);
    print_line("error: ", format, args);
    va_end(args);
}

}  // extern "C"

namespace {

// The handlers' types, by what Pd passes them.
using plain_handler = void (*)(t_pd *);
using float_handler = void (*)(t_pd *, t_floatarg);
using atoms_handler = void (*)(t_pd *, t_symbol *, int, t_atom *);

template <typename Handler>
Handler as(auto function) {
    return reinterpret_cast<Handler>(reinterpret_cast<void (*)()>(function));
}

t_float float_of(const t_atom &a) { return a.a_type == A_FLOAT ? a.a_w.w_float : 0; }

t_atom atom_of(const std::string &token) {
    t_atom atom;
    char *end = nullptr;
    const double value = std::strtod(token.c_str(), &end);
    if (end == token.c_str() + token.size() && token.find_first_of("0123456789") != std::string::npos &&
        token.find_first_of("xXpP") == std::string::npos)
        SETFLOAT(&atom, static_cast<t_float>(value));
    else
        SETSYMBOL(&atom, gensym(token.c_str()));
    return atom;
}

struct Box {
    t_class *c = nullptr;
    t_pd *x = nullptr;
};

void destroy(Box &box) {
    if (!box.x) return;
    if (box.c->destroy) as<plain_handler>(box.c->destroy)(box.x);
    std::free(box.x);
    box.x = nullptr;
    inlets.clear();
    outlets.clear();
}

void create(Box &box, std::vector<t_atom> arguments) {
    destroy(box);
    using creator = void *(*)(t_symbol *, int, t_atom *);
    box.x = static_cast<t_pd *>(as<creator>(box.c->create)(gensym("Vorn"), static_cast<int>(arguments.size()), arguments.data()));
}

// As a message box sends it: a lone number is a float, numbers first make a list, a symbol
// first is the selector; side inlets turn a number into their own selector.
void send(Box &box, int inlet, std::vector<t_atom> atoms) {
    t_class *c = box.c;
    if (inlet > 0) {
        if (inlet > static_cast<int>(inlets.size())) return;
        const auto found = c->methods.find(inlets[inlet - 1]->selector);
        if (found != c->methods.end()) as<float_handler>(found->second.function)(box.x, float_of(atoms[0]));
        return;
    }
    t_symbol *selector = atoms[0].a_type == A_SYMBOL ? atoms[0].a_w.w_symbol : nullptr;
    if (selector) atoms.erase(atoms.begin());
    if (!selector && atoms.size() == 1) selector = &s_float;
    if (!selector) selector = &s_list;
    if (selector == &s_float && c->number) {
        as<float_handler>(c->number)(box.x, atoms.empty() ? 0 : float_of(atoms[0]));
    } else if (selector == &s_list && c->list) {
        as<atoms_handler>(c->list)(box.x, &s_list, static_cast<int>(atoms.size()), atoms.data());
    } else if (selector == gensym("bang") && c->bang) {
        as<plain_handler>(c->bang)(box.x);
    } else if (const auto found = c->methods.find(selector); found != c->methods.end()) {
        const auto &method = found->second;
        if (method.argument == A_GIMME)
            as<atoms_handler>(method.function)(box.x, selector, static_cast<int>(atoms.size()), atoms.data());
        else if (method.argument == A_DEFFLOAT)
            as<float_handler>(method.function)(box.x, atoms.empty() ? 0 : float_of(atoms[0]));
        else
            as<plain_handler>(method.function)(box.x);
    } else {
        std::fprintf(transcript, "error: doesn't understand \"%s\"\n", selector->s_name);
    }
}

}  // namespace

// Loads EXTERNAL, calls its setup function and runs SCRIPT against one box, the transcript
// to OUTPUT. 0 when the script ran.
extern "C" __declspec(dllexport) int standin_run_pd(const char *external, const char *script, const char *output) {
    HMODULE module = LoadLibraryA(external);
    const auto setup = module ? as<void (*)()>(GetProcAddress(module, "Vorn_setup")) : nullptr;
    if (!setup) {
        std::fprintf(stderr, "cannot load %s or find its Vorn_setup (error %lu)\n", external, GetLastError());
        return 1;
    }
    setup();
    std::ifstream lines(script);
    transcript = std::fopen(output, "wb");
    if (!lines || !transcript || classes.size() != 1) return 1;
    Box box{classes.front().get(), nullptr};
    bool started = false;
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> tokens = vorn_sim::tokens_of(line);
        if (tokens.empty() || tokens[0][0] == '#') continue;
        if (!started) {
            started = true;
            if (tokens[0] != "!create") create(box, {atom_of("vorn")});
        }
        if (tokens[0] == "!create" || tokens[0] == "!free") {
            std::vector<t_atom> arguments;
            for (std::size_t i = 1; i < tokens.size(); ++i) arguments.push_back(atom_of(tokens[i]));
            if (tokens[0] == "!free") destroy(box);
            else create(box, arguments);
            continue;
        }
        int inlet = 0;
        if (tokens[0][0] == '>') {
            if (tokens[0].size() != 2 || tokens[0][1] < '0' || tokens[0][1] > '9') continue;
            inlet = tokens[0][1] - '0';
            tokens.erase(tokens.begin());
        }
        if (!box.x || tokens.empty() || inlet > 2) continue;
        std::vector<t_atom> atoms;
        for (const std::string &token : tokens) atoms.push_back(atom_of(token));
        send(box, inlet, atoms);
    }
    destroy(box);
    std::fclose(transcript);
    return 0;
}
