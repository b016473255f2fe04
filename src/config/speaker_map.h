// The Speaker map: one node per output channel in use, in the order in which channels
// first entered, and `map_total`, the highest channel in it.
#pragma once

#include <cstdint>

namespace vorn {

struct Panner;
struct Layer;

constexpr std::int32_t highest_channel = 2048;

struct SpeakerNode {
    std::int32_t id;       // slot of the loudspeaker within its layer
    std::int32_t channel;
    std::int32_t layer;    // layer_id of its layer
    double azimuth;
    double elevation;
    SpeakerNode *prev;
    SpeakerNode *next;
    // Fixed per node, so the spread pass need not recompute them.
    double cos_elevation;
    double sin_half_azimuth;
    double cos_half_azimuth;
};

void register_speaker(Panner &panner, std::int32_t id, std::int32_t channel, std::int32_t layer_id,
                      double azimuth, double elevation);
// Removes every node whose `layer` is this layer's id. With `keep_other_drivers`, a channel
// that a loudspeaker of another layer still drives keeps its node, which then describes
// the first such loudspeaker (ring order, then solo order, then slot order).
void remove_layer_speakers(Panner &panner, const Layer &layer, bool keep_other_drivers);
void recompute_map_total(Panner &panner);
SpeakerNode *find_speaker(const Panner &panner, std::int32_t channel);
// Frees whatever nodes are left and empties the map.
void discard_speaker_map(Panner &panner);
bool speaker_map_empty(const Panner &panner);

}  // namespace vorn
