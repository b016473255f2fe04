// The panning engine: what the rest of the object may call.
#pragma once

#include <cstdint>
#include <span>

#include "host/host.h"

namespace vorn {

struct Panner;
struct Layer;

// Pans one azimuth within one layer; in mode 1 it also queues every changed amplitude.
void pan_layer(Panner &panner, Layer &layer, double azimuth);
// Turns the source direction and gain into amplitudes for every loudspeaker and sends them.
// Arriving on the thread that is sending for this box, it stores the azimuth and owes the
// pass instead (see send_queued).
void panning_pass(Panner &panner, double azimuth);
// Called inside the box's region wherever a message's sending ends, and by the bindings after
// every message: sends what is queued outside the region (deliver_queued), then the pass owed
// to positions that came back meanwhile, with the latest values. A message that came back
// leaves this to the sender further out. State may change between the batches (another
// thread's message); each pass reads it afresh.
void send_queued(Panner &panner);
// Asked before a mask-editor export: false once the patch's answers on this thread have run
// past their budget (see Answering), and the one line saying so is posted.
bool may_export(Panner &panner);
// The lines a pass would post on every pass, one bit each.
constexpr std::uint32_t pass_report_no_ring = 1;
constexpr std::uint32_t pass_report_not_committed = 2;
constexpr std::uint32_t pass_report_empty_layer = 4;
constexpr std::uint32_t pass_report_no_speakers = 8;
// Within a pass, each of them is posted once per configuration change; elsewhere always.
void report_from_pass(Panner &panner, std::uint32_t report, const char *text);
// Sends 0 on every channel the patch holds above 0 that no loudspeaker of the
// configuration drives any more (all of them once the layers are gone).
void silence_undriven_channels(Panner &panner);
// The same for these channels only.
void silence_undriven_channels(Panner &panner, std::span<const std::int32_t> channels);
// Sends a layer summed in mode 2, every amplitude times `scale` before the mask.
void send_layer_scaled(Panner &panner, Layer &layer, double scale);
// The scale that makes the squares of these layers' amplitudes add up to the square of the
// source gain. Given the pass's azimuth, it is kept for the next pass with the same inputs.
double constant_power_scale(Panner &panner, Layer *const *layers, std::int32_t count, const double *pass_azimuth);
// Sends these layers at one scale, from the last layer to the first.
void send_scaled(Panner &panner, Layer *const *layers, std::int32_t count, double scale);
// Both: scales these layers to the gain's power and sends them.
void send_at_constant_power(Panner &panner, Layer *const *layers, std::int32_t count);
// "power 1" turns the constant-power law on, "power 0" off; from the next pass on.
void set_constant_power(Panner &panner, double on);
// "power": one number, refused when it is a symbol or missing.
void receive_power(Panner &panner, host::Args args);
// Stores a new spread radius and recomputes every loudspeaker's spread floor.
void update_spreads(Panner &panner, double radius);
// "radius": one number.
void receive_radius(Panner &panner, host::Args args);
// Lays the Speaker map out flat for the spread pass, if it changed since the last time.
// The spread pass calls it, so a configuration of many messages is laid out once, by the
// pass of its "end"; only a pass after a configuration larger than any before allocates.
void refresh_spread_plan(Panner &panner);
void free_spread_plan(Panner &panner);
// Sets per-channel amplitude ceilings from channel/value pairs.
void set_masks(Panner &panner, host::Args args);

// The source inputs of the left inlet.
void receive_azimuth(Panner &panner, double azimuth);
// "int": as an azimuth, through single precision as the host converts it.
void receive_integer_azimuth(Panner &panner, std::int64_t azimuth);
void receive_position_list(Panner &panner, host::Args args);
void receive_elevation(Panner &panner, double elevation);
void receive_gain(Panner &panner, double gain);
void refresh(Panner &panner);

}  // namespace vorn
