// One horizontal ring of loudspeakers: a given or mirror entry of the layer ring, or a
// solo layer. The six per-loudspeaker arrays exist together or not at all.
#pragma once

#include <cstdint>

#include "host/sine_law_memo.h"

namespace vorn {

struct Panner;

struct Layer {
    double elevation;
    double upper_elevation;
    double lower_elevation;
    std::int32_t layer_id;
    double *azimuths;
    double *masks;
    double *spreads;
    double *last_sent;
    double *accumulators;
    std::int32_t *channels;
    double layer_gain;
    double source_gain;
    double period;
    std::int32_t mode;  // 0: set accumulators, send nothing; 1: add and send; 2: add only
    std::int32_t speaker_count;
    // Slots the arrays were made with; a fill that fails keeps them but leaves
    // speaker_count at 0, and the release must still find the channels it entered.
    std::int32_t slot_capacity;
    // What the output stage may skip on: kept by the engine, set afresh with the arrays.
    std::int32_t nonzero_sent;  // loudspeakers whose last_sent is not 0
    bool accumulators_zero;     // every accumulator is +0
    bool spreads_zero;          // every spread is 0
    SineLawMemo sine_law_memo;  // kept by the engine; a mirror entry is this same record
};

constexpr std::int32_t layer_mode_set = 0;
constexpr std::int32_t layer_mode_add_and_send = 1;
// The constant-power law sends once the whole pass is summed.
constexpr std::int32_t layer_mode_add = 2;

Layer *new_layer(std::int32_t layer_id);
// Frees the arrays and takes the layer's loudspeakers out of the Speaker map; the record
// stays. A layer released alone leaves the map nodes of channels that other layers still
// drive (see remove_layer_speakers); one released with all the others need not.
void release_layer(Panner &panner, Layer &layer, bool keep_other_drivers);
// Frees a record whose arrays were released.
void delete_layer(Layer *layer);
// Makes the six arrays with `count` slots: mask 1, spread 0, last sent -1, accumulator 0.
void make_speaker_arrays(Layer &layer, std::int32_t count);
// Counts the layer's loudspeakers in `channel_drivers` and the driver index once its fill is
// whole; the release takes them out again.
void count_layer_drivers(Panner &panner, const Layer &layer);
// Whether a loudspeaker of a given or solo layer drives the channel now.
bool channel_driven(const Panner &panner, std::int32_t channel);
// The first loudspeaker on the channel in ring order, then solo order, then slot order: its
// layer and slot, or false when none drives it.
bool first_driver(const Panner &panner, std::int32_t channel, Layer *&layer, std::int32_t &slot);
void free_driver_index(Panner &panner);

}  // namespace vorn
