#include <cmath>

#include "config/layer.h"
#include "config/speaker_map.h"
#include "engine/angles.h"
#include "engine/engine.h"
#include "shell/panner.h"

namespace vorn {

namespace {

// 1 when the loudspeaker lies within the radius in azimuth, the long way round included.
int wrap_flag(double source_azimuth, double speaker_azimuth, double radius) {
    if (!(radius > 180)) return 0;
    const double a = wrap_into_period(source_azimuth, 360.0);
    const double p = speaker_azimuth;
    if (p > a) return (p < a + radius && p - 360 > a - radius) ? 1 : 0;
    return (a + radius > p + 360 && p > a - radius) ? 1 : 0;
}

double clamp_ratio(double q) {
    q = q > 0 ? q : 0;
    return q > 1 ? 1 : q;
}

}  // namespace

void update_spreads(Panner &panner, double radius) {
    if (!(radius >= 1 && radius <= 360)) {
        host::error(&panner, "radius needs to be between 1 and 360");
        return;
    }
    panner.radius = radius;
    if (speaker_map_empty(panner)) {
        host::error(&panner, "radius: no speakers defined");
        return;
    }
    const double source_azimuth = panner.azimuth;
    const double source_elevation = panner.elevation;
    const double cos_source = std::cos(source_elevation * pi / 180);

    // Loudspeakers of one layer share an elevation, so its sine is reused along a run.
    double se_for = NAN, se = 0;
    for (SpeakerNode *node = panner.speaker_map; node; node = node->next) {
        if (!(node->elevation == se_for)) {
            se_for = node->elevation;
            se = std::sin((source_elevation - node->elevation) * pi / 180 * 0.5);
        }
        const double sa = std::sin((source_azimuth - node->azimuth) * pi / 180 * 0.5);
        double h = cos_source * node->cos_elevation * sa * sa + se * se;
        // Rounding can push h a hair outside 0..1; clamped, the angle is never NaN.
        h = h < 0 ? 0 : (h > 1 ? 1 : h);
        const double s = std::sqrt(h);
        const double half_angle = std::asin(s);
        const double angle = (half_angle + half_angle) * 180 / pi;

        const int flag = wrap_flag(source_azimuth, node->azimuth, radius);
        double spread = 0;
        if (!(radius < angle)) {
            const double near_ratio = clamp_ratio(angle / radius);
            const double far_ratio = clamp_ratio((360 - angle) / radius);
            spread = std::sin((1 - far_ratio) * flag * half_pi) + std::sin((1 - near_ratio) * half_pi);
        }
        Layer *layer = layer_by_id(panner, node->layer);
        if (layer && node->id < layer->slot_capacity) layer->spreads[node->id] = spread;
    }
}

}  // namespace vorn
