#include "engine/spread_plan.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "config/layer.h"
#include "config/speaker_map.h"
#include "engine/engine.h"
#include "host/panner.h"

namespace vorn {

namespace {

// Azimuths compared by their bits: -0 and 0 differ, so a shared sine is always the one the
// node's own azimuth gives.
std::uint64_t bits_of(double v) { return std::bit_cast<std::uint64_t>(v); }

void list_distinct_azimuths(SpreadPlan &plan) {
    plan.sines.clear();
    for (const SpreadTarget &target : plan.targets) plan.sines.push_back(SharedSine{target.azimuth, 0, 0});
    auto by_bits = [](const SharedSine &a, const SharedSine &b) { return bits_of(a.azimuth) < bits_of(b.azimuth); };
    std::sort(plan.sines.begin(), plan.sines.end(), by_bits);
    plan.sines.erase(std::unique(plan.sines.begin(), plan.sines.end(),
                                 [](const SharedSine &a, const SharedSine &b) {
                                     return bits_of(a.azimuth) == bits_of(b.azimuth);
                                 }),
                     plan.sines.end());
    for (SpreadTarget &target : plan.targets) {
        const SharedSine key{target.azimuth, 0, 0};
        target.azimuth_index =
            static_cast<std::int32_t>(std::lower_bound(plan.sines.begin(), plan.sines.end(), key, by_bits) -
                                      plan.sines.begin());
    }
    plan.stamp = 0;
}

void list_layers(const Panner &panner, SpreadPlan &plan) {
    plan.layers.clear();
    plan.first_slot.clear();
    std::int32_t slots = 0;
    auto add = [&](Layer *layer) {
        plan.layers.push_back(PlanLayer{layer, true});
        plan.first_slot.push_back(slots);
        slots += layer->slot_capacity;
    };
    for (std::int32_t i = 0; i < panner.ring_count; ++i) add(panner.ring_layers[i]);
    for (std::int32_t k = 0; k < panner.solo_count; ++k) add(panner.solo_layers[k]);
    plan.reached.assign(static_cast<std::size_t>(slots), 0);
}

// Ring entries first, then solo layers, as list_layers lists them.
std::int32_t position_of(const Panner &panner, std::int32_t layer_id) {
    return layer_id >= 0 ? layer_id : panner.ring_count + ~layer_id;
}

void note_unreached_spreads(SpreadPlan &plan) {
    for (std::size_t l = 0; l < plan.layers.size(); ++l) {
        const Layer &layer = *plan.layers[l].layer;
        for (std::int32_t slot = 0; slot < layer.slot_capacity; ++slot)
            if (!plan.reached[plan.first_slot[l] + slot] && layer.spreads[slot] != 0) plan.layers[l].unreached_zero = false;
    }
}

}  // namespace

void note_layers_with_zero_spreads(SpreadPlan &plan) {
    if (plan.zero_flags_current) return;
    for (const PlanLayer &entry : plan.layers) entry.layer->spreads_zero = entry.unreached_zero;
    for (const SpreadRun &run : plan.runs)
        if (!run.all_zero) run.layer->spreads_zero = false;
    plan.zero_flags_current = true;
}

void refresh_spread_plan(Panner &panner) {
    if (panner.spread_plan && panner.spread_plan_current) return;
    if (!panner.spread_plan) panner.spread_plan = new SpreadPlan;
    SpreadPlan &plan = *panner.spread_plan;
    plan.targets.clear();
    plan.runs.clear();
    plan.have_last = false;
    plan.zero_flags_current = false;
    plan.ring_power.valid = false;
    list_layers(panner, plan);
    for (const SpeakerNode *node = panner.speaker_map; node; node = node->next) {
        Layer *layer = layer_by_id(panner, node->layer);
        if (!layer || node->id >= layer->slot_capacity) continue;
        plan.reached[plan.first_slot[position_of(panner, node->layer)] + node->id] = 1;
        const std::int32_t index = static_cast<std::int32_t>(plan.targets.size());
        if (plan.runs.empty() || plan.runs.back().layer != layer || !(plan.runs.back().elevation == node->elevation))
            plan.runs.push_back(SpreadRun{layer, node->elevation, node->cos_elevation,
                                          node->elevation >= -90 && node->elevation <= 90, index, index, false});
        plan.targets.push_back(
            SpreadTarget{node->azimuth, node->sin_half_azimuth, node->cos_half_azimuth, &layer->spreads[node->id], 0});
        plan.runs.back().end = index + 1;
    }
    list_distinct_azimuths(plan);
    note_unreached_spreads(plan);
    panner.spread_plan_current = true;
}

void free_spread_plan(Panner &panner) {
    delete panner.spread_plan;
    panner.spread_plan = nullptr;
    panner.spread_plan_current = false;
}

}  // namespace vorn
