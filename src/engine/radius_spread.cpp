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

// A value of h above this puts the angle beyond the radius by a wide margin (a millionth
// of the value, against rounding errors of a few units in the last place), so the
// loudspeaker's spread is 0 without the arcsine. Above 170 degrees the test is not used.
double beyond_radius_threshold(double radius) {
    if (radius > 170) return 2;
    const double s = std::sin(radius * pi / 360);
    return s * s * (1 + 1e-6);
}

// Whole turns change neither the cosine nor the squared half-angle sines, but near the top
// of the double range the products below overflow and the angle comes out NaN, which would
// give every loudspeaker the floor 1. Only there are the turns dropped first, so every
// other input goes through the formula untouched.
double without_overflowing_turns(double angle) {
    return std::isfinite((std::fabs(angle) + 360) * pi) ? angle : std::fmod(angle, 360.0);
}

// The azimuth sine from the angle-difference identity and the loudspeaker's fixed half-angle
// sine and cosine: within about 1e-11 of the formula's own value while the source azimuth
// stays within a million degrees, which is far inside the threshold's margin. It only ever
// rules a loudspeaker out; every spread that is not 0 comes from the formula itself.
struct AzimuthEstimate {
    bool usable;
    double sin_half, cos_half;

    explicit AzimuthEstimate(double source_azimuth)
        : usable(std::fabs(source_azimuth) <= 1e6),
          sin_half(std::sin(source_azimuth * pi / 360)),
          cos_half(std::cos(source_azimuth * pi / 360)) {}

    double sa(const SpeakerNode &node) const {
        return sin_half * node.cos_half_azimuth - cos_half * node.sin_half_azimuth;
    }
};

constexpr double estimate_slack = 1e-9;

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
    const double source_azimuth = without_overflowing_turns(panner.azimuth);
    const double source_elevation = without_overflowing_turns(panner.elevation);
    const double cos_source = std::cos(source_elevation * pi / 180);
    const double h_beyond = beyond_radius_threshold(radius);
    // With the source's cosine not negative, h is at least se * se, so a loudspeaker can be
    // ruled out by the elevation alone.
    const bool elevation_bounds_h = cos_source >= 0;
    const AzimuthEstimate estimate(source_azimuth);
    const bool may_estimate = estimate.usable && h_beyond <= 1;

    // Loudspeakers of one layer share an elevation, so its sine is reused along a run.
    double se_for = NAN, se = 0;
    for (SpeakerNode *node = panner.speaker_map; node; node = node->next) {
        Layer *layer = layer_by_id(panner, node->layer);
        if (!layer || node->id >= layer->slot_capacity) continue;
        double &spread = layer->spreads[node->id];
        if (!(node->elevation == se_for)) {
            se_for = node->elevation;
            se = std::sin((source_elevation - node->elevation) * pi / 180 * 0.5);
        }
        if (elevation_bounds_h && se * se > h_beyond) {
            spread = 0;
            continue;
        }
        if (may_estimate) {
            const double sa_estimate = estimate.sa(*node);
            if (cos_source * node->cos_elevation * sa_estimate * sa_estimate + se * se > h_beyond + estimate_slack) {
                spread = 0;
                continue;
            }
        }
        const double sa = std::sin((source_azimuth - node->azimuth) * pi / 180 * 0.5);
        double h = cos_source * node->cos_elevation * sa * sa + se * se;
        if (h > h_beyond) {
            spread = 0;
            continue;
        }
        // Rounding can push h a hair outside 0..1; clamped, the angle is never NaN.
        h = h < 0 ? 0 : (h > 1 ? 1 : h);
        const double s = std::sqrt(h);
        const double half_angle = std::asin(s);
        const double angle = (half_angle + half_angle) * 180 / pi;
        if (radius < angle) {
            spread = 0;
            continue;
        }
        const int flag = wrap_flag(source_azimuth, node->azimuth, radius);
        const double near_ratio = clamp_ratio(angle / radius);
        const double far_ratio = clamp_ratio((360 - angle) / radius);
        const double near_share = std::sin((1 - near_ratio) * half_pi);
        // Without the flag the far share is sin(+0) = +0, and adding it changes nothing.
        spread = flag ? std::sin((1 - far_ratio) * flag * half_pi) + near_share : near_share;
    }
}

}  // namespace vorn
