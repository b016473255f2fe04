#include <algorithm>
#include <cmath>

#include "config/layer.h"
#include "engine/angles.h"
#include "engine/engine.h"
#include "shell/panner.h"

namespace vorn {

namespace {

// A channel beyond the selectors of the last commit has nothing to be sent under; its
// `last_sent` stays, so it goes out once a commit gives it a selector.
void output_stage(Panner &panner, Layer &layer, std::int32_t i, double floor) {
    const double accumulated = layer.accumulators[i];
    const double v = accumulated > floor ? accumulated : floor;
    const double mask = layer.masks[i];
    const double amplitude = v > mask ? mask : (v > 1 ? 1.0 : v);
    if (amplitude == layer.last_sent[i] && !panner.refresh_flag) return;
    const std::int32_t channel = layer.channels[i];
    if (channel < 1 || channel > panner.selector_count) return;
    send_amplitude(panner, panner.channel_selectors[channel - 1], amplitude);
    layer.last_sent[i] = amplitude;
}

}  // namespace

void pan_layer(Panner &panner, Layer &layer, double azimuth) {
    const std::int32_t n = layer.speaker_count;
    if (n == 0) {
        host::error(&panner, "Vorn_horizontal: no speaker setup provided");
        return;
    }
    const double period = layer.period;
    double x = wrap_into_period(azimuth, period);
    const double *az = layer.azimuths;

    // First loudspeaker strictly beyond x: ties walk on.
    const std::int32_t i = static_cast<std::int32_t>(std::upper_bound(az, az + n, x) - az);
    std::int32_t prev, next;
    double upper;
    if (i > 0 && i < n) {
        prev = i - 1;
        next = i;
        upper = az[i];
    } else {
        prev = n - 1;
        next = 0;
        upper = az[0] + period;
    }
    const double lower = az[prev];
    if (lower > x) x += period;

    const double t = (x - lower) / (upper - lower);
    const double g_prev = std::sin((1 - t) * half_pi);
    const double g_next = std::sin(t * half_pi);
    const double L = layer.layer_gain;
    const double S = layer.source_gain;

    // Every loudspeaker but the bracketing pair contributes exactly 0.
    double prev_contribution, next_contribution = 0;
    if (prev == next) {
        prev_contribution = L * g_next * S + L * g_prev * S;
    } else {
        prev_contribution = g_prev * L * S;
        next_contribution = g_next * L * S;
    }
    double *accumulators = layer.accumulators;
    if (layer.mode != layer_mode_add_and_send) {
        std::fill(accumulators, accumulators + n, 0.0);
        accumulators[prev] = prev_contribution;
        if (prev != next) accumulators[next] = next_contribution;
        return;
    }
    accumulators[prev] = accumulators[prev] + prev_contribution;
    if (prev != next) accumulators[next] = accumulators[next] + next_contribution;
    for (std::int32_t k = 0; k < n; ++k) output_stage(panner, layer, k, S * layer.spreads[k]);
}

}  // namespace vorn
