#include "layout/iem_file.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <nlohmann/json.hpp>

namespace vorn_layout {

namespace {

using nlohmann::json;

std::string without_library_prefix(const std::string &what) {
    // "[json.exception.parse_error.101] parse error at line 1, ..." -> "parse error at line 1, ..."
    const std::size_t end = what.find("] ");
    return what.rfind("[json.", 0) == 0 && end != std::string::npos ? what.substr(end + 2) : what;
}

std::string field_error(int number, const char *field, const char *wanted) {
    return "loudspeaker " + std::to_string(number) + ": \"" + field + "\" " + wanted;
}

double number_field(const json &entry, int number, const char *field, bool required, double fallback) {
    const auto it = entry.find(field);
    if (it == entry.end()) {
        if (required) throw LayoutError(field_error(number, field, "is missing"));
        return fallback;
    }
    if (!it->is_number()) throw LayoutError(field_error(number, field, "should be a number"));
    return it->get<double>();
}

long long channel_field(const json &entry, int number, bool required) {
    const auto it = entry.find("Channel");
    if (it == entry.end()) {
        if (required) throw LayoutError(field_error(number, "Channel", "is missing"));
        return 0;
    }
    if (it->is_number_unsigned()) {
        const auto value = it->get<unsigned long long>();
        return value > 1'000'000'000ULL ? 1'000'000'000LL : static_cast<long long>(value);
    }
    if (it->is_number_integer()) return std::max(it->get<long long>(), -1'000'000'000LL);
    if (it->is_number_float()) {
        const double value = it->get<double>();
        if (value != std::floor(value)) throw LayoutError(field_error(number, "Channel", "should be a whole number"));
        // Out-of-range values only need to stay out of range: the range check names them.
        return static_cast<long long>(std::clamp(value, -1e9, 1e9));
    }
    throw LayoutError(field_error(number, "Channel", "should be a whole number"));
}

}  // namespace

LoudspeakerLayout read_iem_layout(const std::string &text, const std::string &source) {
    json document;
    try {
        document = json::parse(text);
    } catch (const json::parse_error &e) {
        throw LayoutError(source + ": not a JSON file (" + without_library_prefix(e.what()) + ")");
    }
    const auto layout_entry = document.is_object() ? document.find("LoudspeakerLayout") : document.end();
    if (layout_entry == document.end() || !layout_entry->is_object())
        throw LayoutError(source + ": no \"LoudspeakerLayout\" object, so not an IEM layout file");
    const auto list = layout_entry->find("Loudspeakers");
    if (list == layout_entry->end() || !list->is_array())
        throw LayoutError(source + ": \"LoudspeakerLayout\" has no \"Loudspeakers\" list");

    LoudspeakerLayout layout;
    const auto name = layout_entry->find("Name");
    layout.name = name != layout_entry->end() && name->is_string() ? name->get<std::string>() : source;
    int number = 0;
    for (const json &entry : *list) {
        ++number;
        if (!entry.is_object()) throw LayoutError("loudspeaker " + std::to_string(number) + ": not a JSON object");
        Loudspeaker loudspeaker;
        loudspeaker.number = number;
        const auto imaginary = entry.find("IsImaginary");
        if (imaginary != entry.end()) {
            if (!imaginary->is_boolean()) throw LayoutError(field_error(number, "IsImaginary", "should be true or false"));
            loudspeaker.imaginary = imaginary->get<bool>();
        }
        loudspeaker.azimuth = number_field(entry, number, "Azimuth", true, 0);
        loudspeaker.elevation = number_field(entry, number, "Elevation", true, 0);
        loudspeaker.gain = number_field(entry, number, "Gain", false, 1);
        // Imaginary loudspeakers only shape the plug-ins' triangulation and have no output.
        loudspeaker.channel = channel_field(entry, number, !loudspeaker.imaginary);
        layout.loudspeakers.push_back(loudspeaker);
    }
    return layout;
}

std::string write_iem_layout(const LoudspeakerLayout &layout) {
    using ordered = nlohmann::ordered_json;
    ordered loudspeakers = ordered::array();
    for (const Loudspeaker &loudspeaker : layout.loudspeakers) {
        loudspeakers.push_back(ordered{{"Azimuth", loudspeaker.azimuth + 0.0},
                                       {"Elevation", loudspeaker.elevation + 0.0},
                                       {"Radius", 1.0},
                                       {"IsImaginary", false},
                                       {"Channel", loudspeaker.channel},
                                       {"Gain", 1.0}});
    }
    const ordered document{{"Name", layout.name},
                           {"Description", "Written by vorn-layout from a Vorn loudspeaker configuration"},
                           {"LoudspeakerLayout", ordered{{"Name", layout.name}, {"Loudspeakers", loudspeakers}}}};
    return document.dump(2) + "\n";
}

}  // namespace vorn_layout
