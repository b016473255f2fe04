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

std::string field_error(int number, const std::string &field, const std::string &wanted) {
    return "loudspeaker " + std::to_string(number) + ": \"" + field + "\" " + wanted;
}

// Follows where in the document the parser is, so that a number too large for a double
// (which the parser refuses before any loudspeaker is seen) can be blamed on its loudspeaker.
class WhereFinder final : public nlohmann::json_sax<json> {
public:
    bool null() override { return value(); }
    bool boolean(bool) override { return value(); }
    bool number_integer(number_integer_t) override { return value(); }
    bool number_unsigned(number_unsigned_t) override { return value(); }
    bool number_float(number_float_t, const string_t &) override { return value(); }
    bool string(string_t &) override { return value(); }
    bool binary(binary_t &) override { return value(); }
    bool start_object(std::size_t) override { return open(false); }
    bool key(string_t &key) override {
        frames_.back().key = key;
        return true;
    }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(true); }
    bool end_array() override { return close(); }
    bool parse_error(std::size_t, const std::string &token, const nlohmann::detail::exception &) override {
        token_ = token;
        return false;
    }

    // "loudspeaker 3: "Azimuth" 1e400 is ..." when the parser stopped inside a loudspeaker.
    std::string blame(const std::string &what) const {
        const bool in_loudspeaker = frames_.size() >= 4 && !frames_[0].array && frames_[0].key == "LoudspeakerLayout" &&
                                    !frames_[1].array && frames_[1].key == "Loudspeakers" && frames_[2].array &&
                                    !frames_[3].array;
        if (!in_loudspeaker) return "not a JSON file Vorn can read (" + token_ + " " + what + ")";
        return field_error(static_cast<int>(frames_[2].items), frames_[3].key, token_ + " " + what);
    }

private:
    struct Frame {
        bool array;
        long long items = 0;  // values begun in an array
        std::string key;      // the latest key of an object
    };

    bool value() {
        if (!frames_.empty() && frames_.back().array) ++frames_.back().items;
        return true;
    }
    bool open(bool array) {
        value();
        frames_.push_back({array, 0, {}});
        return true;
    }
    bool close() {
        frames_.pop_back();
        return true;
    }

    std::vector<Frame> frames_;
    std::string token_;
};

json parse_document(const std::string &text) {
    try {
        return json::parse(text);
    } catch (const json::parse_error &e) {
        throw LayoutError("not a JSON file (" + without_library_prefix(e.what()) + ")");
    } catch (const json::out_of_range &) {
        // A number beyond the range of a double: find out where it stands.
        WhereFinder finder;
        json::sax_parse(text, &finder);
        throw LayoutError(finder.blame("is too large for a number"));
    }
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
    const json document = parse_document(text);
    const auto layout_entry = document.is_object() ? document.find("LoudspeakerLayout") : document.end();
    if (layout_entry == document.end() || !layout_entry->is_object())
        throw LayoutError("no \"LoudspeakerLayout\" object, so not an IEM layout file");
    const auto list = layout_entry->find("Loudspeakers");
    if (list == layout_entry->end() || !list->is_array())
        throw LayoutError("\"LoudspeakerLayout\" has no \"Loudspeakers\" list");

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
        // Only a rig uses the distance: a conversion takes any file it took before.
        const auto radius = entry.find("Radius");
        if (radius != entry.end())
            loudspeaker.radius = radius->is_number() ? radius->get<double>() : std::numeric_limits<double>::quiet_NaN();
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

bool is_utf8(const std::string &text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        unsigned long code = 0;
        if (lead < 0x80) length = 1, code = lead;
        else if (lead >= 0xC2 && lead <= 0xDF) length = 2, code = lead & 0x1Fu;
        else if (lead >= 0xE0 && lead <= 0xEF) length = 3, code = lead & 0x0Fu;
        else if (lead >= 0xF0 && lead <= 0xF4) length = 4, code = lead & 0x07u;
        else return false;
        if (text.size() - i < length) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0u) != 0x80u) return false;
            code = (code << 6) | (next & 0x3Fu);
        }
        // Overlong forms, surrogates and code points beyond U+10FFFF are not UTF-8.
        if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

}  // namespace vorn_layout
