// For the host layers only: an outgoing message's values written into the host's own atoms.
#pragma once

#include <cstddef>
#include <span>

#include "host/host.h"

namespace vorn::host {

// The longest message the object sends: a mask-editor cell.
constexpr std::size_t longest_message = 8;

// Writes at most longest_message values through the host's setters; returns how many.
template <typename HostAtom, typename SetInteger, typename SetReal, typename SetSymbol>
std::size_t write_atoms(std::span<const Value> values, HostAtom (&atoms)[longest_message], SetInteger set_integer,
                        SetReal set_real, SetSymbol set_symbol) {
    const std::size_t count = values.size() < longest_message ? values.size() : longest_message;
    for (std::size_t i = 0; i < count; ++i) {
        const Value &v = values[i];
        if (v.kind == Value::Kind::integer)
            set_integer(atoms[i], v.integer);
        else if (v.kind == Value::Kind::real)
            set_real(atoms[i], v.real);
        else
            set_symbol(atoms[i], v.symbol);
    }
    return count;
}

}  // namespace vorn::host
