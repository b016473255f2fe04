// The host layer over Pd's API. Pd's atoms carry single-precision floats only.
#include <cmath>

#include "host/host.h"
#include "host/host_atoms.h"
#include "bindings/pd/pd_box.h"

namespace vorn::host {

namespace {

const t_atom &pd_atom(const Atom &a) { return reinterpret_cast<const t_atom &>(a); }
t_symbol *pd_symbol(Symbol *s) { return reinterpret_cast<t_symbol *>(s); }

// Where the logic reads an integer, an integral float counts as one; the range is checked
// first, so no conversion can overflow, and anything else keeps the float rules.
bool integral(const t_atom &a) {
    if (a.a_type != A_FLOAT) return false;
    const double v = a.a_w.w_float;
    return v >= -2147483648.0 && v <= 2147483647.0 && std::trunc(v) == v;
}

}  // namespace

bool is_integer(const Atom &a) { return integral(pd_atom(a)); }
bool is_float(const Atom &a) { return pd_atom(a).a_type == A_FLOAT && !integral(pd_atom(a)); }
bool is_symbol(const Atom &a) { return pd_atom(a).a_type == A_SYMBOL; }
std::int64_t integer_of(const Atom &a) {
    return integral(pd_atom(a)) ? static_cast<std::int64_t>(pd_atom(a).a_w.w_float) : 0;
}
double float_of(const Atom &a) { return pd_atom(a).a_type == A_FLOAT ? pd_atom(a).a_w.w_float : 0.0; }
Symbol *symbol_of(const Atom &a) {
    return reinterpret_cast<Symbol *>(pd_atom(a).a_type == A_SYMBOL ? pd_atom(a).a_w.w_symbol : &s_);
}

Symbol *intern(const char *text) { return reinterpret_cast<Symbol *>(gensym(text)); }
const char *name_of(const Symbol *s) { return reinterpret_cast<const t_symbol *>(s)->s_name; }

void send_float(Outlet *outlet, Symbol *selector, double value) {
    t_atom atom;
    SETFLOAT(&atom, static_cast<t_float>(value));
    outlet_anything(reinterpret_cast<t_outlet *>(outlet), pd_symbol(selector), 1, &atom);
}

void send(Outlet *outlet, Symbol *selector, std::span<const Value> values) {
    t_atom atoms[longest_message];
    const std::size_t count = write_atoms(
        values, atoms, [](t_atom &a, std::int64_t v) { SETFLOAT(&a, static_cast<t_float>(v)); },
        [](t_atom &a, double v) { SETFLOAT(&a, static_cast<t_float>(v)); },
        [](t_atom &a, Symbol *s) { SETSYMBOL(&a, pd_symbol(s)); });
    outlet_anything(reinterpret_cast<t_outlet *>(outlet), pd_symbol(selector), static_cast<int>(count), atoms);
}

void write_post(const Panner *, const char *line) { ::post("%s", line); }

// With the box as the source, Pd's "find last error" leads to it.
void write_error(const Panner *panner, const char *line) {
    pd_error(panner && panner->box ? static_cast<const void *>(pd::box_of(panner->box)) : nullptr, "%s", line);
}

// Pd calls a box from one thread only.
void enter_region(const Panner &) {}
void leave_region(const Panner &) {}

}  // namespace vorn::host
