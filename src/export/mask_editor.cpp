#include "export/mask_editor.h"

#include "config/layer.h"
#include "config/speaker_map.h"
#include "engine/engine.h"
#include "host/panner.h"

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

// A "med" that comes back through the patch while the box sends would export inside the
// export, without end.
void receive_med(Panner &panner) {
    if (refused_while_sending(panner, "med") || !may_export(panner)) return;
    export_mask_editor(panner);
}

void export_mask_editor(Panner &panner) {
    if (speaker_map_empty(panner)) {
        host::error(&panner, "mask-editor: no layers and/or speakers defined");
        return;
    }
    using host::Value;
    host::Symbol *selector = host::intern("mask-editor");
    const Value start[] = {Value::of_symbol(host::intern("start"))};
    send_from(panner, panner.editor_outlet, selector, start);
    const Value size[] = {Value::of_symbol(host::intern("size")), Value::of_integer(panner.map_total)};
    send_from(panner, panner.editor_outlet, selector, size);

    for (const SpeakerNode *node = panner.speaker_map; node; node = node->next) {
        const Layer *layer = layer_by_id(panner, node->layer);
        if (!layer || node->id >= layer->speaker_count) continue;  // only a fill in progress leaves such a node
        const Cell cell = cell_of(*node, *layer);
        const Value description[] = {
            Value::of_integer(node->channel), Value::of_integer(node->layer >= 0 ? 1 : 0),
            Value::of_real(node->azimuth),    Value::of_real(node->elevation),
            Value::of_real(cell.left),        Value::of_real(cell.top),
            Value::of_real(cell.width),       Value::of_real(cell.height),
        };
        send_from(panner, panner.editor_outlet, selector, description);
    }
    const Value end[] = {Value::of_symbol(host::intern("end"))};
    send_from(panner, panner.editor_outlet, selector, end);
    send_queued(panner);
}

}  // namespace vorn
