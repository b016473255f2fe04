#include "layout/rig_command.h"

#include <algorithm>
#include <string>

#include "docs/patch.h"
#include "layout/rig_patch.h"

namespace vorn_layout {

namespace {

std::vector<int> configured_channels(const VornConfiguration &configuration) {
    std::vector<int> channels;
    for (const auto &layers : {configuration.layers, configuration.solo_layers})
        for (const auto &layer : layers)
            for (const VornSpeaker &speaker : layer) channels.push_back(speaker.channel);
    std::sort(channels.begin(), channels.end());
    return channels;
}

}  // namespace

std::string write_rig(const Room &room, const RigOptions &options, MessageFormat format, std::vector<std::string> &notes) {
    std::vector<RigLoudspeaker> loudspeakers;
    for (const int channel : configured_channels(room.configuration)) {
        if (std::find(room.imaginary_channels.begin(), room.imaginary_channels.end(), channel) !=
            room.imaginary_channels.end())
            continue;
        RigLoudspeaker loudspeaker{channel, 0, 1, 0};
        for (const Loudspeaker &given : room.loudspeakers)
            if (!given.imaginary && given.channel == channel)
                loudspeaker = {channel, given.radius, given.gain, given.number};
        if (loudspeaker.number == 0) loudspeaker.number = channel;
        loudspeakers.push_back(loudspeaker);
    }
    RigPlan plan;
    plan.title = room.name;
    plan.sources = options.sources;
    plan.ramp_ms = options.ramp_ms;
    plan.dac = options.dac;
    plan.compensation = compensate(loudspeakers, options.speed);
    // The message box's text: one line, the messages apart by commas in both hosts.
    std::string messages = format_messages(room.configuration, format, room.name);
    while (!messages.empty() && messages.back() == '\n') messages.pop_back();
    plan.configuration = messages;
    for (const std::string &line : compensation_table(plan.compensation)) notes.push_back(line);
    const vorn_docs::Host host = format == MessageFormat::max ? vorn_docs::Host::max : vorn_docs::Host::pd;
    const vorn_docs::Patch patch = rig_patch(host, plan);
    return host == vorn_docs::Host::max ? vorn_docs::maxhelp_json(patch) : vorn_docs::pd_patch_text(patch);
}

}  // namespace vorn_layout
