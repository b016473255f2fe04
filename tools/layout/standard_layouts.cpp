#include "layout/standard_layouts.h"

#include <charconv>
#include <cmath>
#include <set>

namespace vorn_layout {

namespace {

struct Position {
    const char *label;
    double azimuth;
    double elevation;
    bool lfe;
};

struct StandardLayout {
    const char *name;
    std::vector<Position> positions;
};

constexpr Position lfe{"LFE", 0, 0, true};

// Directions of the ITU-R BS.775 / BS.2051 nominal positions, in channel order; quad at the
// corners; the .2 layouts and 9.1.6 as Dolby's home and studio recommendations place them
// (top middle at 90, the height ring at 45, front wides at 60).
const std::vector<StandardLayout> &standard_layouts() {
    static const std::vector<StandardLayout> table{
        {"stereo", {{"L", 30, 0, false}, {"R", -30, 0, false}}},
        {"quad", {{"L", 45, 0, false}, {"R", -45, 0, false}, {"Ls", 135, 0, false}, {"Rs", -135, 0, false}}},
        {"5.1",
         {{"L", 30, 0, false}, {"R", -30, 0, false}, {"C", 0, 0, false}, lfe, {"Ls", 110, 0, false},
          {"Rs", -110, 0, false}}},
        {"7.1",
         {{"L", 30, 0, false}, {"R", -30, 0, false}, {"C", 0, 0, false}, lfe, {"Lss", 90, 0, false},
          {"Rss", -90, 0, false}, {"Lrs", 135, 0, false}, {"Rrs", -135, 0, false}}},
        {"5.1.2",
         {{"L", 30, 0, false}, {"R", -30, 0, false}, {"C", 0, 0, false}, lfe, {"Ls", 110, 0, false},
          {"Rs", -110, 0, false}, {"Ltm", 90, 45, false}, {"Rtm", -90, 45, false}}},
        {"7.1.2",
         {{"L", 30, 0, false}, {"R", -30, 0, false}, {"C", 0, 0, false}, lfe, {"Ls", 110, 0, false},
          {"Rs", -110, 0, false}, {"Lb", 135, 0, false}, {"Rb", -135, 0, false}, {"Ltm", 90, 45, false},
          {"Rtm", -90, 45, false}}},
        {"5.1.4",
         {{"L", 30, 0, false}, {"R", -30, 0, false}, {"C", 0, 0, false}, lfe, {"Ls", 110, 0, false},
          {"Rs", -110, 0, false}, {"Ltf", 30, 45, false}, {"Rtf", -30, 45, false}, {"Ltr", 110, 45, false},
          {"Rtr", -110, 45, false}}},
        {"7.1.4",
         {{"L", 30, 0, false}, {"R", -30, 0, false}, {"C", 0, 0, false}, lfe, {"Ls", 110, 0, false},
          {"Rs", -110, 0, false}, {"Lb", 135, 0, false}, {"Rb", -135, 0, false}, {"Ltf", 30, 45, false},
          {"Rtf", -30, 45, false}, {"Ltr", 110, 45, false}, {"Rtr", -110, 45, false}}},
        {"9.1.6",
         {{"L", 30, 0, false}, {"R", -30, 0, false}, {"C", 0, 0, false}, lfe, {"Lss", 90, 0, false},
          {"Rss", -90, 0, false}, {"Lrs", 135, 0, false}, {"Rrs", -135, 0, false}, {"Lw", 60, 0, false},
          {"Rw", -60, 0, false}, {"Ltf", 45, 45, false}, {"Rtf", -45, 45, false}, {"Ltm", 90, 45, false},
          {"Rtm", -90, 45, false}, {"Ltr", 135, 45, false}, {"Rtr", -135, 45, false}}},
        {"22.2",
         {{"FL", 45, 0, false},      {"FR", -45, 0, false},     {"FC", 0, 0, false},
          {"BL", 135, 0, false},     {"BR", -135, 0, false},    {"FLc", 15, 0, false},
          {"FRc", -15, 0, false},    {"SiL", 90, 0, false},     {"SiR", -90, 0, false},
          {"BC", 180, 0, false},     {"TpFL", 45, 45, false},   {"TpFR", -45, 45, false},
          {"TpFC", 0, 45, false},    {"TpBL", 135, 45, false},  {"TpBR", -135, 45, false},
          {"TpSiL", 90, 45, false},  {"TpSiR", -90, 45, false}, {"TpBC", 180, 45, false},
          {"TpC", 0, 90, false},     {"BtFL", 45, -30, false},  {"BtFR", -45, -30, false},
          {"BtFC", 0, -30, false},   {"LFE1", 90, 0, true},     {"LFE2", -90, 0, true}}},
    };
    return table;
}

struct Ring {
    long long count;
    double elevation;
    double start = 0;  // the azimuth of the ring's first loudspeaker
};

// The whole text must be the number; from_chars accepts no leading '+'.
template <typename T>
bool parse_number(const std::string &text, T &value) {
    const char *first = text.data();
    const char *last = first + text.size();
    if (first != last && *first == '+') ++first;
    const auto result = std::from_chars(first, last, value);
    return first != last && result.ec == std::errc() && result.ptr == last;
}

Ring parse_ring(const std::string &item) {
    if (item == "zenith") return {1, 90};
    const std::size_t at = item.find('@');
    const std::size_t second = at == std::string::npos ? at : item.find('@', at + 1);
    Ring ring{};
    if (at == std::string::npos || !parse_number(item.substr(0, at), ring.count) ||
        !parse_number(item.substr(at + 1, second == std::string::npos ? second : second - at - 1), ring.elevation) ||
        (second != std::string::npos && !parse_number(item.substr(second + 1), ring.start)))
        throw LayoutError("\"" + item +
                          "\" should be N@ELEVATION or N@ELEVATION@START (a ring of N loudspeakers, the first at "
                          "azimuth START) or zenith");
    if (!std::isfinite(ring.start)) throw LayoutError("start azimuth " + number_text(ring.start) + " is not a number");
    if (ring.count < 1) throw LayoutError("a ring needs at least one loudspeaker (\"" + item + "\")");
    if (!(ring.elevation >= -90 && ring.elevation <= 90))
        throw LayoutError("elevation " + number_text(ring.elevation) + " is outside -90..90");
    return ring;
}

LoudspeakerLayout layout_of_rings(const std::string &name, const std::vector<Ring> &rings) {
    LoudspeakerLayout layout{name, {}};
    long long total = 0;
    std::set<double> elevations;
    for (const Ring &ring : rings) {
        if (!elevations.insert(ring.elevation).second)
            throw LayoutError("two rings at elevation " + number_text(ring.elevation));
        total += ring.count;
        if (total > 2048) throw LayoutError("more than 2048 loudspeakers");
    }
    for (const Ring &ring : rings) {
        for (long long k = 0; k < ring.count; ++k) {
            Loudspeaker loudspeaker;
            double azimuth = std::fmod(ring.start + static_cast<double>(k) * 360.0 / static_cast<double>(ring.count), 360.0);
            if (azimuth < 0) azimuth += 360;
            loudspeaker.azimuth = azimuth > 180 ? azimuth - 360 : azimuth;
            loudspeaker.elevation = ring.elevation;
            loudspeaker.number = static_cast<int>(layout.loudspeakers.size()) + 1;
            loudspeaker.channel = loudspeaker.number;
            layout.loudspeakers.push_back(loudspeaker);
        }
    }
    return layout;
}

}  // namespace

std::optional<LoudspeakerLayout> named_layout(const std::string &name) {
    for (const StandardLayout &standard : standard_layouts()) {
        if (name != standard.name) continue;
        LoudspeakerLayout layout{name, {}};
        for (const Position &position : standard.positions) {
            Loudspeaker loudspeaker;
            loudspeaker.azimuth = position.azimuth;
            loudspeaker.elevation = position.elevation;
            loudspeaker.lfe = position.lfe;
            loudspeaker.label = position.label;
            loudspeaker.number = static_cast<int>(layout.loudspeakers.size()) + 1;
            loudspeaker.channel = loudspeaker.number;
            layout.loudspeakers.push_back(loudspeaker);
        }
        return layout;
    }
    if (name.rfind("ring:", 0) == 0) {
        long long count = 0;
        if (!parse_number(name.substr(5), count) || count < 1)
            throw LayoutError("should be ring:N with N loudspeakers, at least 1");
        return layout_of_rings(name, {{count, 0}});
    }
    if (name.rfind("dome:", 0) == 0) {
        std::vector<Ring> rings;
        std::size_t start = 5;
        while (true) {
            const std::size_t comma = name.find(',', start);
            rings.push_back(parse_ring(name.substr(start, comma - start)));
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        return layout_of_rings(name, rings);
    }
    return std::nullopt;
}

std::vector<std::string> standard_layout_names() {
    std::vector<std::string> names;
    for (const StandardLayout &standard : standard_layouts()) names.push_back(standard.name);
    return names;
}

std::string known_layout_names() {
    std::string text;
    for (const std::string &name : standard_layout_names()) text += name + ", ";
    return text + "ring:N, dome:N@EL[@START],...[,zenith]";
}

}  // namespace vorn_layout
