#include "config/layer.h"

#include "config/speaker_map.h"
#include "host/panner.h"

namespace vorn {

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
    for (std::int32_t i = 0; i < layer.speaker_count; ++i) ++panner.channel_drivers[layer.channels[i]];
}

bool channel_driven(const Panner &panner, std::int32_t channel) {
    return panner.channel_drivers && channel >= 1 && channel <= highest_channel && panner.channel_drivers[channel] > 0;
}

void release_layer(Panner &panner, Layer &layer, bool keep_other_drivers) {
    // Uncounted first: the map then asks only the other layers for a channel's drivers.
    if (panner.channel_drivers)
        for (std::int32_t i = 0; i < layer.speaker_count; ++i) --panner.channel_drivers[layer.channels[i]];
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
