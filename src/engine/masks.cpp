#include <cmath>

#include "config/layer.h"
#include "config/speaker_map.h"
#include "engine/engine.h"
#include "host/panner.h"
#include "host/read_atoms.h"

namespace vorn {

namespace {

// An integer atom by its low 32 bits; a float atom only when it is a whole number (as a
// float box or [pack 0. 0.] sends one) within the 32-bit range.
bool integral_channel(const host::Atom &atom, std::int32_t &channel) {
    if (host::is_integer(atom)) {
        channel = low_32_bits(host::integer_of(atom));
        return true;
    }
    const double value = host::float_of(atom);
    if (!(std::trunc(value) == value && value >= -2147483648.0 && value <= 2147483647.0)) return false;
    channel = static_cast<std::int32_t>(value);
    return true;
}

}  // namespace

// A value goes to the channel written before it, or nowhere: a channel atom that is refused
// skips its value atom, and a value atom that is refused skips its pair.
void set_masks(Panner &panner, host::Args args) {
    if (panner.ring_count == 0) {
        host::error(&panner, "mask: no speaker setup provided");
        return;
    }
    std::int32_t channel = 0;
    for (long position = 0; position < args.count; ++position) {
        const host::Atom &atom = args[position];
        if (position % 2 == 0) {
            if (refused_as_number(panner, "mask", position, atom)) {
                ++position;
                continue;
            }
            if (!integral_channel(atom, channel)) {
                host::error(&panner, "mask: spaker channel %f must be an integer", host::float_of(atom));
                ++position;
                continue;
            }
            if (channel <= 0) {
                host::error(&panner, "mask: spaker channel %d must be greater than zero", channel);
                ++position;
                continue;
            }
            continue;
        }
        if (refused_as_number(panner, "mask", position, atom)) continue;
        if (speaker_map_empty(panner)) continue;
        SpeakerNode *node = find_speaker(panner, channel);
        if (!node) {
            host::error(&panner, "mask: requested channel %d does not exist", channel);
            continue;
        }
        double value = host::number_of(atom);
        if (!(value >= 0 && value <= 1)) {
            host::error(&panner, "mask: mask for channel %d is outside allowed range (0-1)", channel);
            if (std::isnan(value)) continue;  // nothing sensible to apply
            value = value < 0 ? 0 : 1;
        }
        Layer *layer = layer_by_id(panner, node->layer);
        if (layer && node->id < layer->slot_capacity) layer->masks[node->id] = value + 0.0;  // never a -0 cap
    }
}

}  // namespace vorn
