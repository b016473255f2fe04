#include "layout/grouping.h"

#include <algorithm>
#include <cfloat>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

#include "layout/azimuth_gaps.h"

namespace vorn_layout {

namespace {

constexpr long long highest_channel = 2048;
constexpr double pole = 90;

struct Placed {
    const Loudspeaker *loudspeaker;  // none for the imaginary loudspeakers that close a gap
    double azimuth;                  // Vorn's
    double elevation;                // after rounding
    long long channel;               // an imaginary one's is given once the rings stand
    bool imaginary;
};

struct Ring {
    std::vector<Placed> members;  // by azimuth, then channel
    double elevation = 0;
    AzimuthGap real_gap;  // before any filling
};

// What a host's message box keeps of a number (Pd prints and saves with %g, and reads it
// into a single-precision float, where a value this near 0 is 0 or a denormal).
double rounded(double value, int significant_digits) {
    if (significant_digits <= 0) return value;
    if (std::fabs(value) < FLT_MIN) return 0.0;
    char text[64];
    std::snprintf(text, sizeof text, "%.*g", significant_digits, value);
    return std::strtod(text, nullptr) + 0.0;
}

// Rounded to 0 by the above where the unrounded angle was not 0.
bool flushed(double value, int significant_digits) {
    return significant_digits > 0 && value != 0 && std::fabs(value) < FLT_MIN;
}

// Degrees as a report shows them: to 0.01.
std::string shown(double degrees) {
    return number_text(std::round(degrees * 100) / 100);
}

bool is_pole(double elevation) {
    return std::fabs(elevation) == pole;
}

void check_direction(const Loudspeaker &loudspeaker) {
    if (!(loudspeaker.elevation >= -90 && loudspeaker.elevation <= 90))
        throw LayoutError(describe(loudspeaker) + ": elevation " + number_text(loudspeaker.elevation) +
                          " is outside -90..90");
    if (!std::isfinite(loudspeaker.azimuth))
        throw LayoutError(describe(loudspeaker) + ": azimuth is not a finite number");
}

void check(const Loudspeaker &loudspeaker, std::map<long long, const Loudspeaker *> &by_channel) {
    if (loudspeaker.channel < 1 || loudspeaker.channel > highest_channel)
        throw LayoutError(describe(loudspeaker) + ": channel " + std::to_string(loudspeaker.channel) +
                          " is outside 1..2048");
    check_direction(loudspeaker);
    const auto [it, fresh] = by_channel.emplace(loudspeaker.channel, &loudspeaker);
    if (!fresh)
        throw LayoutError(describe(loudspeaker) + ": channel " + std::to_string(loudspeaker.channel) +
                          " is used twice (also by " + describe(*it->second) + ")");
}

bool by_azimuth(const Placed &a, const Placed &b) {
    return a.azimuth != b.azimuth ? a.azimuth < b.azimuth : a.channel < b.channel;
}

std::vector<VornSpeaker> speakers_of(const std::vector<Placed> &members) {
    std::vector<VornSpeaker> speakers;
    for (const Placed &member : members) speakers.push_back({static_cast<int>(member.channel), member.azimuth});
    return speakers;
}

std::vector<double> azimuths_of(const std::vector<Placed> &members) {
    std::vector<double> azimuths;
    for (const Placed &member : members) azimuths.push_back(member.azimuth);
    return azimuths;
}

// The mean to 0.01 degree, kept within the members so that rings stay ascending and distinct.
double ring_elevation(const std::vector<Placed> &members, int significant_digits) {
    double sum = 0, lowest = members.front().elevation, highest = lowest;
    for (const Placed &member : members) {
        sum += member.elevation;
        lowest = std::min(lowest, member.elevation);
        highest = std::max(highest, member.elevation);
    }
    if (lowest == highest) return lowest;
    const double mean = std::round(sum / static_cast<double>(members.size()) * 100) / 100;
    return std::clamp(rounded(mean, significant_digits), lowest, highest);
}

// Neighbours within the tolerance chain into one ring, which spans at most twice the
// tolerance: a lone loudspeaker between two rings must not bridge them. A pole never joins
// another ring, the other pole's included (at a tolerance of 180 or more they are within
// reach), since its azimuths mean nothing and it closes the rings over the top (or the bottom).
std::vector<Ring> rings_of(std::vector<Placed> directional, double tolerance) {
    std::stable_sort(directional.begin(), directional.end(),
                     [](const Placed &a, const Placed &b) { return a.elevation < b.elevation; });
    std::vector<Ring> rings;
    for (const Placed &placed : directional) {
        const double below = rings.empty() ? 0 : rings.back().members.back().elevation;
        const double lowest = rings.empty() ? 0 : rings.back().members.front().elevation;
        const bool either_pole = is_pole(placed.elevation) || is_pole(below);
        const bool joins = !rings.empty() &&
                           (placed.elevation == below ||
                            (!either_pole && placed.elevation - below <= tolerance &&
                             placed.elevation - lowest <= 2 * tolerance));
        if (!joins) rings.emplace_back();
        rings.back().members.push_back(placed);
    }
    return rings;
}

// Word by word: gcc 12 warns wrongly (-Wrestrict) about " " + a temporary string.
void add_word(std::string &text, const std::string &word) {
    if (!text.empty()) text += ' ';
    text += word;
}

std::string channel_list(const std::vector<Placed> &members, bool imaginary) {
    std::string text;
    for (const Placed &member : members)
        if (member.imaginary == imaginary) add_word(text, std::to_string(member.channel));
    return text;
}

std::size_t count_of(const std::vector<Placed> &members, bool imaginary) {
    return static_cast<std::size_t>(std::count_if(members.begin(), members.end(),
                                                  [&](const Placed &m) { return m.imaginary == imaginary; }));
}

std::string gap_text(const AzimuthGap &gap) {
    return shown(gap.width) + " (" + shown(gap.from) + " to " + shown(gap.to) + ")";
}

// One line a user can check against the room: which channels, how level, where the gap is.
std::string ring_report(const Ring &ring, const std::string &name) {
    const std::size_t real = count_of(ring.members, false), imaginary = count_of(ring.members, true);
    std::string text = name;
    if (is_pole(ring.elevation)) text += ring.elevation > 0 ? " (zenith)" : " (nadir)";
    text += ":";
    if (real > 0) {
        text += real == 1 ? " channel " : " channels ";
        text += channel_list(ring.members, false);
    }
    if (imaginary > 0) {
        text += real > 0 ? "," : "";
        text += imaginary == 1 ? " imaginary channel " : " imaginary channels ";
        text += channel_list(ring.members, true);
    }
    double lowest = ring.members.front().elevation, highest = lowest;
    for (const Placed &member : ring.members) {
        lowest = std::min(lowest, member.elevation);
        highest = std::max(highest, member.elevation);
    }
    if (lowest != highest) text += "; elevations " + shown(lowest) + " to " + shown(highest);
    if (!is_pole(ring.elevation)) {
        text += "; largest azimuth gap " + gap_text(ring.real_gap);
        if (imaginary > 0 && real > 0) text += ", now " + shown(largest_gap(azimuths_of(ring.members)).width);
    }
    return text;
}

void warn_about(const Ring &ring, const std::string &name, std::vector<std::string> &warnings) {
    if (is_pole(ring.elevation)) return;
    const std::size_t count = ring.members.size();
    if (count < 3)
        warnings.push_back(name + " has only " + std::to_string(count) +
                           (count == 1 ? " loudspeaker, so a source at any azimuth on it plays from it"
                                       : " loudspeakers, so a source at any azimuth on it plays from them"));
    const AzimuthGap gap = largest_gap(azimuths_of(ring.members));
    if (gap.width > widest_fair_gap)
        warnings.push_back(name + " has a gap of " + gap_text(gap) +
                           ": a source in it plays from the loudspeakers at its edges; --fill-gaps closes it");
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

// Degrees below the next ring from which a lone loudspeaker is taken for a subwoofer: rings
// of a real room stand 15 apart or more, and a subwoofer sits on the floor.
constexpr double subwoofer_drop = 10;

bool names_a_subwoofer(const std::string &label) {
    std::string lower;
    for (const char c : label) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.find("lfe") != std::string::npos || lower.find("sub") != std::string::npos;
}

// The channel of a loudspeaker that is most likely a subwoofer left unnamed: one named so,
// or the lowest ring when it is a single loudspeaker far below the next; 0 for none.
long long likely_subwoofer(const std::vector<Ring> &rings, std::size_t index) {
    const Ring &ring = rings[index];
    std::vector<const Placed *> real;
    for (const Placed &member : ring.members)
        if (!member.imaginary) real.push_back(&member);
    for (const Placed *member : real)
        if (names_a_subwoofer(member->loudspeaker->label)) return member->channel;
    if (index == 0 && rings.size() > 1 && real.size() == 1 && !is_pole(ring.elevation) &&
        rings[1].elevation - ring.elevation >= subwoofer_drop)
        return real.front()->channel;
    return 0;
}

std::string numbers_text(const std::vector<int> &numbers) {
    std::string text;
    for (int number : numbers) add_word(text, std::to_string(number));
    return text;
}

// The layer panner gives a direction shared by two loudspeakers of a ring to one of them on
// each side, and an imaginary one's share is dropped: at a real loudspeaker's direction (its
// azimuth, or anywhere at the same pole) the real one takes it whole. Returns the numbers of
// those left out.
std::vector<int> drop_imaginary_at_real_directions(Ring &ring) {
    const bool pole_ring = is_pole(ring.members.front().elevation);
    std::set<double> real_azimuths;
    for (const Placed &member : ring.members)
        if (!member.imaginary) real_azimuths.insert(member.azimuth);
    std::vector<int> dropped;
    if (real_azimuths.empty()) return dropped;
    std::erase_if(ring.members, [&](const Placed &member) {
        if (!member.imaginary || !(pole_ring || real_azimuths.count(member.azimuth))) return false;
        dropped.push_back(member.loudspeaker->number);
        return true;
    });
    return dropped;
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
    std::vector<int> left_out;
    for (const Loudspeaker &loudspeaker : layout.loudspeakers) {
        if (!loudspeaker.imaginary) check(loudspeaker, by_channel);
        else if (options.fill_gaps) check_direction(loudspeaker);
        else left_out.push_back(loudspeaker.number);
    }
    if (by_channel.empty()) throw LayoutError("no loudspeakers (imaginary ones do not count)");

    const std::set<long long> solo_channels(options.solo_channels.begin(), options.solo_channels.end());
    for (long long channel : solo_channels)
        if (!by_channel.count(channel))
            throw LayoutError("channel " + std::to_string(channel) + " is named as LFE or subwoofer but no loudspeaker has it");

    auto kept = [&](double azimuth) {
        azimuth = rounded(azimuth, options.significant_digits);
        return azimuth >= 360 ? 0.0 : azimuth;  // 359.9999996 kept to six digits
    };
    auto place = [&](double file_azimuth) { return kept(vorn_azimuth(file_azimuth, options.clockwise)); };
    std::vector<Placed> directional, solo;
    std::vector<int> gain_numbers, flushed_numbers;
    for (const Loudspeaker &loudspeaker : layout.loudspeakers) {
        if (loudspeaker.imaginary && !options.fill_gaps) continue;
        if (!loudspeaker.imaginary && loudspeaker.gain != 1) gain_numbers.push_back(loudspeaker.number);
        if (flushed(loudspeaker.elevation, options.significant_digits) ||
            flushed(vorn_azimuth(loudspeaker.azimuth, options.clockwise), options.significant_digits))
            flushed_numbers.push_back(loudspeaker.number);
        const Placed placed{&loudspeaker, place(loudspeaker.azimuth),
                            rounded(loudspeaker.elevation, options.significant_digits), loudspeaker.channel,
                            loudspeaker.imaginary};
        const bool is_solo = !loudspeaker.imaginary && (loudspeaker.lfe || solo_channels.count(loudspeaker.channel));
        (is_solo ? solo : directional).push_back(placed);
    }
    if (std::none_of(directional.begin(), directional.end(), [](const Placed &p) { return !p.imaginary; }))
        throw LayoutError("every loudspeaker is LFE or subwoofer; Vorn needs at least one with a direction");
    if (!gain_numbers.empty())
        grouping.notes.push_back("the gains of the file are not carried over (Vorn has no gain per loudspeaker): "
                                 "loudspeaker " + std::to_string(gain_numbers.front()) +
                                 (gain_numbers.size() > 1 ? " and " + std::to_string(gain_numbers.size() - 1) + " more" : ""));
    if (!left_out.empty())
        grouping.notes.push_back(std::string(left_out.size() == 1 ? "imaginary loudspeaker " : "imaginary loudspeakers ") +
                                 numbers_text(left_out) + " left out (--fill-gaps keeps them)");
    // Pd would read such a number as 0 (or a denormal) anyway; written as 0, two of them
    // cannot become two layers or azimuths that Pd then finds equal.
    if (!flushed_numbers.empty())
        grouping.notes.push_back(std::string(flushed_numbers.size() == 1 ? "loudspeaker " : "loudspeakers ") +
                                 numbers_text(flushed_numbers) +
                                 ": angles nearer 0 than 1.17549e-38 written as 0, the least a Pd float holds");

    std::vector<Ring> rings = rings_of(directional, options.tolerance);
    std::vector<int> coinciding;
    for (Ring &ring : rings)
        for (int number : drop_imaginary_at_real_directions(ring)) coinciding.push_back(number);
    if (!coinciding.empty()) {
        std::sort(coinciding.begin(), coinciding.end());
        grouping.notes.push_back(std::string(coinciding.size() == 1 ? "imaginary loudspeaker " : "imaginary loudspeakers ") +
                                 numbers_text(coinciding) + " left out: a real loudspeaker stands at " +
                                 (coinciding.size() == 1 ? "its direction" : "their directions"));
    }
    long long next_channel = by_channel.rbegin()->first + 1;
    for (Ring &ring : rings) {
        ring.elevation = ring_elevation(ring.members, options.significant_digits);
        ring.real_gap = largest_gap(azimuths_of(ring.members));
        if (options.fill_gaps && !is_pole(ring.elevation))
            for (double azimuth : gap_fillers(azimuths_of(ring.members), options.gap_limit))
                ring.members.push_back({nullptr, kept(azimuth), ring.elevation, 0, true});
        std::stable_sort(ring.members.begin(), ring.members.end(), [](const Placed &a, const Placed &b) {
            return a.azimuth != b.azimuth ? a.azimuth < b.azimuth : a.imaginary < b.imaginary;
        });
        for (Placed &member : ring.members) {
            if (!member.imaginary) continue;
            if (next_channel > highest_channel)
                throw LayoutError("no channel left for the imaginary loudspeakers: they go above the real ones, "
                                  "and Vorn has 2048");
            member.channel = next_channel++;
            grouping.imaginary_channels.push_back(static_cast<int>(member.channel));
        }
        std::stable_sort(ring.members.begin(), ring.members.end(), by_azimuth);
    }

    VornConfiguration &configuration = grouping.configuration;
    for (const Ring &ring : rings) {
        const std::size_t index = configuration.layers.size();
        const std::string name = "layer " + std::to_string(index) + " at " + number_text(ring.elevation);
        configuration.elevations.push_back(ring.elevation);
        configuration.layers.push_back(speakers_of(ring.members));
        grouping.notes.push_back(ring_report(ring, name));
        note_shared_azimuths(configuration.layers.back(), name, grouping.notes);
        // A subwoofer taken for a ring pans badly whatever fills its gaps: say what it is.
        if (const long long channel = likely_subwoofer(rings, index)) {
            grouping.warnings.push_back(name + " holds channel " + std::to_string(channel) +
                                        ", most likely a subwoofer (alone, far below the others): "
                                        "use --sub " + std::to_string(channel));
            continue;
        }
        warn_about(ring, name, grouping.warnings);
    }
    if (!solo.empty()) {
        std::stable_sort(solo.begin(), solo.end(), by_azimuth);
        configuration.solo_layers.push_back(speakers_of(solo));
        grouping.notes.push_back("solo layer: " + std::string(solo.size() == 1 ? "channel " : "channels ") +
                                 channel_list(solo, false));
        note_shared_azimuths(configuration.solo_layers.back(), "the solo layer", grouping.notes);
    }
    const std::size_t imaginary = grouping.imaginary_channels.size();
    if (imaginary > 0)
        grouping.notes.push_back((imaginary == 1 ? "imaginary channel " : "imaginary channels ") +
                                 numbers_text(grouping.imaginary_channels) +
                                 (imaginary == 1 ? ": leave it unrouted, its share of a source is dropped"
                                                 : ": leave them unrouted, their share of a source is dropped"));
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
    if (layout.loudspeakers.empty()) throw LayoutError("the configuration has no loudspeakers");
    return layout;
}

}  // namespace vorn_layout
