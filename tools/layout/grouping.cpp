#include "layout/grouping.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

namespace vorn_layout {

namespace {

constexpr long long highest_channel = 2048;
constexpr double zenith = 90;

struct Placed {
    const Loudspeaker *loudspeaker;
    double azimuth;    // Vorn's
    double elevation;  // after rounding
};

// What a host's message box keeps of a number (Pd prints and saves with %g).
double rounded(double value, int significant_digits) {
    if (significant_digits <= 0) return value;
    char text[64];
    std::snprintf(text, sizeof text, "%.*g", significant_digits, value);
    return std::strtod(text, nullptr) + 0.0;
}

void check(const Loudspeaker &loudspeaker, std::map<long long, const Loudspeaker *> &by_channel) {
    if (loudspeaker.channel < 1 || loudspeaker.channel > highest_channel)
        throw LayoutError(describe(loudspeaker) + ": channel " + std::to_string(loudspeaker.channel) +
                          " is outside 1..2048");
    if (!(loudspeaker.elevation >= -90 && loudspeaker.elevation <= 90))
        throw LayoutError(describe(loudspeaker) + ": elevation " + number_text(loudspeaker.elevation) +
                          " is outside -90..90");
    if (!std::isfinite(loudspeaker.azimuth))
        throw LayoutError(describe(loudspeaker) + ": azimuth is not a finite number");
    const auto [it, fresh] = by_channel.emplace(loudspeaker.channel, &loudspeaker);
    if (!fresh)
        throw LayoutError(describe(loudspeaker) + ": channel " + std::to_string(loudspeaker.channel) +
                          " is used twice (also by " + describe(*it->second) + ")");
}

std::string numbers_of(const std::vector<Placed> &members) {
    std::string text;
    for (const Placed &member : members)
        text += (text.empty() ? "" : ", ") + std::to_string(member.loudspeaker->number);
    return text;
}

std::vector<VornSpeaker> sorted_speakers(const std::vector<Placed> &members) {
    std::vector<VornSpeaker> speakers;
    for (const Placed &member : members)
        speakers.push_back({static_cast<int>(member.loudspeaker->channel), member.azimuth});
    std::sort(speakers.begin(), speakers.end(), [](const VornSpeaker &a, const VornSpeaker &b) {
        return a.azimuth != b.azimuth ? a.azimuth < b.azimuth : a.channel < b.channel;
    });
    return speakers;
}

// The layer panner feeds the last of equal azimuths, so the others are never reached alone.
void note_shared_azimuths(const std::vector<VornSpeaker> &speakers, const std::string &where,
                          std::vector<std::string> &notes) {
    for (std::size_t i = 1; i < speakers.size(); ++i)
        if (speakers[i].azimuth == speakers[i - 1].azimuth)
            notes.push_back("channels " + std::to_string(speakers[i - 1].channel) + " and " +
                            std::to_string(speakers[i].channel) + " share azimuth " +
                            number_text(speakers[i].azimuth) + " in " + where +
                            ": a source there reaches only channel " + std::to_string(speakers[i].channel));
}

}  // namespace

double vorn_azimuth(double file_azimuth, bool clockwise) {
    double a = std::fmod(clockwise ? -file_azimuth : file_azimuth, 360.0);
    if (a < 0) a += 360;
    return a >= 360 ? 0.0 : a + 0.0;  // a tiny negative remainder plus 360 can round up to 360
}

double file_azimuth(double vorn_azimuth, bool clockwise) {
    double a = clockwise ? -vorn_azimuth : vorn_azimuth;
    if (a > 180) a -= 360;
    if (a <= -180) a += 360;
    return a + 0.0;
}

Grouping group_layout(const LoudspeakerLayout &layout, const GroupingOptions &options) {
    Grouping grouping;
    std::map<long long, const Loudspeaker *> by_channel;
    for (const Loudspeaker &loudspeaker : layout.loudspeakers)
        if (!loudspeaker.imaginary) check(loudspeaker, by_channel);
    if (by_channel.empty()) throw LayoutError(layout.name + ": no loudspeakers (imaginary ones do not count)");

    const std::set<long long> solo_channels(options.solo_channels.begin(), options.solo_channels.end());
    for (long long channel : solo_channels)
        if (!by_channel.count(channel))
            throw LayoutError("channel " + std::to_string(channel) + " is named as LFE or subwoofer but no loudspeaker has it");

    std::vector<Placed> directional, solo;
    std::vector<int> gain_numbers;
    for (const Loudspeaker &loudspeaker : layout.loudspeakers) {
        if (loudspeaker.imaginary) continue;
        if (loudspeaker.gain != 1) gain_numbers.push_back(loudspeaker.number);
        double azimuth = rounded(vorn_azimuth(loudspeaker.azimuth, options.clockwise), options.significant_digits);
        if (azimuth >= 360) azimuth = 0;  // 359.9999996 kept to six digits
        const Placed placed{&loudspeaker, azimuth, rounded(loudspeaker.elevation, options.significant_digits)};
        (loudspeaker.lfe || solo_channels.count(loudspeaker.channel) ? solo : directional).push_back(placed);
    }
    if (directional.empty())
        throw LayoutError(layout.name + ": every loudspeaker is LFE or subwoofer; Vorn needs at least one with a direction");
    if (!gain_numbers.empty())
        grouping.notes.push_back("the gains of the file are not carried over (Vorn has no gain per loudspeaker): "
                                 "loudspeaker " + std::to_string(gain_numbers.front()) +
                                 (gain_numbers.size() > 1 ? " and " + std::to_string(gain_numbers.size() - 1) + " more" : ""));

    std::stable_sort(directional.begin(), directional.end(),
                     [](const Placed &a, const Placed &b) { return a.elevation < b.elevation; });
    // Neighbours within the tolerance chain into one layer; the zenith never joins another
    // layer, since its azimuths mean nothing and it closes the ring over the top.
    std::vector<std::vector<Placed>> groups;
    for (const Placed &placed : directional) {
        const double below = groups.empty() ? 0 : groups.back().back().elevation;
        const bool joins = !groups.empty() &&
                           (placed.elevation == below || placed.elevation - below <= options.tolerance) &&
                           (placed.elevation == zenith) == (below == zenith);
        if (!joins) groups.emplace_back();
        groups.back().push_back(placed);
    }
    VornConfiguration &configuration = grouping.configuration;
    for (const std::vector<Placed> &members : groups) {
        // The middle member's elevation: where a ring with one or two loudspeakers a little off
        // mostly stands, and always a value of the file, so the layers stay ascending and distinct.
        const double elevation = members[(members.size() - 1) / 2].elevation;
        const auto [lowest, highest] = std::minmax_element(
            members.begin(), members.end(),
            [](const Placed &a, const Placed &b) { return a.loudspeaker->elevation < b.loudspeaker->elevation; });
        if (lowest->loudspeaker->elevation != highest->loudspeaker->elevation)
            grouping.notes.push_back("elevations " + number_text(lowest->loudspeaker->elevation) + " to " +
                                     number_text(highest->loudspeaker->elevation) + " form one layer at " +
                                     number_text(elevation) + " (loudspeakers " + numbers_of(members) + ")");
        configuration.elevations.push_back(elevation);
        configuration.layers.push_back(sorted_speakers(members));
        note_shared_azimuths(configuration.layers.back(), "the layer at " + number_text(elevation), grouping.notes);
    }
    if (!solo.empty()) {
        configuration.solo_layers.push_back(sorted_speakers(solo));
        note_shared_azimuths(configuration.solo_layers.back(), "the solo layer", grouping.notes);
    }
    return grouping;
}

LoudspeakerLayout layout_of(const VornConfiguration &configuration, bool clockwise, const std::string &name) {
    LoudspeakerLayout layout{name, {}};
    std::map<int, std::string> where_of;
    auto add = [&](const std::vector<VornSpeaker> &speakers, double elevation, const std::string &where) {
        for (const VornSpeaker &speaker : speakers) {
            const auto [it, fresh] = where_of.emplace(speaker.channel, where);
            if (!fresh)
                throw LayoutError("channel " + std::to_string(speaker.channel) + " is used twice (" + it->second +
                                  " and " + where + "); a layout file needs one loudspeaker per channel");
            Loudspeaker loudspeaker;
            loudspeaker.azimuth = file_azimuth(speaker.azimuth, clockwise);
            loudspeaker.elevation = elevation;
            loudspeaker.channel = speaker.channel;
            layout.loudspeakers.push_back(loudspeaker);
        }
    };
    for (std::size_t i = 0; i < configuration.layers.size(); ++i)
        add(configuration.layers[i], configuration.elevations[i], "layer " + std::to_string(i));
    for (std::size_t k = 0; k < configuration.solo_layers.size(); ++k)
        add(configuration.solo_layers[k], 0, "solo layer " + std::to_string(k + 1));
    std::sort(layout.loudspeakers.begin(), layout.loudspeakers.end(),
              [](const Loudspeaker &a, const Loudspeaker &b) { return a.channel < b.channel; });
    for (std::size_t i = 0; i < layout.loudspeakers.size(); ++i) layout.loudspeakers[i].number = static_cast<int>(i) + 1;
    if (layout.loudspeakers.empty()) throw LayoutError(name + ": the configuration has no loudspeakers");
    return layout;
}

}  // namespace vorn_layout
