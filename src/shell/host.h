// The host layer: the only door between the panning logic and the host API. The logic
// uses these names; it never calls the host or names its types itself.
#pragma once

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>

#include "shell/max_api.h"

namespace vorn::host {

using Atom = t_atom;
using Symbol = t_symbol;
using ObjectHeader = t_object;
using Outlet = void;
using Inlet = void;

// The atoms of one incoming message, borrowed for the duration of the call.
struct Args {
    long count = 0;
    const Atom *atoms = nullptr;
    const Atom &operator[](long i) const { return atoms[i]; }
};

inline bool is_integer(const Atom &a) { return a.a_type == A_LONG; }
inline bool is_float(const Atom &a) { return a.a_type == A_FLOAT; }
inline bool is_number(const Atom &a) { return is_integer(a) || is_float(a); }
inline bool is_symbol(const Atom &a) { return a.a_type == A_SYM; }

inline std::int64_t integer_of(const Atom &a) { return a.a_w.w_long; }
inline double float_of(const Atom &a) { return a.a_w.w_float; }
// A number atom of either kind as a double.
inline double number_of(const Atom &a) {
    return is_integer(a) ? static_cast<double>(a.a_w.w_long) : static_cast<double>(a.a_w.w_float);
}

inline Symbol *intern(const char *text) { return gensym(text); }
inline const char *name_of(const Symbol *s) { return s->s_name; }

inline void set_float(Atom &a, double v) { atom_setfloat(&a, v); }
inline void set_integer(Atom &a, std::int64_t v) { atom_setlong(&a, static_cast<t_atom_long>(v)); }
inline void set_symbol(Atom &a, Symbol *s) { atom_setsym(&a, s); }

inline void send(Outlet *outlet, Symbol *selector, int count, Atom *atoms) {
    outlet_anything(outlet, selector, static_cast<short>(count), atoms);
}

// Console lines are formatted here so that the host sees a finished text; a line longer
// than the buffer is cut, never overrun.
constexpr std::size_t console_line_size = 1024;

inline void vpost(const void *object, const char *format, std::va_list args) {
    char line[console_line_size];
    std::vsnprintf(line, sizeof line, format, args);
    object_post(static_cast<t_object *>(const_cast<void *>(object)), "%s", line);
}

inline void verror(const void *object, const char *format, std::va_list args) {
    char line[console_line_size];
    std::vsnprintf(line, sizeof line, format, args);
    object_error(static_cast<t_object *>(const_cast<void *>(object)), "%s", line);
}

__attribute__((format(printf, 2, 3))) inline void post(const void *object, const char *format, ...) {
    std::va_list args;
    va_start(args, format);
    vpost(object, format, args);
    va_end(args);
}

__attribute__((format(printf, 2, 3))) inline void error(const void *object, const char *format, ...) {
    std::va_list args;
    va_start(args, format);
    verror(object, format, args);
    va_end(args);
}

}  // namespace vorn::host
