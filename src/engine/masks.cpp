#include <cmath>

#include "config/layer.h"
#include "config/speaker_map.h"
#include "engine/engine.h"
#include "host/panner.h"
#include "host/read_atoms.h"

namespace vorn {

// Channel and value carry over from pair to pair: an atom that is not the number expected
// leaves the one before in force.
void set_masks(Panner &panner, host::Args args) {
    if (panner.ring_count == 0) {
        host::error(&panner, "mask: no speaker setup provided");
        return;
    }
    std::int32_t channel = 0;
    double value = 0;
    for (long position = 0; position < args.count; ++position) {
        const host::Atom &atom = args[position];
        if (position % 2 == 0) {
            if (host::is_integer(atom))
                channel = low_32_bits(host::integer_of(atom));
            else if (host::is_float(atom))
                host::error(&panner, "mask: spaker channel %f must be an integer", host::float_of(atom));
            if (channel <= 0) {
                host::error(&panner, "mask: spaker channel %d must be greater than zero", channel);
                return;
            }
            continue;
        }
        if (speaker_map_empty(panner)) continue;
        SpeakerNode *node = find_speaker(panner, channel);
        if (!node) {
            host::error(&panner, "mask: requested channel %d does not exist", channel);
            continue;
        }
        value = read_double(atom, value);
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
