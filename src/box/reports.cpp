#include "box/reports.h"

#include <cstring>
#include <span>

#include "config/layer.h"
#include "config/speaker_map.h"
#include "box/interface_table.h"
#include "host/panner.h"

namespace vorn {

void post_info(const Panner &panner) {
    host::post(&panner, "======Vorn INFO======");
    host::post(&panner, "context=%s", panner.context);
    host::post(&panner, "azimuth=%f", panner.azimuth);
    host::post(&panner, "elevation=%f", panner.elevation);
    host::post(&panner, "gain=%f", panner.gain);
    // The spread and its law: what a user most often wonders about when the level surprises.
    host::post(&panner, "radius=%f", panner.radius);
    host::post(&panner, "power=%d", panner.constant_power ? 1 : 0);
    host::post(&panner, "solo_layer=%s", panner.solo_layers ? "yes" : "no");
    for (const SpeakerNode *node = panner.speaker_map; node; node = node->next) {
        const Layer *layer = layer_by_id(panner, node->layer);
        const double mask = layer && node->id < layer->slot_capacity ? layer->masks[node->id] : 1.0;
        host::post(&panner,
                   "speaker.id=%d speaker.channel=%d speaker.layer=%d speaker.mask=%f speaker.azimuth=%f "
                   "speaker.elevation=%f",
                   node->id, node->channel, node->layer, mask, node->azimuth, node->elevation);
    }
    host::post(&panner, "map_total=%d", panner.map_total);
    host::post(&panner, "====END Vorn INFO====");
}

// Any index without a text leaves the host's buffer as it was.
void write_assist(const Panner &, bool inlet, long index, char *dest) {
    using Ports = std::span<const box_interface::Port>;
    const Ports ports = inlet ? Ports(box_interface::inlets) : Ports(box_interface::outlets);
    if (index < 0 || index >= static_cast<long>(ports.size())) return;
    std::strcpy(dest, ports[static_cast<std::size_t>(index)].assist);
}

}  // namespace vorn
