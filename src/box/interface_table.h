// The Vorn box as a patch sees it: every message with its arguments and handler, the inlets
// and outlets with their help texts, the creation argument. The Max method table, the Pd
// setup routine, the assist texts, the help patches and the reference page are all made from
// this one table; nothing about the interface is written anywhere else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "config/config.h"
#include "engine/engine.h"
#include "export/mask_editor.h"
#include "host/host.h"
#include "host/panner.h"
#include "box/reports.h"

namespace vorn {

struct Panner;

namespace box_interface {

enum class Arguments {
    none,         // the message alone; any atoms after it are ignored
    one_float,    // one number (a missing one counts as 0)
    one_integer,  // one integer: Max's "int"; Pd has no integer atoms and no such message
    atoms,        // any list of atoms
    host_only,    // called by the host, never by a message from the patch
};

// One handler, of the shape its arguments give; the others stay empty.
struct Handler {
    void (*none)(Panner &) = nullptr;
    void (*one_float)(Panner &, double) = nullptr;
    void (*one_integer)(Panner &, std::int64_t) = nullptr;
    void (*atoms)(Panner &, host::Args) = nullptr;
};

struct Message {
    const char *selector;
    Arguments arguments;
    Handler handler;
    int inlet;              // 0 for the left inlet; the side inlets' floats have their own selectors
    bool in_pd;             // Pd has neither "int" nor "assist"
    const char *synopsis;   // how a message box writes it, e.g. "radius DEGREES"
    const char *digest;     // one line
    const char *description;
};

struct Port {
    const char *assist;  // the host's tooltip; its text is fixed
    const char *type;    // what travels through it, for reference pages ("float", "list", "anything")
    const char *digest;
    const char *description;
};

struct CreationArgument {
    const char *name;
    const char *type;
    const char *digest;
    const char *description;
};

inline constexpr const char *version = "2.6";
inline constexpr const char *class_name = "Vorn";
// The object as a whole, for the reference page and the help patches.
inline constexpr const char *object_digest = "Pan one source over loudspeaker layers";
inline constexpr const char *object_description =
    "Each box pans one virtual sound source over a loudspeaker array built of horizontal layers at different "
    "elevations, closed into a ring over the zenith. It computes gains only and processes no audio: for every output "
    "channel whose amplitude changed it sends one message named after the context and the channel.";

namespace handlers {
inline void on_bang(Panner &panner) { panning_pass(panner, panner.azimuth); }

inline void on_info(Panner &panner) { post_info(panner); }

}  // namespace handlers

using enum Arguments;

// In the order in which the method table is entered: "assist" last, as the host expects it.
inline constexpr Message messages[] = {
    {"bang", none, {.none = handlers::on_bang}, 0, true, "bang",
     "Pan again at the current azimuth",
     "Runs a panning pass with the azimuth last received and the elevation, gain, radius and masks now in force; "
     "only amplitudes that changed are sent."},
    {"list", atoms, {.atoms = receive_position_list}, 0, true, "AZIMUTH [ELEVATION [GAIN]]",
     "Set azimuth, elevation and gain, and pan",
     "Numbers in degrees (azimuth, elevation) and a gain of 0 or more; those given are set and a pass runs. Further "
     "elements are ignored. A symbol in the list is refused with an error, but the numbers after it have already "
     "taken effect, since the list is read from its end."},
    {"float", one_float, {.one_float = receive_azimuth}, 0, true, "AZIMUTH",
     "Set the azimuth and pan",
     "The source azimuth in degrees, counter-clockwise from the front; any finite value, wrapped into 0..360."},
    {"int", one_integer, {.one_integer = receive_integer_azimuth}, 0, false, "AZIMUTH",
     "The integer form of the azimuth",
     "It passes through single precision on its way, as the host's own conversion does."},
    {"ft1", one_float, {.one_float = receive_elevation}, 1, true, "ELEVATION",
     "Store the elevation",
     "The source elevation in degrees, stored without a pass; the next pass uses it. Any finite value."},
    {"ft2", one_float, {.one_float = receive_gain}, 2, true, "GAIN",
     "Store the gain",
     "The source gain, 0 or more, stored without a pass. A negative value is refused with an error."},
    {"end", none, {.none = commit_configuration}, 0, true, "end",
     "Commit the loudspeaker configuration",
     "Makes the channel selectors CONTEXT-1 .. CONTEXT-N, sends the mask-editor geometry from the right outlet, "
     "runs a first pass and posts a confirmation. A ring with a layer that has no loudspeakers is refused with the "
     "layers named, and nothing is committed."},
    {"med", none, {.none = receive_med}, 0, true, "med",
     "Send the mask-editor geometry",
     "Sends the cell of every loudspeaker from the right outlet: mask-editor start, size, one message per "
     "loudspeaker (channel, ring flag, azimuth, elevation, left, top, width, height), end."},
    {"layer", atoms, {.atoms = receive_layer}, 0, true, "layer LAYER CHANNEL AZIMUTH [CHANNEL AZIMUTH ...]",
     "Fill one layer with loudspeakers",
     "LAYER counts from 0 in the order of the setup elevations; each loudspeaker is an output channel (1..2048) "
     "and an azimuth in 0..360, in ascending order. A layer filled again sends 0 on each channel it drops that no "
     "other loudspeaker drives. Any error, a symbol where a number belongs included, drops the whole configuration, "
     "which the console says. A channel above those the last end committed sounds only after the next end, which the "
     "console says at once."},
    {"mask", atoms, {.atoms = set_masks}, 0, true, "mask CHANNEL VALUE [CHANNEL VALUE ...]",
     "Cap channels",
     "Each VALUE (0..1) caps the amplitude of its channel from the next pass on; values outside the range are "
     "reported and clamped. A CHANNEL is a whole number above 0; one that is refused (a fraction, a symbol, 0 or "
     "less) skips its VALUE, and a symbol as VALUE skips its pair."},
    {"radius", atoms, {.atoms = receive_radius}, 0, true, "radius DEGREES",
     "Set the spread radius",
     "Widens the source: every loudspeaker within DEGREES (1..360) of its direction gets a floor that grows "
     "towards the source. Takes effect at the next pass."},
    {"power", atoms, {.atoms = receive_power}, 0, true, "power 0|1",
     "Keep the level as the spread widens",
     "1 scales every pass's amplitudes, before the masks, so that their squares add up to the square of the gain: "
     "a wider radius spreads the same power instead of adding to it. The layers' loudspeakers and each solo layer "
     "keep it apart. 0, the default, leaves the spread floor as it is. From the next pass on; setup keeps it. "
     "Any other value, a symbol or no number at all is refused and the law stays as it was."},
    {"solo", atoms, {.atoms = receive_solo}, 0, true, "solo CHANNEL AZIMUTH [CHANNEL AZIMUTH ...]",
     "Add an azimuth-only layer",
     "A layer that follows the azimuth alone, whatever the elevation: subwoofers, say. Each solo message adds one. "
     "As with layer, a channel without its azimuth or any other error drops the whole configuration."},
    {"setup", atoms, {.atoms = setup_ring}, 0, true, "setup ELEVATION [ELEVATION ...]",
     "Start a configuration with the layer elevations",
     "Elevations in degrees, ascending and distinct, within -90..90. All are checked first: a refused setup changes "
     "nothing, a good one silences and drops any earlier configuration."},
    {"refresh", none, {.none = refresh}, 0, true, "refresh",
     "Pan and send every amplitude",
     "A pass that sends every channel's amplitude, changed or not."},
    {"info", none, {.none = handlers::on_info}, 0, true, "info",
     "Print the state to the console",
     "Context, position, gain, the spread radius, power=1 while the constant-power law is on (else power=0), and "
     "one line per loudspeaker with its channel, layer, mask and direction."},
    {"assist", host_only, {}, 0, false, "",
     "Help texts of the inlets and outlets", "Called by the host only."},
};

inline constexpr Port inlets[] = {
    {"azimuth and various options (see Vorn.calc~ for more info)", "anything",
     "Azimuth and configuration",
     "A number sets the azimuth and pans; the messages set up loudspeakers, masks and the radius."},
    {"elevation", "float", "Elevation", "The source elevation in degrees, used at the next pass."},
    {"gain (0-1)", "float", "Gain", "The source gain, 0 or more, used at the next pass."},
};

inline constexpr Port outlets[] = {
    {"float list: channel, amplitude", "anything", "Channel amplitudes",
     "One message per channel whose amplitude changed: the selector CONTEXT-CHANNEL and one float in 0..1, ready "
     "for route."},
    {"mask-editor", "anything", "Mask-editor geometry",
     "mask-editor messages describing each loudspeaker's cell on the azimuth/elevation plane."},
};

inline constexpr CreationArgument creation_argument = {
    "context", "symbol", "Context name",
    "Required. The first word of every amplitude message: channel 3 of [Vorn hall] leaves as hall-3."};

// The behaviours a user could trip on, each with a title for the reference page's notes.
struct Caveat {
    const char *title;
    const char *text;
};

inline constexpr Caveat caveats[] = {
    {"A channel given twice",
     "A channel given to two loudspeakers keeps one map entry, the one entered last: mask and the spread reach only that loudspeaker. When its layer lets the channel go, the entry passes to the other loudspeaker."},
    {"A layer filled again",
     "A layer filled again sends 0 on each channel it drops that no other loudspeaker drives; setup and every refused layer or solo send 0 on every channel still above 0. A refused layer or solo drops the whole configuration and says so: send setup, layer and end again. A channel that a fill after end brings in above the committed ones sounds only after the next end, which the fill says."},
    {"Before the first end",
     "Until end has committed a configuration, no pass runs: the first position, bang or refresh says so, once. end refuses a ring with a layer that has no loudspeakers, naming it."},
    {"Repeated complaints",
     "A line that a pass would post on every pass (no setup, no commit) is posted once per configuration change. Dropping a configuration posts nothing about its empty layers."},
    {"A symbol for a number",
     "A symbol where setup, layer, solo, mask, radius or power expects a number is reported with its position: setup then changes nothing, layer and solo drop the configuration, mask skips the pair, radius and power stay."},
    {"A symbol in a list",
     "A list with a symbol in it is refused, but the numbers after the symbol have already taken effect."},
    {"Configuring from the box's own output",
     "setup, layer, solo, end and med that come back through the patch while the box is sending are refused."},
    {"Moving from the box's own output",
     "float, int, list, bang and refresh that come back through the patch while the box is sending, from any thread, store their values at once; one pass with the latest values follows when the sending is done. A patch that answers every pass stops after 1000 such passes in a row, and a loop through several boxes after 10000 passes on one thread, with one line that names the box."},
};

// A note without its title (a plain string would compile as one) fails here.
consteval bool every_caveat_titled() {
    for (const Caveat &caveat : caveats)
        if (caveat.title == nullptr || caveat.text == nullptr) return false;
    return true;
}
static_assert(every_caveat_titled(), "every caveat has a title and a text");

// The row of a selector, or none.
inline const Message *find_message(std::string_view selector) {
    for (const Message &message : messages)
        if (selector == message.selector) return &message;
    return nullptr;
}

}  // namespace box_interface
}  // namespace vorn
