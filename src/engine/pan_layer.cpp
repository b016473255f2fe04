#include <algorithm>
#include <bit>
#include <cmath>
#include <type_traits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "config/layer.h"
#include "engine/angles.h"
#include "engine/engine.h"
#include "engine/pre_mask.h"
#include "engine/sine_law.h"
#include "host/panner.h"

namespace vorn {

namespace {

// The floor is the source gain times the spread; the mask and 1 cap the result. Written
// as the comparisons the block test below mirrors lane by lane.
double amplitude_of(double v, double mask) { return v > mask ? mask : (v > 1 ? 1.0 : v); }

// The constant-power law scales the amplitude before the cap; the default law multiplies
// by nothing, so its path is the one it always was.
struct Unscaled {
    static double apply(double v) { return v; }
};
struct Scaled {
    double scale;
    double apply(double v) const { return v * scale; }
};

// A channel beyond the selectors of the last commit has nothing to be sent under; its
// `last_sent` stays, so it goes out once a commit gives it a selector.
template <class Law>
inline void output_stage(Panner &panner, Layer &layer, std::int32_t i, double source_gain, Law law) {
    const double before_mask = pre_mask_amplitude(layer.accumulators[i], source_gain * layer.spreads[i]);
    const double amplitude = amplitude_of(law.apply(before_mask), layer.masks[i]);
    if (amplitude == layer.last_sent[i] && !panner.refresh_flag) return;
    const std::int32_t channel = layer.channels[i];
    if (channel < 1 || channel > panner.selector_count) return;
    send_amplitude(panner, channel, amplitude);
    layer.nonzero_sent += (amplitude != 0) - (layer.last_sent[i] != 0);
    layer.last_sent[i] = amplitude;
}

bool is_plus_zero(double v) { return std::bit_cast<std::uint64_t>(v) == 0; }

constexpr std::int32_t block = 4;

// True when all `block` loudspeakers from `first` would send what they sent last.
template <class Law>
bool block_unchanged(const Layer &layer, std::int32_t first, double source_gain, Law law) {
    const double *acc = layer.accumulators + first, *spreads = layer.spreads + first;
    const double *masks = layer.masks + first, *last = layer.last_sent + first;
#if defined(__SSE2__)
    // maxpd(a, b) is a > b ? a : b and minpd(a, b) is a < b ? a : b, NaN and signed zeros
    // included, so each lane is amplitude_of to the bit.
    const __m128d gain = _mm_set1_pd(source_gain), one = _mm_set1_pd(1.0);
    __m128d all_equal = _mm_castsi128_pd(_mm_set1_epi32(-1));
    for (std::int32_t j = 0; j < block; j += 2) {
        __m128d v = _mm_max_pd(_mm_loadu_pd(acc + j), _mm_mul_pd(gain, _mm_loadu_pd(spreads + j)));
        if constexpr (std::is_same_v<Law, Scaled>) v = _mm_mul_pd(v, _mm_set1_pd(law.scale));
        const __m128d mask = _mm_loadu_pd(masks + j);
        const __m128d above_mask = _mm_cmpgt_pd(v, mask);
        const __m128d amplitude =
            _mm_or_pd(_mm_and_pd(above_mask, mask), _mm_andnot_pd(above_mask, _mm_min_pd(one, v)));
        all_equal = _mm_and_pd(all_equal, _mm_cmpeq_pd(amplitude, _mm_loadu_pd(last + j)));
    }
    return _mm_movemask_pd(all_equal) == 3;
#else
    bool all_equal = true;
    for (std::int32_t j = 0; j < block; ++j)
        all_equal &= amplitude_of(law.apply(pre_mask_amplitude(acc[j], source_gain * spreads[j])), masks[j]) == last[j];
    return all_equal;
#endif
}

// Moving sources change a few loudspeakers of a large layer per pass; whole blocks that
// would send nothing are passed over. A "refresh" sends everything, so it takes the
// plain walk.
template <class Law>
void send_changed(Panner &panner, Layer &layer, double source_gain, Law law) {
    const std::int32_t n = layer.speaker_count;
    std::int32_t k = 0;
    if (n >= block && !panner.refresh_flag) {
        for (; k + block <= n; k += block) {
            if (block_unchanged(layer, k, source_gain, law)) continue;
            for (std::int32_t j = k; j < k + block; ++j) output_stage(panner, layer, j, source_gain, law);
        }
    }
    for (; k < n; ++k) output_stage(panner, layer, k, source_gain, law);
}

// Accumulators of +0 and spreads of 0 give every loudspeaker the amplitude 0 whatever its
// mask or scale, so a layer that last sent 0 everywhere has nothing to send.
bool nothing_to_send(const Panner &panner, const Layer &layer) {
    return !panner.refresh_flag && layer.accumulators_zero && layer.spreads_zero && layer.nonzero_sent == 0;
}

}  // namespace

void pan_layer(Panner &panner, Layer &layer, double azimuth) {
    const std::int32_t n = layer.speaker_count;
    if (n == 0) {
        report_from_pass(panner, pass_report_empty_layer, "Vorn_horizontal: no speaker setup provided");
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

    const double L = layer.layer_gain;
    const double S = layer.source_gain;

    // Every loudspeaker but the bracketing pair contributes exactly 0. So does the pair of
    // a layer whose gain is +0, as most layers' are in a pass: both sines are finite and
    // not negative, and so is the source gain, so every product below is +0 without them.
    const bool adds_nothing = is_plus_zero(L);
    double prev_contribution = 0, next_contribution = 0;
    if (!adds_nothing) {
        const SineLaw law = sine_law(layer.sine_law_memo, (x - lower) / (upper - lower));
        const double g_prev = law.falling;
        const double g_next = law.rising;
        if (prev == next) {
            prev_contribution = L * g_next * S + L * g_prev * S;
        } else {
            prev_contribution = g_prev * L * S;
            next_contribution = g_next * L * S;
        }
    }
    double *accumulators = layer.accumulators;
    if (layer.mode == layer_mode_set) {
        if (adds_nothing && layer.accumulators_zero) return;
        std::fill(accumulators, accumulators + n, 0.0);
        accumulators[prev] = prev_contribution;
        if (prev != next) accumulators[next] = next_contribution;
        layer.accumulators_zero = adds_nothing;
        return;
    }
    // Adding +0 to +0 changes nothing; to anything else it could (-0 + +0 is +0).
    if (!(adds_nothing && layer.accumulators_zero)) {
        accumulators[prev] = accumulators[prev] + prev_contribution;
        if (prev != next) accumulators[next] = accumulators[next] + next_contribution;
        if (!adds_nothing) layer.accumulators_zero = false;
    }
    if (layer.mode == layer_mode_add || nothing_to_send(panner, layer)) return;
    send_changed(panner, layer, S, Unscaled{});
}

void send_layer_scaled(Panner &panner, Layer &layer, double scale) {
    if (layer.speaker_count == 0 || nothing_to_send(panner, layer)) return;
    send_changed(panner, layer, layer.source_gain, Scaled{scale});
}

}  // namespace vorn
