// The Panner object: the record behind every Vorn box. The host allocates it zeroed with
// the header filled in, so every field must be valid as all-zero bytes.
#pragma once

#include <cstdint>
#include <type_traits>

#include "shell/host.h"

namespace vorn {

struct Layer;
struct SpeakerNode;

struct Panner {
    host::ObjectHeader header;
    host::Inlet *elevation_inlet;
    host::Inlet *gain_inlet;
    host::Outlet *amplitude_outlet;
    host::Outlet *editor_outlet;
    double azimuth;
    double elevation;
    Layer **ring_layers;
    Layer **solo_layers;
    std::int32_t ring_count;
    std::int32_t solo_count;
    SpeakerNode *speaker_map;
    std::int32_t map_total;
    double working_azimuth_a;
    double working_azimuth_b;
    double gain;
    double radius;
    double period;
    const char *context;
    bool refresh_flag;
    host::Symbol **channel_selectors;
    host::Atom output_atom;

    // Kept in step with the fields above by their owners.
    std::int32_t selector_count;     // entries of channel_selectors: map_total of the last commit
    SpeakerNode *speaker_tail;       // last node of the Speaker map
    SpeakerNode **channel_index;     // node of each channel 1..2048, beside the Speaker map
};

static_assert(std::is_standard_layout_v<Panner> && std::is_trivially_copyable_v<Panner>,
              "the host hands out the record as zeroed bytes");

}  // namespace vorn
