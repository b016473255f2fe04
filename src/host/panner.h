// The Panner object: the state behind every Vorn box, free of any host type. Each host's
// binding keeps it in its own record, after the host's header.
#pragma once

#include <cstdint>
#include <span>
#include <type_traits>

#include "host/host.h"
#include "host/sine_law_memo.h"
#include "host/outbox.h"

namespace vorn {

struct Layer;
struct SpeakerNode;
struct SpreadPlan;
struct DriverIndex;

struct Panner {
    host::Box *box;  // the binding's record that holds this Panner, for console lines
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
    bool constant_power;  // "power 1": every pass keeps the power of the source gain
    double period;
    const char *context;
    bool refresh_flag;
    host::Symbol **channel_selectors;

    // Kept in step with the fields above by their owners.
    std::int32_t selector_count;     // entries of channel_selectors: map_total of the last commit
    SpeakerNode *speaker_tail;       // last node of the Speaker map
    SpeakerNode **channel_index;     // node of each channel 1..2048, beside the Speaker map
    // Loudspeakers on each channel 1..2048 over the given and solo layers' filled slots, so
    // that a fill learns whether a channel it drops is still driven without a walk of them all.
    std::int32_t *channel_drivers;
    DriverIndex *driver_index;  // the same slots by channel in ring, solo and slot order
    std::int32_t selector_capacity;  // symbols made in channel_selectors; kept across commits
    SpreadPlan *spread_plan;         // the map laid out flat for the spread pass
    bool spread_plan_current;        // false once the map or a layer's arrays changed

    // What this box sends, queued under its region and sent outside it (outbox.h): `outbox`
    // takes new entries, `in_flight` is the batch on its way, sent by `sending_thread`
    // (none while nothing is on its way).
    Outbox *outbox;
    Outbox *in_flight;
    const void *sending_thread;
    std::int32_t senders_waiting;  // threads the host called that wait to send for this box

    // A position or "refresh" that came back through the patch while this box was sending:
    // its values are stored, and one pass for all of them is owed until the sending ends.
    bool pass_owed;
    bool refresh_owed;

    // What the patch holds on each channel 1..2048: the amplitude last sent on it, whichever
    // loudspeaker sent it. Made with the first selectors; a channel left above 0 when no
    // loudspeaker drives it any more is sent 0 from it.
    double *channel_held;
    // A successful "end" commits the configuration; "setup" and a dropped configuration take
    // it back, and until the next "end" no pass runs.
    bool committed;
    std::uint32_t commits;  // successful "end"s so far
    bool in_pass;
    // Counts configuration changes. A console line that a pass would post on every pass is
    // posted once per change: its bit in `pass_reports_given` stays set until the next one.
    std::uint32_t configuration_serial;
    std::uint32_t pass_reports_given;
    SineLawMemo crossfade_memo;  // the pass's crossfade between the two layers around the source
};

// A message that arrives on the thread that is sending for this box came back through the
// patch; one from any other thread is an ordinary message.
inline bool sending_here(const Panner &panner) {
    return panner.sending_thread && panner.sending_thread == this_thread_tag();
}

// A position that arrives while this box sends, through the patch on any thread, waits for the
// sender to run its pass; one the host delivers runs at once.
inline bool owes_pass(const Panner &panner) { return panner.sending_thread && inside_a_send(); }

inline void send_from(Panner &panner, host::Outlet *outlet, host::Symbol *selector,
                      std::span<const host::Value> values) {
    panner.outbox->add_message(outlet, selector, values);
}

inline void send_amplitude(Panner &panner, std::int32_t channel, double amplitude) {
    if (panner.channel_held) panner.channel_held[channel] = amplitude;
    host::Symbol *selector = panner.channel_selectors[channel - 1];
    panner.outbox->add_amplitude(panner.amplitude_outlet, selector, amplitude);
}

// A configuration change that arrives through such a loop is refused: the patch answering
// the box's own output with a new configuration of it is a loop, not a setup.
inline bool refused_while_sending(Panner &panner, const char *message) {
    if (!sending_here(panner)) return false;
    host::error(&panner, "%s: ignored, it arrived while this object was sending (a feedback loop in the patch)",
                message);
    return true;
}

// Every configuration change calls this: the lines a pass reports may be posted again.
inline void configuration_changed(Panner &panner) {
    ++panner.configuration_serial;
    panner.pass_reports_given = 0;
}

// The layer a Speaker node's `layer` value names: ring entry k for k >= 0, solo layer ~k
// otherwise; none for an id that names no layer.
inline Layer *layer_by_id(const Panner &panner, std::int32_t layer_id) {
    if (layer_id >= 0) return layer_id < panner.ring_count ? panner.ring_layers[layer_id] : nullptr;
    const std::int32_t solo_index = ~layer_id;
    return solo_index < panner.solo_count ? panner.solo_layers[solo_index] : nullptr;
}

static_assert(std::is_standard_layout_v<Panner> && std::is_trivially_copyable_v<Panner>,
              "creation clears the record as plain bytes");

}  // namespace vorn
