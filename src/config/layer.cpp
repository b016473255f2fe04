#include "config/layer.h"

#include <limits>
#include <set>
#include <tuple>

#include "config/speaker_map.h"
#include "host/panner.h"

namespace vorn {

// Channel, then the layer's place (given layers by number, the solo layers after them), then
// the slot: the first entry of a channel is the loudspeaker a map node falls back to.
struct DriverIndex {
    std::set<std::tuple<std::int32_t, std::int64_t, std::int32_t>> slots;
};

namespace {

std::int64_t place_of(std::int32_t layer_id) {
    return layer_id >= 0 ? layer_id : (std::int64_t{1} << 31) + ~layer_id;
}

}  // namespace

Layer *new_layer(std::int32_t layer_id) {
    Layer *layer = new Layer{};
    layer->layer_id = layer_id;
    layer->layer_gain = 1;
    layer->source_gain = 1;
    layer->period = 360;
    layer->mode = layer_mode_set;
    return layer;
}

void make_speaker_arrays(Layer &layer, std::int32_t count) {
    layer.azimuths = new double[count]();
    layer.masks = new double[count];
    layer.spreads = new double[count]();
    layer.last_sent = new double[count];
    layer.accumulators = new double[count]();
    layer.channels = new std::int32_t[count]();
    for (std::int32_t i = 0; i < count; ++i) {
        layer.masks[i] = 1;
        layer.last_sent[i] = -1;
    }
    layer.slot_capacity = count;
    layer.nonzero_sent = count;
    layer.accumulators_zero = true;
    layer.spreads_zero = true;
}

static void free_array(auto *&array) {
    delete[] array;
    array = nullptr;
}

void count_layer_drivers(Panner &panner, const Layer &layer) {
    if (!panner.channel_drivers) panner.channel_drivers = new std::int32_t[highest_channel + 1]();
    if (!panner.driver_index) panner.driver_index = new DriverIndex;
    const std::int64_t place = place_of(layer.layer_id);
    for (std::int32_t i = 0; i < layer.speaker_count; ++i) {
        ++panner.channel_drivers[layer.channels[i]];
        panner.driver_index->slots.emplace(layer.channels[i], place, i);
    }
}

bool first_driver(const Panner &panner, std::int32_t channel, Layer *&layer, std::int32_t &slot) {
    if (!panner.driver_index) return false;
    const auto &slots = panner.driver_index->slots;
    const auto first = slots.lower_bound({channel, std::numeric_limits<std::int64_t>::min(), 0});
    if (first == slots.end() || std::get<0>(*first) != channel) return false;
    const std::int64_t place = std::get<1>(*first);
    layer = layer_by_id(panner, place < (std::int64_t{1} << 31) ? static_cast<std::int32_t>(place)
                                                                   : ~static_cast<std::int32_t>(place - (std::int64_t{1} << 31)));
    slot = std::get<2>(*first);
    return layer != nullptr;
}

void free_driver_index(Panner &panner) {
    delete panner.driver_index;
    panner.driver_index = nullptr;
    delete[] panner.channel_drivers;
    panner.channel_drivers = nullptr;
}

bool channel_driven(const Panner &panner, std::int32_t channel) {
    return panner.channel_drivers && channel >= 1 && channel <= highest_channel && panner.channel_drivers[channel] > 0;
}

void release_layer(Panner &panner, Layer &layer, bool keep_other_drivers) {
    // Uncounted first: the map then asks only the other layers for a channel's drivers.
    if (panner.channel_drivers)
        for (std::int32_t i = 0; i < layer.speaker_count; ++i) {
            --panner.channel_drivers[layer.channels[i]];
            panner.driver_index->slots.erase({layer.channels[i], place_of(layer.layer_id), i});
        }
    // The map is emptied of this layer while its channels are still at hand.
    remove_layer_speakers(panner, layer, keep_other_drivers);
    free_array(layer.azimuths);
    free_array(layer.masks);
    free_array(layer.spreads);
    free_array(layer.last_sent);
    free_array(layer.accumulators);
    free_array(layer.channels);
    layer.speaker_count = 0;
    layer.slot_capacity = 0;
    panner.spread_plan_current = false;  // it points into the arrays just freed
}

void delete_layer(Layer *layer) { delete layer; }

}  // namespace vorn
