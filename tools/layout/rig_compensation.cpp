#include "layout/rig_compensation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "layout/loudspeaker_layout.h"

namespace vorn_layout {

namespace {

std::string formatted(const char *format, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

std::string padded(const std::string &text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string name(const RigLoudspeaker &loudspeaker) {
    return "loudspeaker " + std::to_string(loudspeaker.number) + " (channel " + std::to_string(loudspeaker.channel) + ")";
}

}  // namespace

Compensation compensate(std::vector<RigLoudspeaker> loudspeakers, double speed) {
    if (!(speed > 0) || !std::isfinite(speed)) throw LayoutError("the speed of sound must be above 0 m/s");
    std::sort(loudspeakers.begin(), loudspeakers.end(),
              [](const RigLoudspeaker &a, const RigLoudspeaker &b) { return a.channel < b.channel; });
    Compensation compensation;
    compensation.speed = speed;
    double farthest = 0;
    int with_distance = 0;
    for (const RigLoudspeaker &loudspeaker : loudspeakers) {
        if (!std::isfinite(loudspeaker.gain) || loudspeaker.gain < 0)
            throw LayoutError(name(loudspeaker) + ": \"Gain\" must be a number, 0 or more");
        if (!std::isfinite(loudspeaker.radius) || loudspeaker.radius < 0)
            throw LayoutError(name(loudspeaker) + ": \"Radius\" must be a distance in metres above 0");
        if (loudspeaker.radius > 0) ++with_distance;
        farthest = std::max(farthest, loudspeaker.radius);
    }
    compensation.distances = with_distance > 0;
    for (const RigLoudspeaker &loudspeaker : loudspeakers) {
        // One loudspeaker without a distance would leave its delay to guesswork.
        if (compensation.distances && loudspeaker.radius == 0)
            throw LayoutError(name(loudspeaker) + ": no \"Radius\", while others have one: give every loudspeaker its distance");
        RigOutput output{loudspeaker.channel, loudspeaker.radius, 0, loudspeaker.gain};
        if (compensation.distances) {
            output.delay = (farthest - loudspeaker.radius) / speed;
            output.level = loudspeaker.radius / farthest * loudspeaker.gain;
        }
        compensation.outputs.push_back(output);
    }
    return compensation;
}

long long samples_at(double seconds, double rate) { return std::llround(seconds * rate); }

std::vector<std::string> compensation_table(const Compensation &compensation) {
    std::vector<std::string> lines;
    if (compensation.distances)
        lines.push_back("distance compensation at " + number_text(compensation.speed) +
                        " m/s: delay (farthest - this) / speed, level this / farthest, times the file's gain");
    else
        lines.push_back("no distances in the room: no delays, levels from the file's gains alone");
    lines.push_back("channel  distance m  delay ms  samples@48k  trim dB");
    for (const RigOutput &output : compensation.outputs) {
        const std::string trim = output.level > 0 ? formatted("%.2f", 20 * std::log10(output.level)) : "-inf";
        lines.push_back(padded(std::to_string(output.channel), 7) + "  " +
                        padded(compensation.distances ? formatted("%.3f", output.distance) : "-", 10) + "  " +
                        padded(formatted("%.3f", output.delay * 1000), 8) + "  " +
                        padded(std::to_string(samples_at(output.delay, table_rate)), 11) + "  " + padded(trim, 7));
    }
    return lines;
}

}  // namespace vorn_layout
