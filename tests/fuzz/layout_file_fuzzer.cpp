// libFuzzer target for vorn-layout's file reader: the input is a layout file of the IEM
// plug-ins. Whatever it holds, reading and grouping it either succeed or throw LayoutError
// (any other exception escapes and is a finding); what succeeds is checked: a configuration
// the box takes, every channel once, and the messages read back as the same configuration.
// The first byte picks the options, so every combination gets its share.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "layout/grouping.h"
#include "layout/iem_file.h"
#include "layout/vorn_messages.h"

namespace {

using namespace vorn_layout;

[[noreturn]] void breach(const std::string &what) {
    std::fprintf(stderr, "layout fuzz: %s\n", what.c_str());
    std::abort();
}

void check_layer(const std::vector<VornSpeaker> &speakers, std::set<int> &channels) {
    double previous = 0;
    for (const VornSpeaker &speaker : speakers) {
        if (!(speaker.azimuth >= previous && speaker.azimuth < 360)) breach("azimuths not ascending within 0..360");
        previous = speaker.azimuth;
        if (speaker.channel < 1 || speaker.channel > 2048) breach("channel outside 1..2048");
        if (!channels.insert(speaker.channel).second) breach("channel " + std::to_string(speaker.channel) + " twice");
    }
}

void check(const Grouping &grouping, MessageFormat format) {
    const VornConfiguration &configuration = grouping.configuration;
    if (configuration.elevations.empty() || configuration.elevations.size() != configuration.layers.size())
        breach("one layer per elevation");
    for (std::size_t i = 0; i < configuration.elevations.size(); ++i) {
        const double elevation = configuration.elevations[i];
        if (!(elevation >= -90 && elevation <= 90)) breach("elevation outside -90..90");
        if (i > 0 && !(configuration.elevations[i - 1] < elevation)) breach("elevations not ascending and distinct");
        if (configuration.layers[i].empty()) breach("an empty layer");
    }
    std::set<int> channels;
    for (const auto &layer : configuration.layers) check_layer(layer, channels);
    for (const auto &layer : configuration.solo_layers) check_layer(layer, channels);
    for (int channel : grouping.imaginary_channels)
        if (!channels.count(channel)) breach("an imaginary channel in no layer");

    if (format != MessageFormat::script) return;
    const VornConfiguration back = read_vorn_script(format_messages(configuration, format, "fuzz", grouping.imaginary_channels));
    if (vorn_messages(back) != vorn_messages(configuration)) breach("the messages read back differently");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0) return 0;
    const unsigned choice = data[0];
    const std::string text(reinterpret_cast<const char *>(data) + 1, size - 1);
    GroupingOptions options;
    options.clockwise = choice & 1;
    options.fill_gaps = choice & 2;
    options.significant_digits = choice & 4 ? 6 : 0;
    const double tolerances[] = {natural_ring_gap, 0, 0.5, 30};
    options.tolerance = tolerances[(choice >> 3) & 3];
    const double limits[] = {widest_fair_gap, 1, 45, 360};
    options.gap_limit = limits[(choice >> 5) & 3];
    if (choice & 0x80) options.solo_channels = {1, 4};
    try {
        const LoudspeakerLayout layout = read_iem_layout(text, "fuzz");
        const Grouping grouping = group_layout(layout, options);
        check(grouping, options.significant_digits ? MessageFormat::pd : MessageFormat::script);
        // And back to a file, which must read again.
        read_iem_layout(write_iem_layout(layout_of(grouping.configuration, options.clockwise, layout.name)), "back");
    } catch (const LayoutError &) {
        // A clear refusal is what bad input should get.
    }
    return 0;
}
