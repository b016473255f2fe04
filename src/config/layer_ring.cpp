#include <initializer_list>
#include <vector>

#include "config/config.h"
#include "engine/engine.h"
#include "host/panner.h"
#include "host/read_atoms.h"

namespace vorn {

namespace {

constexpr const char *map_not_freed =
    "BUG: map has not been completely freed (should have been by freeing layers, expecting memory leaks)...";

// Every amplitude of the layer works out as 0, so each channel not already at 0 is sent 0.
// A layer without loudspeakers has nothing to silence: clearing is not a pass, and its
// empty layers are no error here.
void silence_layer(Panner &panner, Layer &layer) {
    if (layer.speaker_count == 0) return;
    for (std::int32_t mode : {layer_mode_set, layer_mode_add_and_send}) {
        layer.layer_gain = 0;
        layer.source_gain = 0;
        layer.mode = mode;
        pan_layer(panner, layer, 0);
    }
}

void free_layers(Panner &panner, Layer **&layers, std::int32_t &count) {
    for (std::int32_t i = 0; i < count; ++i) {
        release_layer(panner, *layers[i], false);
        delete_layer(layers[i]);
    }
    delete[] layers;
    layers = nullptr;
    count = 0;
}

void report_leftover_map(Panner &panner) {
    if (!speaker_map_empty(panner) || panner.map_total != 0) host::error(&panner, "%s", map_not_freed);
    discard_speaker_map(panner);
}

}  // namespace

void clear_configuration(Panner &panner) {
    if (panner.solo_count > 0) {
        for (std::int32_t k = 0; k < panner.solo_count; ++k) silence_layer(panner, *panner.solo_layers[k]);
        free_layers(panner, panner.solo_layers, panner.solo_count);
    }
    if (panner.ring_count > 0) {
        const std::int32_t given = panner.ring_count / 2;
        for (std::int32_t i = 0; i < given; ++i) silence_layer(panner, *panner.ring_layers[i]);
        free_layers(panner, panner.ring_layers, panner.ring_count);
    }
    report_leftover_map(panner);
    // A channel that the layers no longer reached (a loudspeaker dropped by a fill) goes to 0 too.
    silence_undriven_channels(panner);
    panner.committed = false;
    configuration_changed(panner);
    send_queued(panner);
}

void release_configuration_silently(Panner &panner) {
    if (panner.ring_count > 0) free_layers(panner, panner.ring_layers, panner.ring_count);
    if (panner.solo_count > 0) free_layers(panner, panner.solo_layers, panner.solo_count);
    report_leftover_map(panner);
    free_spread_plan(panner);
}

namespace {

// Every elevation is checked before anything changes: a refused "setup" leaves the
// configuration in force as it was. Returns false after the error line.
bool read_elevations(Panner &panner, host::Args atoms, std::vector<double> &elevations) {
    for (long i = 0; i < atoms.count; ++i) {
        if (refused_as_number(panner, "setup", i, atoms[i])) return false;
        const double e = host::number_of(atoms[i]);
        if (!(e >= -90 && e <= 90)) {
            host::error(&panner, "setup: speaker layers should have elevation between -90 and 90 degrees");
            return false;
        }
        if (i > 0 && elevations.back() >= e) {
            host::error(&panner,
                        "setup: speaker layers should be provided sequentially in ascending order from -90 to 90 "
                        "degrees and multiple layers may not share the same elevation");
            return false;
        }
        elevations.push_back(e);
    }
    return true;
}

}  // namespace

void setup_ring(Panner &panner, host::Args atoms) {
    const long n = atoms.count;
    if (n == 0) return;
    if (refused_while_sending(panner, "setup")) return;
    std::vector<double> elevations;
    elevations.reserve(static_cast<std::size_t>(n));
    if (!read_elevations(panner, atoms, elevations)) return;
    clear_configuration(panner);
    // Its sends left the region: a configuration another thread made meanwhile goes too.
    while (panner.ring_count > 0 || panner.solo_count > 0) clear_configuration(panner);

    const long entries = 2 * n;
    Layer **ring = new Layer *[entries];
    for (long i = 0; i < entries; ++i) ring[i] = new_layer(static_cast<std::int32_t>(i));
    for (long i = 0; i < n; ++i) ring[i]->elevation = elevations[static_cast<std::size_t>(i)];
    for (long j = 0; j < n; ++j) ring[n + j]->elevation = (90 - ring[n - 1 - j]->elevation) + 90;

    for (long k = 0; k < entries; ++k) {
        const long below = (k - 1 + entries) % entries;
        ring[below]->upper_elevation = ring[k]->elevation;
        ring[k]->lower_elevation = ring[below]->elevation;
    }
    panner.ring_layers = ring;
    panner.ring_count = static_cast<std::int32_t>(entries);
    configuration_changed(panner);
}

}  // namespace vorn
