// The constant-power law: the spread widens a source without making it louder. The pass
// sums every layer of a group first (mode 2), then the amplitudes before the masks are
// scaled so that their squares add up to the square of the source gain, as the sine laws
// alone give at radius 1; the masks cap afterwards.
#include <bit>
#include <cfloat>
#include <cstdint>
#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "config/layer.h"
#include "engine/engine.h"
#include "engine/pre_mask.h"
#include "engine/spread_plan.h"
#include "host/panner.h"
#include "host/read_atoms.h"

namespace vorn {

namespace {

struct Power {
    double squares = 0;  // sum of the squared amplitudes
    double largest = 0;
};

bool same_bits(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

// Accumulators of +0 and spreads of 0 give amplitudes of 0: most layers of a pass.
bool silent(const Layer &layer) { return layer.accumulators_zero && layer.spreads_zero; }

// Four sums side by side: a large layer costs a fraction of the chain of one sum.
void add_power(const Layer &layer, Power &power) {
    if (silent(layer)) return;
    const double *acc = layer.accumulators, *spreads = layer.spreads;
    const std::int32_t n = layer.speaker_count;
    std::int32_t i = 0;
    double squares = 0;
#if defined(__SSE2__)
    // maxpd(a, b) is a > b ? a : b, as pre_mask_amplitude.
    const __m128d gain = _mm_set1_pd(layer.source_gain);
    __m128d sum_a = _mm_setzero_pd(), sum_b = _mm_setzero_pd();
    for (; i + 4 <= n; i += 4) {
        const __m128d a = _mm_max_pd(_mm_loadu_pd(acc + i), _mm_mul_pd(gain, _mm_loadu_pd(spreads + i)));
        const __m128d b = _mm_max_pd(_mm_loadu_pd(acc + i + 2), _mm_mul_pd(gain, _mm_loadu_pd(spreads + i + 2)));
        sum_a = _mm_add_pd(sum_a, _mm_mul_pd(a, a));
        sum_b = _mm_add_pd(sum_b, _mm_mul_pd(b, b));
    }
    double lanes[2];
    _mm_storeu_pd(lanes, _mm_add_pd(sum_a, sum_b));
    squares = lanes[0] + lanes[1];
#endif
    for (; i < n; ++i) {
        const double v = pre_mask_amplitude(acc[i], layer.source_gain * spreads[i]);
        squares += v * v;
    }
    power.squares += squares;
}

void add_largest(const Layer &layer, Power &power) {
    if (silent(layer)) return;
    for (std::int32_t i = 0; i < layer.speaker_count; ++i) {
        const double v = pre_mask_amplitude(layer.accumulators[i], layer.source_gain * layer.spreads[i]);
        if (v > power.largest) power.largest = v;
    }
}

// Squares that overflow or lose their precision below the normal range (a gain beyond
// about 1e150 or below 1e-150) are summed again relative to the largest amplitude.
double relative_scale(Layer *const *layers, std::int32_t count, double gain) {
    Power power;
    for (std::int32_t k = 0; k < count; ++k) add_largest(*layers[k], power);
    const double largest = power.largest;
    if (!(largest > 0) || !(largest <= DBL_MAX)) return 1;  // silent, or an amplitude already infinite
    double squares = 0;
    for (std::int32_t k = 0; k < count; ++k) {
        const Layer &layer = *layers[k];
        if (silent(layer)) continue;
        for (std::int32_t i = 0; i < layer.speaker_count; ++i) {
            const double v = pre_mask_amplitude(layer.accumulators[i], layer.source_gain * layer.spreads[i]) / largest;
            squares += v * v;
        }
    }
    const double scale = gain / largest / std::sqrt(squares);
    return scale > 0 && scale <= DBL_MAX ? scale : 1;
}

// A silent pass (gain 0, or nothing reached) keeps the scale 1 and stays silent.
double power_scale(Layer *const *layers, std::int32_t count, double gain) {
    Power power;
    for (std::int32_t k = 0; k < count; ++k) add_power(*layers[k], power);
    if (power.squares >= DBL_MIN && power.squares <= DBL_MAX) return gain / std::sqrt(power.squares);
    if (power.squares == 0 && gain == 0) return 1;
    return relative_scale(layers, count, gain);
}

}  // namespace

// A source that stays put keeps its scale: the whole sum is skipped. The inputs are compared
// by their bits, and a plan rebuilt since (a new configuration) forgets the scale.
double constant_power_scale(Panner &panner, Layer *const *layers, std::int32_t count, const double *pass_azimuth) {
    SpreadPlan *plan = pass_azimuth && panner.spread_plan_current ? panner.spread_plan : nullptr;
    if (plan && plan->ring_power.valid && same_bits(plan->ring_power.azimuth, *pass_azimuth) &&
        same_bits(plan->ring_power.elevation, panner.elevation) && same_bits(plan->ring_power.radius, panner.radius) &&
        same_bits(plan->ring_power.gain, panner.gain))
        return plan->ring_power.scale;
    const double scale = power_scale(layers, count, panner.gain);
    if (plan) plan->ring_power = {true, *pass_azimuth, panner.elevation, panner.radius, panner.gain, scale};
    return scale;
}

void send_scaled(Panner &panner, Layer *const *layers, std::int32_t count, double scale) {
    for (std::int32_t k = count - 1; k >= 0; --k) send_layer_scaled(panner, *layers[k], scale);
}

void send_at_constant_power(Panner &panner, Layer *const *layers, std::int32_t count) {
    send_scaled(panner, layers, count, constant_power_scale(panner, layers, count, nullptr));
}

void set_constant_power(Panner &panner, double on) {
    if (!(on == 0 || on == 1)) {
        host::error(&panner, "power: 1 keeps the power of the source gain, 0 leaves the spread as it is");
        return;
    }
    panner.constant_power = on == 1;
}

// Read here rather than by the host's typed dispatch, which in some hosts turns a symbol or a
// missing number into 0 and so would turn the law off without a word.
void receive_power(Panner &panner, host::Args args) {
    if (args.count == 0) {
        host::error(&panner, "power: argument 1 is missing; 1 keeps the power of the source gain, 0 leaves the spread "
                             "as it is");
        return;
    }
    if (refused_as_number(panner, "power", 0, args[0])) return;
    set_constant_power(panner, host::number_of(args[0]));
}

}  // namespace vorn
