// Messages as a user names them: a float in a side inlet by its inlet ("a float in the
// middle inlet"), not by the selector the host gives it; Max's int as the integer form of the
// azimuth, told beside the float it stands for rather than as a message of its own.
#pragma once

#include <iterator>
#include <string>
#include <string_view>

#include "box/interface_table.h"

namespace vorn_docs {

inline const char *inlet_side(int inlet) {
    constexpr const char *sides[] = {"left", "middle", "right"};
    const int last = static_cast<int>(std::size(vorn::box_interface::inlets)) - 1;
    if (inlet == 0) return sides[0];
    return inlet == last ? sides[2] : sides[1];
}

inline bool is_side_inlet_float(const vorn::box_interface::Message &message) { return message.inlet != 0; }

// Listed under the float it stands for.
inline bool is_integer_form(const vorn::box_interface::Message &message) {
    return message.arguments == vorn::box_interface::Arguments::one_integer;
}

// A row of its own in a table of messages.
inline bool listed(const vorn::box_interface::Message &message) {
    return message.arguments != vorn::box_interface::Arguments::host_only && !is_integer_form(message);
}

inline std::string user_name(const vorn::box_interface::Message &message) {
    if (is_side_inlet_float(message)) return std::string("a float in the ") + inlet_side(message.inlet) + " inlet";
    return message.selector;
}

// The int written as this float is (the same inlet and synopsis), if the table has one.
inline const vorn::box_interface::Message *integer_form_of(const vorn::box_interface::Message &message) {
    if (message.arguments != vorn::box_interface::Arguments::one_float) return nullptr;
    for (const vorn::box_interface::Message &other : vorn::box_interface::messages)
        if (is_integer_form(other) && other.inlet == message.inlet &&
            std::string_view(other.synopsis) == message.synopsis)
            return &other;
    return nullptr;
}

// The message's description, with its integer form's when it has one.
inline std::string full_description(const vorn::box_interface::Message &message) {
    std::string out = message.description;
    if (const vorn::box_interface::Message *integer = integer_form_of(message)) {
        out.append(" An int does the same");
        out.append(integer->in_pd ? "" : " (Max only; Pd has no integers)");
        out.append(": ").append(integer->digest).append(". ").append(integer->description);
    }
    return out;
}

}  // namespace vorn_docs
