// The speaker configuration: what the rest of the object may call.
#pragma once

#include "config/layer.h"
#include "config/speaker_map.h"
#include "host/host.h"

namespace vorn {

struct Panner;

// "setup": builds the layer ring from ascending elevations.
void setup_ring(Panner &panner, host::Args elevations);
// Silences and drops every layer, every solo layer and the Speaker map.
void clear_configuration(Panner &panner);
// "layer": fills one given layer of the ring.
void receive_layer(Panner &panner, host::Args args);
// "solo": adds and fills a solo layer.
void receive_solo(Panner &panner, host::Args args);
Layer *append_solo_layer(Panner &panner);
// `message` and `first_position` name the pairs' atoms in error lines.
void fill_layer(Panner &panner, Layer &layer, host::Args pairs, const char *message, long first_position);
// "end": channel selectors, mask-editor export, first pass and confirmation.
void commit_configuration(Panner &panner);
void release_channel_selectors(Panner &panner);
// Frees every layer and the map without sending anything, as the box goes away.
void release_configuration_silently(Panner &panner);

}  // namespace vorn
