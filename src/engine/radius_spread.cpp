#include <bit>
#include <cmath>

#include "config/layer.h"
#include "config/speaker_map.h"
#include "engine/angles.h"
#include "engine/engine.h"
#include "engine/spread_plan.h"
#include "host/panner.h"
#include "host/read_atoms.h"

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
double beyond_radius_threshold(SpreadPlan &plan, double radius) {
    if (radius > 170) return 2;
    if (!(plan.threshold_radius == radius)) {
        const double s = std::sin(radius * pi / 360);
        plan.threshold = s * s * (1 + 1e-6);
        plan.threshold_radius = radius;
    }
    return plan.threshold;
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
    double source_azimuth;
    bool usable;
    bool made = false;  // the sine and cosine are made on first use, as most passes need none
    double sin_half = 0, cos_half = 0;

    explicit AzimuthEstimate(double azimuth) : source_azimuth(azimuth), usable(std::fabs(azimuth) <= 1e6) {}

    double sa(const SpreadTarget &target) {
        if (!made) {
            sin_half = std::sin(source_azimuth * pi / 360);
            cos_half = std::cos(source_azimuth * pi / 360);
            made = true;
        }
        return sin_half * target.cos_half_azimuth - cos_half * target.sin_half_azimuth;
    }
};

constexpr double estimate_slack = 1e-9;

double clamp_ratio(double q) {
    q = q > 0 ? q : 0;
    return q > 1 ? 1 : q;
}

bool same_bits(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

// The spreads of the last pass still hold when the source direction and the radius are the
// same to the bit and the plan was not rebuilt since.
bool spreads_still_hold(SpreadPlan &plan, const Panner &panner, double radius) {
    if (plan.have_last && same_bits(plan.last_azimuth, panner.azimuth) &&
        same_bits(plan.last_elevation, panner.elevation) && same_bits(plan.last_radius, radius))
        return true;
    plan.have_last = true;
    plan.last_azimuth = panner.azimuth;
    plan.last_elevation = panner.elevation;
    plan.last_radius = radius;
    return false;
}

void write_run_zero(SpreadPlan &plan, SpreadRun &run) {
    if (run.all_zero) return;
    for (std::int32_t k = run.begin; k < run.end; ++k) *plan.targets[k].spread = 0;
    run.all_zero = true;
    plan.zero_flags_current = false;
}

std::uint32_t next_stamp(SpreadPlan &plan) {
    if (++plan.stamp == 0) {
        for (SharedSine &sine : plan.sines) sine.stamp = 0;
        plan.stamp = 1;
    }
    return plan.stamp;
}

// Between the poles the angle is at least the difference in elevation, so a run of
// loudspeakers beyond the radius in elevation alone needs no sine at all. The margin
// covers the rounding of the formula by many orders of magnitude.
struct ElevationScreen {
    double source_elevation;
    bool source_within_poles;
    double reach;

    bool rules_out(const SpreadRun &run) const {
        return source_within_poles && run.within_poles && std::fabs(source_elevation - run.elevation) > reach;
    }
};

// The formula for the loudspeakers of every run the screen lets through.
void spreads_within_reach(const Panner &panner, SpreadPlan &plan, double radius, const ElevationScreen &screen) {
    const double source_azimuth = without_overflowing_turns(panner.azimuth);
    const double source_elevation = screen.source_elevation;
    // Made on first use: most passes rule every run out before they need it.
    double cos_source = NAN;
    auto source_cosine = [&] {
        if (std::isnan(cos_source)) cos_source = std::cos(source_elevation * pi / 180);
        return cos_source;
    };
    const double h_beyond = beyond_radius_threshold(plan, radius);
    AzimuthEstimate estimate(source_azimuth);
    const bool may_estimate = estimate.usable && h_beyond <= 1;
    const std::uint32_t stamp = next_stamp(plan);

    for (SpreadRun &run : plan.runs) {
        if (screen.rules_out(run)) continue;
        const double se = std::sin((source_elevation - run.elevation) * pi / 180 * 0.5);
        // With the source's cosine not negative, h is at least se * se, so the elevation
        // alone can rule the run out.
        if (se * se > h_beyond && source_cosine() >= 0) {
            write_run_zero(plan, run);
            continue;
        }
        const double cos_product = source_cosine() * run.cos_elevation;
        bool all_zero = true;
        for (std::int32_t k = run.begin; k < run.end; ++k) {
            const SpreadTarget &target = plan.targets[k];
            double &spread = *target.spread;
            if (may_estimate) {
                const double sa_estimate = estimate.sa(target);
                if (cos_product * sa_estimate * sa_estimate + se * se > h_beyond + estimate_slack) {
                    spread = 0;
                    continue;
                }
            }
            SharedSine &shared = plan.sines[target.azimuth_index];
            if (shared.stamp != stamp) {
                shared.value = std::sin((source_azimuth - target.azimuth) * pi / 180 * 0.5);
                shared.stamp = stamp;
            }
            const double sa = shared.value;
            double h = cos_product * sa * sa + se * se;
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
            const int flag = wrap_flag(source_azimuth, target.azimuth, radius);
            const double near_ratio = clamp_ratio(angle / radius);
            const double far_ratio = clamp_ratio((360 - angle) / radius);
            const double near_share = std::sin((1 - near_ratio) * half_pi);
            // Without the flag the far share is sin(+0) = +0, and adding it changes nothing.
            spread = flag ? std::sin((1 - far_ratio) * flag * half_pi) + near_share : near_share;
            if (spread != 0) all_zero = false;
        }
        if (run.all_zero != all_zero) plan.zero_flags_current = false;
        run.all_zero = all_zero;
    }
}

}  // namespace

void update_spreads(Panner &panner, double radius) {
    if (!(radius >= 1 && radius <= 360)) {
        host::error(&panner, "radius needs to be between 1 and 360");
        return;
    }
    panner.radius = radius;
    if (speaker_map_empty(panner)) {
        report_from_pass(panner, pass_report_no_speakers, "radius: no speakers defined");
        return;
    }
    refresh_spread_plan(panner);
    SpreadPlan &plan = *panner.spread_plan;
    if (spreads_still_hold(plan, panner, radius)) return;

    const double source_elevation = without_overflowing_turns(panner.elevation);
    const ElevationScreen screen{source_elevation, source_elevation >= -90 && source_elevation <= 90,
                                 radius * (1 + 1e-6)};
    bool any_within_reach = false;
    for (SpreadRun &run : plan.runs) {
        if (screen.rules_out(run))
            write_run_zero(plan, run);
        else
            any_within_reach = true;
    }
    // With a small radius most passes end here: the source lies between the rings.
    if (any_within_reach) spreads_within_reach(panner, plan, radius, screen);
    note_layers_with_zero_spreads(plan);
}

void receive_radius(Panner &panner, host::Args args) {
    if (args.count > 0 && refused_as_number(panner, "radius", 0, args[0])) return;
    update_spreads(panner, args.count > 0 ? host::number_of(args[0]) : 0.0);  // none counts as 0
}

}  // namespace vorn
