#include <charconv>
#include <cstring>

#include "standin.h"

namespace {

void append_point_zero(char *text, std::size_t length, std::size_t size) {
    if (std::strpbrk(text, ".en")) return;  // already shows it is a float (or inf/nan)
    if (length + 2 < size) std::memcpy(text + length, ".0", 3);
}

}  // namespace

extern "C" void standin_format_atom(const t_atom *atom, char *dest, std::size_t size) {
    if (size == 0) return;
    char *end = dest + size - 1;
    std::to_chars_result r{dest, std::errc{}};
    switch (atom->a_type) {
    case A_LONG:
        r = std::to_chars(dest, end, static_cast<long long>(atom->a_w.w_long));
        break;
    case A_FLOAT: {
        r = std::to_chars(dest, end, static_cast<double>(atom->a_w.w_float));
        if (r.ec == std::errc{}) {
            *r.ptr = '\0';
            append_point_zero(dest, static_cast<std::size_t>(r.ptr - dest), size);
            return;
        }
        break;
    }
    case A_SYM:
        std::strncpy(dest, atom->a_w.w_sym ? atom->a_w.w_sym->s_name : "", size - 1);
        dest[size - 1] = '\0';
        return;
    default:
        std::strncpy(dest, "?", size);
        return;
    }
    *(r.ec == std::errc{} ? r.ptr : dest) = '\0';
}
