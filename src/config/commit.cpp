#include <charconv>
#include <cstddef>
#include <cstdio>
#include <string>

#include "config/config.h"
#include "engine/engine.h"
#include "export/mask_editor.h"
#include "host/panner.h"

namespace vorn {

namespace {

// The same context and channel always give the same symbol, so the selectors of earlier
// commits stay right; the array only grows. Returns how many entries are made already.
std::int32_t keep_selectors_for(Panner &panner, std::int32_t total) {
    const std::int32_t made = panner.selector_capacity;
    if (total <= made) return total;
    host::Symbol **grown = new host::Symbol *[total];
    for (std::int32_t i = 0; i < made; ++i) grown[i] = panner.channel_selectors[i];
    delete[] panner.channel_selectors;
    panner.channel_selectors = grown;
    panner.selector_capacity = total;
    return made;
}

// The most one message of this configuration queues: a pass sends each loudspeaker once, the
// mask-editor export one message of up to eight atoms per map entry and three more.
void make_room_to_send(Panner &panner) {
    std::size_t loudspeakers = 0;
    for (std::int32_t i = 0; i < panner.ring_count / 2; ++i)
        loudspeakers += static_cast<std::size_t>(panner.ring_layers[i]->speaker_count);
    for (std::int32_t k = 0; k < panner.solo_count; ++k)
        loudspeakers += static_cast<std::size_t>(panner.solo_layers[k]->speaker_count);
    const std::size_t editor = static_cast<std::size_t>(panner.map_total) + 3;
    const std::size_t messages = (loudspeakers > editor ? loudspeakers : editor) + 1;
    panner.outbox->reserve(messages, 8 * editor);
    // A batch in flight belongs to the thread sending it; it takes this room when it is back.
    if (!panner.sending_thread) panner.in_flight->reserve(messages, 8 * editor);
}

// A given layer without loudspeakers leaves a gap in the ring that the source would fade
// into: such a configuration cannot pan. Names the first few of them; true if there are any.
bool report_empty_layers(Panner &panner) {
    constexpr std::int32_t named_at_most = 8;
    std::string names;
    std::int32_t empty = 0;
    for (std::int32_t i = 0; i < panner.ring_count / 2; ++i) {
        const Layer &layer = *panner.ring_layers[i];
        if (layer.speaker_count > 0) continue;
        if (++empty > named_at_most) continue;
        char name[96];
        std::snprintf(name, sizeof name, "%s%d (elevation %g)", empty > 1 ? ", " : "", i, layer.elevation);
        names += name;
    }
    if (empty == 0) return false;
    if (empty > named_at_most) names += " and " + std::to_string(empty - named_at_most) + " more";
    host::error(&panner,
                "end: %s %s %s no loudspeakers; nothing is committed until %s filled with layer or setup starts again",
                empty == 1 ? "layer" : "layers", names.c_str(), empty == 1 ? "has" : "have",
                empty == 1 ? "it is" : "they are");
    return true;
}

}  // namespace

void commit_configuration(Panner &panner) {
    if (refused_while_sending(panner, "end")) return;
    // Until this commit succeeds no channel has a selector.
    panner.selector_count = 0;
    panner.committed = false;
    if (panner.map_total <= 0) {
        host::error(&panner, "setup: failed to apply new loudspeaker configuration, leaving unconfigured");
        return;
    }
    if (report_empty_layers(panner)) return;
    configuration_changed(panner);
    if (!panner.channel_held) panner.channel_held = new double[highest_channel + 1]();
    const std::int32_t total = panner.map_total;
    const std::int32_t kept = keep_selectors_for(panner, total);
    // "%s-%d" in full, whatever the context's length: a text cut short would give two
    // channels one selector. Only the number changes from channel to channel.
    std::string text = panner.context;
    text += '-';
    const std::size_t stem = text.size();
    for (std::int32_t i = kept; i < total; ++i) {
        char number[16];
        const auto written = std::to_chars(number, number + sizeof number, i + 1);
        text.resize(stem);
        text.append(number, written.ptr);
        panner.channel_selectors[i] = host::intern(text.c_str());
    }
    panner.selector_count = total;
    make_room_to_send(panner);
    panner.committed = true;
    const std::uint32_t this_commit = ++panner.commits;

    if (may_export(panner)) export_mask_editor(panner);
    panning_pass(panner, panner.azimuth);
    // The pass may have sent, and another thread may have replaced or dropped this
    // configuration meanwhile: its lines are out already, and this one would be false.
    if (panner.committed && panner.commits == this_commit)
        host::post(&panner, "setup: successfully applied new loudspeaker configuration");
}

void release_channel_selectors(Panner &panner) {
    delete[] panner.channel_held;
    panner.channel_held = nullptr;
    delete[] panner.channel_selectors;
    panner.channel_selectors = nullptr;
    panner.selector_count = 0;
    panner.selector_capacity = 0;
}

}  // namespace vorn
