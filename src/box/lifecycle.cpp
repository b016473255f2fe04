#include "box/lifecycle.h"

#include "config/config.h"
#include "engine/engine.h"
#include "box/interface_table.h"
#include "host/outbox.h"
#include "host/panner.h"

namespace vorn {

namespace {

// Process-wide, like the class: the first box of the process posts it.
bool banner_posted = false;

}  // namespace

const char *context_of(host::Args arguments) {
    if (arguments.count < 1 || !host::is_symbol(arguments[0])) {
        host::error(nullptr, "Vorn object requires a name or context (1st argument)");
        return nullptr;
    }
    return host::name_of(host::symbol_of(arguments[0]));
}

void start_panner(Panner &panner, host::Box *box, const char *context) {
    panner.box = box;
    panner.outbox = new Outbox;
    panner.in_flight = new Outbox;
    if (!banner_posted) {
        host::post(&panner, "Vorn %s - layer-based amplitude panning over loudspeaker layers", box_interface::version);
        banner_posted = true;
    }
    panner.context = context;
    panner.ring_layers = nullptr;
    panner.solo_layers = nullptr;
    panner.ring_count = 0;
    panner.solo_count = 0;
    panner.map_total = 0;
    panner.speaker_map = nullptr;
    panner.working_azimuth_a = 0;
    panner.working_azimuth_b = 0;
    panner.gain = 1;
    panner.radius = 1;
    panner.constant_power = false;
    panner.period = 360;
}

void finish_panner(Panner &panner) {
    release_configuration_silently(panner);
    release_channel_selectors(panner);
    delete[] panner.channel_index;
    free_driver_index(panner);
    panner.channel_index = nullptr;
    send_queued(panner);  // a console line of the release
    delete panner.outbox;
    delete panner.in_flight;
    panner.outbox = nullptr;
    panner.in_flight = nullptr;
}

}  // namespace vorn
