#include <algorithm>
#include <bit>
#include <string>
#include <vector>

#include "config/config.h"
#include "host/panner.h"
#include "engine/engine.h"
#include "host/read_atoms.h"

namespace vorn {

namespace {

// A refused "layer" or "solo" drops the whole configuration; without this line a typo in the
// middle of a show leaves silence and nothing that says what became of the rig.
void drop_configuration(Panner &panner, const char *message) {
    clear_configuration(panner);
    host::error(&panner, "%s: the configuration was cleared, every channel silenced; send setup, layer and end again",
                message);
}

// A channel above those the last "end" gave selectors plays nothing until the next one, while
// "info" and "mask" already know it: said once, at the fill that brings it in.
void report_channels_awaiting_end(Panner &panner, const Layer &layer, const char *message) {
    if (!panner.committed) return;
    std::vector<std::int32_t> waiting;
    for (std::int32_t i = 0; i < layer.speaker_count; ++i)
        if (layer.channels[i] > panner.selector_count) waiting.push_back(layer.channels[i]);
    if (waiting.empty()) return;
    std::sort(waiting.begin(), waiting.end());
    waiting.erase(std::unique(waiting.begin(), waiting.end()), waiting.end());
    constexpr std::size_t named_at_most = 8;
    std::string names;
    for (std::size_t k = 0; k < waiting.size() && k < named_at_most; ++k)
        names += (k > 0 ? ", " : "") + std::to_string(waiting[k]);
    if (waiting.size() > named_at_most) names += " and " + std::to_string(waiting.size() - named_at_most) + " more";
    host::error(&panner, "%s: %s %s will sound only after the next end (the last end committed channels 1 to %d)",
                message, waiting.size() == 1 ? "channel" : "channels", names.c_str(), panner.selector_count);
}

}  // namespace

void receive_layer(Panner &panner, host::Args args) {
    if (refused_while_sending(panner, "layer")) return;
    if (panner.ring_count == 0) {
        host::error(&panner, "layer: no speaker layer setup provided");
        return;
    }
    if (args.count <= 1 || args.count % 2 == 0) {
        host::error(&panner,
                    "layer: invalid number of arguments (should be a layer number followed by a channel-azimuth list)");
        drop_configuration(panner, "layer");
        return;
    }
    const std::int32_t given_layers = panner.ring_count / 2;
    if (refused_as_number(panner, "layer", 0, args[0])) {
        drop_configuration(panner, "layer");
        return;
    }
    const std::int32_t number = read_int32(args[0], 0);
    if (number < 0 || number >= given_layers) {
        host::error(&panner, "layer: requested layer %d is outside of available range (have %d)", number,
                    given_layers);
        drop_configuration(panner, "layer");
        return;
    }
    fill_layer(panner, *panner.ring_layers[number], args.tail(1), "layer", 1);
}

void receive_solo(Panner &panner, host::Args args) {
    if (refused_while_sending(panner, "solo")) return;
    if (panner.ring_count == 0) {
        host::error(&panner, "sub: no speaker setup provided");
        return;
    }
    if (args.count == 0) {
        host::error(&panner, "sub: invalid number of arguments (should be a float list)");
        drop_configuration(panner, "solo");
        return;
    }
    // As "layer" refuses a pair without its azimuth, so does "solo".
    if (args.count % 2 != 0) {
        host::error(&panner, "sub: invalid number of arguments (should be a channel-azimuth list; the last channel "
                             "has no azimuth)");
        drop_configuration(panner, "solo");
        return;
    }
    // In the list before it is filled, so a failing fill drops it with everything else.
    fill_layer(panner, *append_solo_layer(panner), args, "solo", 0);
}

// The list holds the next power of two of `solo_count` entries, so only a full list grows,
// to twice its size: a copy of the whole list per "solo" made N messages cost N squared.
Layer *append_solo_layer(Panner &panner) {
    const std::int32_t k = panner.solo_count;
    if (std::has_single_bit(static_cast<std::uint32_t>(k)) || k == 0) {
        Layer **grown = new Layer *[k == 0 ? 1 : 2 * static_cast<std::size_t>(k)];
        std::copy(panner.solo_layers, panner.solo_layers + k, grown);
        delete[] panner.solo_layers;
        panner.solo_layers = grown;
    }
    Layer *layer = new_layer(~k);
    layer->elevation = 0;
    layer->upper_elevation = 360;
    layer->lower_elevation = -360;
    panner.solo_layers[k] = layer;
    panner.solo_count = k + 1;
    return layer;
}

void fill_layer(Panner &panner, Layer &layer, host::Args pairs, const char *message, long first_position) {
    const long p = pairs.count;
    if (p <= 0) return;
    configuration_changed(panner);
    // The channels the layer drove: those of them that no loudspeaker drives after the fill
    // go to 0, and nothing else needs a look.
    const std::vector<std::int32_t> before(layer.channels, layer.channels + layer.speaker_count);
    release_layer(panner, layer, true);
    const std::int32_t m = static_cast<std::int32_t>(p / 2);
    make_speaker_arrays(layer, m);

    const int period = static_cast<int>(layer.period);
    std::int32_t slot = 0;
    std::int32_t channel = 0;
    double azimuth = 0;
    for (long j = 0; j < p; ++j) {
        const host::Atom &atom = pairs[j];
        // A symbol ends the fill as a value out of range would.
        if (refused_as_number(panner, message, first_position + j, atom)) {
            drop_configuration(panner, message);
            return;
        }
        if (j % 2 == 0) {
            channel = read_int32(atom, channel);
            if (channel < 1 || channel > highest_channel) {
                host::error(&panner, "Vorn_horizontal: speaker channels should be between 1 and %d", highest_channel);
                drop_configuration(panner, message);
                return;
            }
            // The channel is stored before its azimuth is read; a trailing one takes no slot.
            if (slot < m) layer.channels[slot] = channel;
            continue;
        }
        azimuth = read_double(atom, azimuth);
        if (!(azimuth >= 0 && azimuth < layer.period)) {
            host::error(&panner, "horizontal layer speaker array should have azimuths between 0 and %d", period);
            drop_configuration(panner, message);
            return;
        }
        if (slot > 0 && layer.azimuths[slot - 1] > azimuth) {
            host::error(&panner,
                        "horizontal layer speaker array should be provided sequentially in ascending order from 0 to "
                        "%d (previous was %f, the newly requested is %f in layer with elevation %f and speaker no. %d)",
                        period, layer.azimuths[slot - 1], azimuth, layer.elevation, slot);
            drop_configuration(panner, message);
            return;
        }
        layer.azimuths[slot] = azimuth;
        register_speaker(panner, slot, layer.channels[slot], layer.layer_id, azimuth, layer.elevation);
        ++slot;
    }
    layer.speaker_count = m;
    count_layer_drivers(panner, layer);
    // The loudspeakers this layer had before are gone: a channel none of the others drives
    // goes to 0 rather than keep the level it had.
    silence_undriven_channels(panner, before);
    report_channels_awaiting_end(panner, layer, message);
    send_queued(panner);
}

}  // namespace vorn
