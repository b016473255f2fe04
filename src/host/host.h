// The host layer: the only door between the panning logic and a host. The logic uses these
// names and never a host's own types or headers; each host (Max, Pd) implements them in its
// binding folder, and the build links exactly one implementation.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <span>

namespace vorn {
struct Panner;
}

namespace vorn::host {

// The host's own records, opaque to the logic. A Box is the host's record of one box, which
// holds the Panner.
struct Box;
struct Atom;
struct Symbol;
struct Outlet;
struct Inlet;

// The atoms of one incoming message, borrowed for the duration of the call. The stride is
// the host's atom size, which differs between hosts and widths.
struct Args {
    long count = 0;
    const void *first = nullptr;
    std::size_t stride = 0;

    const Atom &operator[](long i) const {
        return *reinterpret_cast<const Atom *>(static_cast<const char *>(first) + static_cast<std::size_t>(i) * stride);
    }
    Args tail(long skip) const {
        return Args{count - skip, static_cast<const char *>(first) + static_cast<std::size_t>(skip) * stride, stride};
    }
};

// A host with integer atoms answers by the tag. A host whose atoms carry only floats counts
// an integral float within the 32-bit range as an integer, so the same patch text works.
bool is_integer(const Atom &a);
bool is_float(const Atom &a);
bool is_symbol(const Atom &a);
inline bool is_number(const Atom &a) { return is_integer(a) || is_float(a); }
std::int64_t integer_of(const Atom &a);
double float_of(const Atom &a);
Symbol *symbol_of(const Atom &a);
// A number atom of either kind as a double.
inline double number_of(const Atom &a) { return is_integer(a) ? static_cast<double>(integer_of(a)) : float_of(a); }

Symbol *intern(const char *text);
const char *name_of(const Symbol *s);

// One atom of an outgoing message, in the logic's own terms.
struct Value {
    enum class Kind : std::uint8_t { integer, real, symbol } kind;
    union {
        std::int64_t integer;
        double real;
        Symbol *symbol;
    };
    static Value of_integer(std::int64_t v) {
        Value value;
        value.kind = Kind::integer;
        value.integer = v;
        return value;
    }
    static Value of_real(double v) {
        Value value;
        value.kind = Kind::real;
        value.real = v;
        return value;
    }
    static Value of_symbol(Symbol *s) {
        Value value;
        value.kind = Kind::symbol;
        value.symbol = s;
        return value;
    }
};

// Both leave at once and may come back into the box, or reach another, before they return;
// only the outbox (outbox.h) calls them, with the box's region left.
void send_float(Outlet *outlet, Symbol *selector, double value);
void send(Outlet *outlet, Symbol *selector, std::span<const Value> values);

// One finished console line each, written at once, for the box of this Panner (none: a line
// with no box).
void write_post(const Panner *panner, const char *line);
void write_error(const Panner *panner, const char *line);

// The box's critical region, where the host calls a box from more than one thread (Max);
// elsewhere they do nothing.
void enter_region(const Panner &panner);
void leave_region(const Panner &panner);

// One console line each, queued behind the box's messages (outbox.cpp); a line with no box
// is written at once.
void vpost(const Panner *panner, const char *format, std::va_list args);
void verror(const Panner *panner, const char *format, std::va_list args);

__attribute__((format(printf, 2, 3))) inline void post(const Panner *panner, const char *format, ...) {
    std::va_list args;
    va_start(args, format);
    vpost(panner, format, args);
    va_end(args);
}

__attribute__((format(printf, 2, 3))) inline void error(const Panner *panner, const char *format, ...) {
    std::va_list args;
    va_start(args, format);
    verror(panner, format, args);
    va_end(args);
}

// Console lines are formatted by the layer so the host sees a finished text; a longer line
// is cut, never overrun.
constexpr std::size_t console_line_size = 1024;

}  // namespace vorn::host
