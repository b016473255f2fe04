// vorn-layout --rig: a room (its Vorn configuration and the loudspeakers that have outputs)
// turned into a rig patch, with the table of its distance compensation.
#pragma once

#include <string>
#include <vector>

#include "layout/loudspeaker_layout.h"
#include "layout/rig_compensation.h"
#include "layout/vorn_messages.h"

namespace vorn_layout {

inline constexpr int most_rig_sources = 256;

struct RigOptions {
    int sources = 0;  // 0: no rig
    bool dac = false;
    double ramp_ms = 20;
    double speed = default_speed_of_sound;
};

struct Room {
    std::string name;
    VornConfiguration configuration;
    std::vector<int> imaginary_channels;     // in the configuration, with no output
    std::vector<Loudspeaker> loudspeakers;   // the file's, for distances and gains; may be empty
};

// The patch for Pd or Max; the compensation table's lines go to `notes`. Throws LayoutError.
std::string write_rig(const Room &room, const RigOptions &options, MessageFormat format, std::vector<std::string> &notes);

}  // namespace vorn_layout
