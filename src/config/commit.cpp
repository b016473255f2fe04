#include <charconv>
#include <cstddef>
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
    panner.in_flight->reserve(messages, 8 * editor);
}

}  // namespace

void commit_configuration(Panner &panner) {
    if (refused_while_sending(panner, "end")) return;
    // Until this commit succeeds no channel has a selector.
    panner.selector_count = 0;
    if (panner.map_total <= 0) {
        host::error(&panner, "setup: failed to apply new loudspeaker configuration, leaving unconfigured");
        return;
    }
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

    export_mask_editor(panner);
    panning_pass(panner, panner.azimuth);
    host::post(&panner, "setup: successfully applied new loudspeaker configuration");
}

void release_channel_selectors(Panner &panner) {
    delete[] panner.channel_selectors;
    panner.channel_selectors = nullptr;
    panner.selector_count = 0;
    panner.selector_capacity = 0;
}

}  // namespace vorn
