#include "config/speaker_map.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "config/layer.h"
#include "host/panner.h"

namespace vorn {

namespace {

// The channel index beside the list finds a node without a scan; it is made with the
// first node and lives as long as the object.
SpeakerNode *&index_slot(Panner &panner, std::int32_t channel) {
    if (!panner.channel_index) panner.channel_index = new SpeakerNode *[highest_channel + 1]();
    return panner.channel_index[channel];
}

void unlink(Panner &panner, SpeakerNode *node) {
    if (node->prev)
        node->prev->next = node->next;
    else
        panner.speaker_map = node->next;
    if (node->next)
        node->next->prev = node->prev;
    else
        panner.speaker_tail = node->prev;
    panner.channel_index[node->channel] = nullptr;
    delete node;
    panner.spread_plan_current = false;
}

void describe(SpeakerNode &node, std::int32_t id, std::int32_t layer_id, double azimuth, double elevation) {
    node.id = id;
    node.layer = layer_id;
    node.azimuth = azimuth;
    node.elevation = elevation;
    node.cos_elevation = std::cos(elevation * std::numbers::pi / 180);
    node.sin_half_azimuth = std::sin(azimuth * std::numbers::pi / 360);
    node.cos_half_azimuth = std::cos(azimuth * std::numbers::pi / 360);
}

// Gives each node in `orphans` (marked by channel) to the first loudspeaker of another layer
// on its channel, in ring order, then solo order, then slot order; clears its mark. The
// driver index names that loudspeaker (the leaving layer has left it already), so a refill
// costs what its own channels cost, whatever the other layers hold.
void hand_to_other_drivers(Panner &panner, const Layer &leaving, std::vector<bool> &orphans) {
    for (std::int32_t slot = 0; slot < leaving.slot_capacity; ++slot) {
        const std::int32_t channel = leaving.channels[slot];
        if (channel < 1 || channel > highest_channel || !orphans[channel]) continue;
        Layer *driver = nullptr;
        std::int32_t i = 0;
        if (!first_driver(panner, channel, driver, i)) continue;
        describe(*panner.channel_index[channel], i, driver->layer_id, driver->azimuths[i], driver->elevation);
        orphans[channel] = false;
        panner.spread_plan_current = false;
    }
}

}  // namespace

void register_speaker(Panner &panner, std::int32_t id, std::int32_t channel, std::int32_t layer_id,
                      double azimuth, double elevation) {
    SpeakerNode *&slot = index_slot(panner, channel);
    panner.spread_plan_current = false;
    if (slot) {
        // A channel keeps its place in the list; it describes the loudspeaker entered last.
        describe(*slot, id, layer_id, azimuth, elevation);
        return;
    }
    SpeakerNode *node = new SpeakerNode{};
    node->channel = channel;
    node->prev = panner.speaker_tail;
    describe(*node, id, layer_id, azimuth, elevation);
    if (panner.speaker_tail)
        panner.speaker_tail->next = node;
    else
        panner.speaker_map = node;
    panner.speaker_tail = node;
    slot = node;
    if (channel > panner.map_total) panner.map_total = channel;
    recompute_map_total(panner);
}

void remove_layer_speakers(Panner &panner, const Layer &layer, bool keep_other_drivers) {
    if (!panner.channel_index || !layer.channels) return;
    // A node of this layer can only stand on a channel that the layer's fill entered.
    std::vector<bool> orphans(highest_channel + 1);
    std::size_t count = 0;
    for (std::int32_t slot = 0; slot < layer.slot_capacity; ++slot) {
        const std::int32_t channel = layer.channels[slot];
        if (channel < 1 || channel > highest_channel || orphans[channel]) continue;
        const SpeakerNode *node = panner.channel_index[channel];
        if (node && node->layer == layer.layer_id) {
            orphans[channel] = true;
            ++count;
        }
    }
    if (count == 0) return;
    if (keep_other_drivers) hand_to_other_drivers(panner, layer, orphans);
    for (std::int32_t slot = 0; slot < layer.slot_capacity; ++slot) {
        const std::int32_t channel = layer.channels[slot];
        if (channel < 1 || channel > highest_channel || !orphans[channel]) continue;
        orphans[channel] = false;
        unlink(panner, panner.channel_index[channel]);
        recompute_map_total(panner);
    }
}

// `map_total` never lies below a channel in the map (every insert raises it first), so the
// highest channel is found by walking the index down from it.
void recompute_map_total(Panner &panner) {
    std::int32_t total = panner.map_total > highest_channel ? highest_channel : panner.map_total;
    while (total > 0 && !(panner.channel_index && panner.channel_index[total])) --total;
    panner.map_total = total;
}

SpeakerNode *find_speaker(const Panner &panner, std::int32_t channel) {
    if (!panner.channel_index || channel < 1 || channel > highest_channel) return nullptr;
    return panner.channel_index[channel];
}

void discard_speaker_map(Panner &panner) {
    while (panner.speaker_map) unlink(panner, panner.speaker_map);
    panner.map_total = 0;
}

bool speaker_map_empty(const Panner &panner) { return panner.speaker_map == nullptr; }

}  // namespace vorn
