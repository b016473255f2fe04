// How every handler reads numbers out of message atoms.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "host/host.h"

namespace vorn {

// A NaN, or a value whose truncation leaves the 32-bit range, reads as the lowest 32-bit
// integer: every range test refuses it and no undefined conversion happens.
inline std::int32_t truncate_to_int32(double value) {
    const double t = std::trunc(value);
    if (!(t >= -2147483648.0 && t <= 2147483647.0)) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(t);
}

// An integer atom keeps its low 32 bits as a signed integer.
inline std::int32_t low_32_bits(std::int64_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// Integer atoms by their low 32 bits, float atoms truncated toward zero; anything else
// leaves `current` as it was.
inline std::int32_t read_int32(const host::Atom &atom, std::int32_t current) {
    if (host::is_integer(atom)) return low_32_bits(host::integer_of(atom));
    if (host::is_float(atom)) return truncate_to_int32(host::float_of(atom));
    return current;
}

inline double read_double(const host::Atom &atom, double current) {
    return host::is_number(atom) ? host::number_of(atom) : current;
}

// A number position that meets a symbol (or any atom that is not a number): one error line
// naming the message, the position among its arguments (from 1) and the symbol. True when
// the atom is not a number.
inline bool refused_as_number(const Panner &panner, const char *message, long index, const host::Atom &atom) {
    if (host::is_number(atom)) return false;
    if (host::is_symbol(atom))
        host::error(&panner, "%s: argument %ld is the symbol \"%s\", not a number", message, index + 1,
                    host::name_of(host::symbol_of(atom)));
    else
        host::error(&panner, "%s: argument %ld is not a number", message, index + 1);
    return true;
}

}  // namespace vorn
