// The Speaker map laid out flat for the spread pass: one target per map node, in map order,
// grouped into runs of equal elevation within one layer, with the loudspeaker azimuths that
// differ listed once. The configuration marks it out of date whenever the map or a layer's
// arrays change; it is rebuilt before the next spread pass, into the storage of the last
// build.
#pragma once

#include <cstdint>
#include <vector>

namespace vorn {

struct Layer;

// A layer with loudspeakers, and whether its slots that no map node reaches (their channel
// was entered again later, elsewhere) hold spreads of 0; nothing changes those.
struct PlanLayer {
    Layer *layer;
    bool unreached_zero;
};

struct SpreadTarget {
    double azimuth;  // degrees
    double sin_half_azimuth, cos_half_azimuth;
    double *spread;  // the entry of the node's layer's `spreads` at its `id`
    std::int32_t azimuth_index;  // into SpreadPlan::sines
};

// Consecutive map nodes of one layer whose elevation is equal.
struct SpreadRun {
    Layer *layer;
    double elevation;  // degrees
    double cos_elevation;
    bool within_poles;        // elevation from -90 to 90
    std::int32_t begin, end;  // targets
    bool all_zero;            // every target of the run holds 0 since the last pass
};

// The half-angle sine of the source azimuth minus one loudspeaker azimuth, made at most
// once per pass (`stamp` says which pass made it).
struct SharedSine {
    double azimuth;
    double value;
    std::uint32_t stamp;
};

struct SpreadPlan {
    std::vector<SpreadTarget> targets;
    std::vector<SpreadRun> runs;
    std::vector<SharedSine> sines;
    std::vector<PlanLayer> layers;
    // Scratch of the build: each layer's slots in one row, marked where a node reaches.
    std::vector<std::int32_t> first_slot;  // by position in `layers`
    std::vector<char> reached;
    std::uint32_t stamp = 0;
    // The inputs of the last pass; the spreads are theirs until the plan is rebuilt.
    bool have_last = false;
    double last_azimuth = 0, last_elevation = 0, last_radius = 0;
    // The layers' `spreads_zero` agree with the runs: no run turned from zero to not or back
    // since they were last set, and the plan was not rebuilt.
    bool zero_flags_current = false;
    // The rule-out threshold of the spread pass and the radius it was made for.
    double threshold = 0, threshold_radius = 0;
    // The constant-power scale of the layers' loudspeakers and the pass inputs it belongs
    // to: the same inputs over the same plan give the same amplitudes before the masks.
    struct {
        bool valid = false;
        double azimuth, elevation, radius, gain, scale;
    } ring_power;
};

// After a spread pass: sets each layer's `spreads_zero` from its runs and unreached slots,
// unless they agree already.
void note_layers_with_zero_spreads(SpreadPlan &plan);

}  // namespace vorn
