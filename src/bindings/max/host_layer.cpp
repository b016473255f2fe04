// The host layer over the Max host API.
#include "host/host.h"
#include "host/host_atoms.h"
#include "bindings/max/max_box.h"

namespace vorn::host {

namespace {

const t_atom &max_atom(const Atom &a) { return reinterpret_cast<const t_atom &>(a); }
t_symbol *max_symbol(Symbol *s) { return reinterpret_cast<t_symbol *>(s); }

t_object *object_of(const Panner *panner) {
    return panner && panner->box ? &max::box_of(panner->box)->header : nullptr;
}

}  // namespace

bool is_integer(const Atom &a) { return max_atom(a).a_type == A_LONG; }
bool is_float(const Atom &a) { return max_atom(a).a_type == A_FLOAT; }
bool is_symbol(const Atom &a) { return max_atom(a).a_type == A_SYM; }
std::int64_t integer_of(const Atom &a) { return max_atom(a).a_w.w_long; }
double float_of(const Atom &a) { return max_atom(a).a_w.w_float; }
Symbol *symbol_of(const Atom &a) { return reinterpret_cast<Symbol *>(max_atom(a).a_w.w_sym); }

Symbol *intern(const char *text) { return reinterpret_cast<Symbol *>(gensym(text)); }
const char *name_of(const Symbol *s) { return reinterpret_cast<const t_symbol *>(s)->s_name; }

void send_float(Outlet *outlet, Symbol *selector, double value) {
    t_atom atom;
    atom_setfloat(&atom, value);
    outlet_anything(outlet, max_symbol(selector), 1, &atom);
}

void send(Outlet *outlet, Symbol *selector, std::span<const Value> values) {
    t_atom atoms[longest_message];
    const std::size_t count = write_atoms(
        values, atoms, [](t_atom &a, std::int64_t v) { atom_setlong(&a, static_cast<t_atom_long>(v)); },
        [](t_atom &a, double v) { atom_setfloat(&a, v); }, [](t_atom &a, Symbol *s) { atom_setsym(&a, max_symbol(s)); });
    outlet_anything(outlet, max_symbol(selector), static_cast<short>(count), atoms);
}

void write_post(const Panner *panner, const char *line) { object_post(object_of(panner), "%s", line); }
void write_error(const Panner *panner, const char *line) { object_error(object_of(panner), "%s", line); }

void enter_region(const Panner &panner) { critical_enter(max::box_of(panner.box)->region); }
void leave_region(const Panner &panner) { critical_exit(max::box_of(panner.box)->region); }

}  // namespace vorn::host
