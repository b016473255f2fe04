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
inline void send_if_selected(Panner &panner, Layer &layer, std::int32_t i, double amplitude) {
    const std::int32_t channel = layer.channels[i];
    if (channel < 1 || channel > panner.selector_count) return;
    send_amplitude(panner, channel, amplitude);
    layer.nonzero_sent += (amplitude != 0) - (layer.last_sent[i] != 0);
    layer.last_sent[i] = amplitude;
}

template <class Law>
inline double amplitude_at(const Layer &layer, std::int32_t i, double source_gain, Law law) {
    return amplitude_of(law.apply(pre_mask_amplitude(layer.accumulators[i], source_gain * layer.spreads[i])),
                        layer.masks[i]);
}

template <class Law>
inline void output_stage(Panner &panner, Layer &layer, std::int32_t i, double source_gain, Law law) {
    const double amplitude = amplitude_at(layer, i, source_gain, law);
    if (amplitude == layer.last_sent[i] && !panner.refresh_flag) return;
    send_if_selected(panner, layer, i, amplitude);
}

bool is_plus_zero(double v) { return std::bit_cast<std::uint64_t>(v) == 0; }

constexpr std::int32_t block = 4;

// The amplitudes of the `block` loudspeakers from `first`, and a bit for each one that
// differs from what it sent last (lowest bit first).
template <class Law>
unsigned block_changes(const Layer &layer, std::int32_t first, double source_gain, Law law, double *amplitudes) {
#if defined(__SSE2__)
    const double *acc = layer.accumulators + first, *spreads = layer.spreads + first;
    const double *masks = layer.masks + first, *last = layer.last_sent + first;
    // maxpd(a, b) is a > b ? a : b and minpd(a, b) is a < b ? a : b, NaN and signed zeros
    // included, so each lane is amplitude_of to the bit.
    const __m128d gain = _mm_set1_pd(source_gain), one = _mm_set1_pd(1.0);
    unsigned changed = 0;
    for (std::int32_t j = 0; j < block; j += 2) {
        __m128d v = _mm_max_pd(_mm_loadu_pd(acc + j), _mm_mul_pd(gain, _mm_loadu_pd(spreads + j)));
        if constexpr (std::is_same_v<Law, Scaled>) v = _mm_mul_pd(v, _mm_set1_pd(law.scale));
        const __m128d mask = _mm_loadu_pd(masks + j);
        const __m128d above_mask = _mm_cmpgt_pd(v, mask);
        const __m128d amplitude =
            _mm_or_pd(_mm_and_pd(above_mask, mask), _mm_andnot_pd(above_mask, _mm_min_pd(one, v)));
        _mm_storeu_pd(amplitudes + j, amplitude);
        const unsigned equal = static_cast<unsigned>(_mm_movemask_pd(_mm_cmpeq_pd(amplitude, _mm_loadu_pd(last + j))));
        changed |= (~equal & 3u) << j;
    }
    return changed;
#else
    unsigned changed = 0;
    for (std::int32_t j = 0; j < block; ++j) {
        amplitudes[j] = amplitude_at(layer, first + j, source_gain, law);
        if (!(amplitudes[j] == layer.last_sent[first + j])) changed |= 1u << j;
    }
    return changed;
#endif
}

// Moving sources change a few loudspeakers of a large layer per pass; a block's amplitudes
// are made side by side and only those that changed are sent, in loudspeaker order. A
// "refresh" sends everything, so it takes the plain walk.
template <class Law>
void send_changed(Panner &panner, Layer &layer, double source_gain, Law law) {
    const std::int32_t n = layer.speaker_count;
    std::int32_t k = 0;
    if (n >= block && !panner.refresh_flag) {
        for (; k + block <= n; k += block) {
            double amplitudes[block];
            for (unsigned changed = block_changes(layer, k, source_gain, law, amplitudes); changed != 0;
                 changed &= changed - 1) {
                const int j = std::countr_zero(changed);
                send_if_selected(panner, layer, k + j, amplitudes[j]);
            }
        }
    }
    for (; k < n; ++k) output_stage(panner, layer, k, source_gain, law);
}

// Accumulators of +0 and spreads of 0 give every loudspeaker the amplitude 0 whatever its
// mask or scale, so a layer that last sent 0 everywhere has nothing to send.
bool nothing_to_send(const Panner &panner, const Layer &layer) {
    return !panner.refresh_flag && layer.accumulators_zero && layer.spreads_zero && layer.nonzero_sent == 0;
}

// What the source adds to the two loudspeakers around it; every other one gets exactly 0.
struct PairContribution {
    std::int32_t prev, next;  // the same loudspeaker when the layer has one
    double to_prev, to_next;
};

PairContribution pair_contribution(Layer &layer, double azimuth, bool adds_nothing) {
    const std::int32_t n = layer.speaker_count;
    const double period = layer.period;
    double x = wrap_into_period(azimuth, period);
    const double *az = layer.azimuths;

    // First loudspeaker strictly beyond x: ties walk on.
    const std::int32_t i = static_cast<std::int32_t>(std::upper_bound(az, az + n, x) - az);
    PairContribution pair{n - 1, 0, 0, 0};
    double upper = az[0] + period;
    if (i > 0 && i < n) {
        pair.prev = i - 1;
        pair.next = i;
        upper = az[i];
    }
    const double lower = az[pair.prev];
    if (lower > x) x += period;
    if (adds_nothing) return pair;

    const double L = layer.layer_gain;
    const double S = layer.source_gain;
    const SineLaw law = sine_law(layer.sine_law_memo, x - lower, upper - lower);
    if (pair.prev == pair.next) {
        pair.to_prev = L * law.rising * S + L * law.falling * S;
    } else {
        pair.to_prev = law.falling * L * S;
        pair.to_next = law.rising * L * S;
    }
    return pair;
}

}  // namespace

void pan_layer(Panner &panner, Layer &layer, double azimuth) {
    const std::int32_t n = layer.speaker_count;
    if (n == 0) {
        report_from_pass(panner, pass_report_empty_layer, "Vorn_horizontal: no speaker setup provided");
        return;
    }
    // A layer whose gain is +0, as most layers' are in a pass, adds exactly +0 everywhere:
    // the sines are finite and not negative, and so is the source gain. Its pair is needed
    // only where adding +0 could change an accumulator (-0 + +0 is +0).
    const bool adds_nothing = is_plus_zero(layer.layer_gain);
    double *accumulators = layer.accumulators;
    const bool sets = layer.mode == layer_mode_set;
    // Adding +0 to +0 changes nothing, and neither does setting +0 over it.
    if (!(adds_nothing && layer.accumulators_zero)) {
        if (sets) std::fill(accumulators, accumulators + n, 0.0);
        if (sets && adds_nothing) {
            layer.accumulators_zero = true;
            return;
        }
        const PairContribution pair = pair_contribution(layer, azimuth, adds_nothing);
        if (sets) {
            accumulators[pair.prev] = pair.to_prev;
            if (pair.prev != pair.next) accumulators[pair.next] = pair.to_next;
        } else {
            accumulators[pair.prev] = accumulators[pair.prev] + pair.to_prev;
            if (pair.prev != pair.next) accumulators[pair.next] = accumulators[pair.next] + pair.to_next;
        }
        if (!adds_nothing) layer.accumulators_zero = false;
    }
    if (layer.mode != layer_mode_add_and_send || nothing_to_send(panner, layer)) return;
    send_changed(panner, layer, layer.source_gain, Unscaled{});
}

void send_layer_scaled(Panner &panner, Layer &layer, double scale) {
    if (layer.speaker_count == 0 || nothing_to_send(panner, layer)) return;
    send_changed(panner, layer, layer.source_gain, Scaled{scale});
}

}  // namespace vorn
