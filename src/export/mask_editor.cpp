#include "export/mask_editor.h"

#include "config/layer.h"
#include "config/speaker_map.h"
#include "engine/engine.h"
#include "shell/panner.h"

namespace vorn {

namespace {

struct Cell {
    double left, top, width, height;
};

// A neighbour at the same azimuth or elevation counts as lying a full turn away.
Cell cell_of(const SpeakerNode &node, const Layer &layer) {
    if (layer.speaker_count == 1) {
        return Cell{node.azimuth - 180, node.elevation + 180, (node.azimuth + 180) - (node.azimuth - 180),
                    (node.elevation + 180) - (node.elevation - 180)};
    }
    const std::int32_t i = node.id;
    const std::int32_t n = layer.speaker_count;
    const double az = node.azimuth;
    double p = layer.azimuths[i == 0 ? n - 1 : i - 1];
    if (p >= az) p -= 360;
    const double left = az - (az - p) * 0.5;
    double q = layer.azimuths[i == n - 1 ? 0 : i + 1];
    if (az >= q) q += 360;
    const double right = (q - az) * 0.5 + az;

    const double e = layer.elevation;
    double u = layer.upper_elevation;
    if (e >= u) u += 360;
    const double top = (u - e) * 0.5 + e;
    double d = layer.lower_elevation;
    if (d >= e) d -= 360;
    const double bottom = (d - e) * 0.5 + e;
    return Cell{left, top, right - left, top - bottom};
}

}  // namespace

void export_mask_editor(Panner &panner) {
    if (speaker_map_empty(panner)) {
        host::error(&panner, "mask-editor: no layers and/or speakers defined");
        return;
    }
    host::Symbol *selector = host::intern("mask-editor");
    host::Atom atoms[8];
    host::set_symbol(atoms[0], host::intern("start"));
    send_from(panner, panner.editor_outlet, selector, 1, atoms);
    host::set_symbol(atoms[0], host::intern("size"));
    host::set_integer(atoms[1], panner.map_total);
    send_from(panner, panner.editor_outlet, selector, 2, atoms);

    for (const SpeakerNode *node = panner.speaker_map; node; node = node->next) {
        const Layer *layer = layer_by_id(panner, node->layer);
        if (!layer || node->id >= layer->speaker_count) continue;  // only a fill in progress leaves such a node
        const Cell cell = cell_of(*node, *layer);
        host::set_integer(atoms[0], node->channel);
        host::set_integer(atoms[1], node->layer >= 0 ? 1 : 0);
        host::set_float(atoms[2], node->azimuth);
        host::set_float(atoms[3], node->elevation);
        host::set_float(atoms[4], cell.left);
        host::set_float(atoms[5], cell.top);
        host::set_float(atoms[6], cell.width);
        host::set_float(atoms[7], cell.height);
        send_from(panner, panner.editor_outlet, selector, 8, atoms);
    }
    host::set_symbol(atoms[0], host::intern("end"));
    send_from(panner, panner.editor_outlet, selector, 1, atoms);
    run_owed_passes(panner);
}

}  // namespace vorn
