#include "config/layer.h"
#include "config/speaker_map.h"
#include "engine/engine.h"
#include "host/panner.h"

namespace vorn {

namespace {

// A channel was only ever sent under a selector that exists, so each one held above 0 has
// its symbol in the array, whatever the last commit's `map_total`.
void silence_if_undriven(Panner &panner, std::int32_t channel) {
    if (channel >= 1 && channel <= panner.selector_capacity && channel <= highest_channel &&
        panner.channel_held[channel] > 0 && !channel_driven(panner, channel))
        send_amplitude(panner, channel, 0.0);
}

}  // namespace

void silence_undriven_channels(Panner &panner) {
    if (!panner.channel_held) return;
    for (std::int32_t channel = 1; channel <= panner.selector_capacity && channel <= highest_channel; ++channel)
        silence_if_undriven(panner, channel);
}

void silence_undriven_channels(Panner &panner, std::span<const std::int32_t> channels) {
    if (!panner.channel_held) return;
    for (std::int32_t channel : channels) silence_if_undriven(panner, channel);
}

}  // namespace vorn
