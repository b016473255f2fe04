// Distance compensation of a rig: every loudspeaker delayed and attenuated so that a sound
// sent to all of them arrives at the listener at once and as loud as from the farthest one.
#pragma once

#include <string>
#include <vector>

namespace vorn_layout {

inline constexpr double default_speed_of_sound = 343;  // m/s, air at 20 degrees
inline constexpr double table_rate = 48000;            // Hz: the table's samples

// A loudspeaker with an output, as the room file gives it.
struct RigLoudspeaker {
    int channel = 0;
    double radius = 0;  // metres; 0 for none
    double gain = 1;    // the file's own gain
    int number = 0;     // in the file, to name it in messages
};

struct RigOutput {
    int channel = 0;
    double distance = 0;  // metres; 0 when the room gives no distances
    double delay = 0;     // seconds
    double level = 1;     // distance over the farthest's, times the file's gain
};

struct Compensation {
    bool distances = false;  // false: no delays, levels from the gains alone
    double speed = default_speed_of_sound;
    std::vector<RigOutput> outputs;  // ascending by channel
};

// Delays (farthest - this) / speed and levels this / farthest, times each gain. Distances
// apply when every loudspeaker has one, none when none has; anything else, a radius or gain
// that is not a finite number of the right sign, or a speed that is not above 0, throws
// LayoutError naming the loudspeaker.
Compensation compensate(std::vector<RigLoudspeaker> loudspeakers, double speed);

// Seconds as whole samples at a rate, to the nearest.
long long samples_at(double seconds, double rate);

// The table for stderr, one line each: a heading, the columns, then one row per channel
// (channel, distance m, delay ms, samples at 48 kHz, trim dB).
std::vector<std::string> compensation_table(const Compensation &compensation);

}  // namespace vorn_layout
