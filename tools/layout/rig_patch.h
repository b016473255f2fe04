// A rig: one patch that pans SOURCES sources over a room's loudspeakers with one Vorn box
// each and sends one compensated signal per loudspeaker, laid out for Pd or Max.
#pragma once

#include <string>
#include <vector>

#include "docs/patch.h"
#include "layout/rig_compensation.h"

namespace vorn_layout {

inline constexpr double default_ramp_ms = 20;

struct RigPlan {
    std::string title;          // the room's name, for the patch's heading
    int sources = 1;
    std::string configuration;  // the Vorn messages, as one message box's text
    Compensation compensation;  // one output per loudspeaker that has one, by channel
    double ramp_ms = default_ramp_ms;
    bool dac = false;           // hardware outputs by channel number in place of outlets
};

// The context of every Vorn box in a rig: channel K's amplitude comes as "rig-K".
inline constexpr const char *rig_context = "rig";

vorn_docs::Patch rig_patch(vorn_docs::Host host, const RigPlan &plan);

// A number as a box's argument: six significant digits, as Pd keeps them.
std::string argument_text(double value);

}  // namespace vorn_layout
