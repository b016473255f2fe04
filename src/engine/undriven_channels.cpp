#include <vector>

#include "config/layer.h"
#include "config/speaker_map.h"
#include "engine/engine.h"
#include "host/panner.h"

namespace vorn {

namespace {

// Channels that a loudspeaker of a given or solo layer drives now; mirror entries hold none.
std::vector<bool> driven_channels(const Panner &panner) {
    std::vector<bool> driven(highest_channel + 1);
    auto mark = [&](const Layer &layer) {
        for (std::int32_t i = 0; i < layer.speaker_count; ++i) driven[layer.channels[i]] = true;
    };
    for (std::int32_t i = 0; i < panner.ring_count / 2; ++i) mark(*panner.ring_layers[i]);
    for (std::int32_t k = 0; k < panner.solo_count; ++k) mark(*panner.solo_layers[k]);
    return driven;
}

}  // namespace

// A channel was only ever sent under a selector that exists, so each one held above 0 has
// its symbol in the array, whatever the last commit's `map_total`.
void silence_undriven_channels(Panner &panner) {
    if (!panner.channel_held) return;
    const std::vector<bool> driven = driven_channels(panner);
    for (std::int32_t channel = 1; channel <= panner.selector_capacity && channel <= highest_channel; ++channel)
        if (panner.channel_held[channel] > 0 && !driven[channel]) send_amplitude(panner, channel, 0.0);
}

}  // namespace vorn
