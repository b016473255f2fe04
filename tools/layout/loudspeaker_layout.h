// A loudspeaker layout as IEM layout files and the standard layouts describe it, and the
// Vorn configuration it becomes. Both sides of the conversion meet here.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace vorn_layout {

// One loudspeaker in the file's terms: degrees, azimuth positive to the left
// (counter-clockwise seen from above), elevation positive up.
struct Loudspeaker {
    double azimuth = 0;
    double elevation = 0;
    long long channel = 0;  // 1-based output channel, as written (range checked later)
    double gain = 1;        // the file's own gain; Vorn has none to carry it
    double radius = 0;      // metres from the listener; 0 where the layout gives none, NaN for no number
    bool imaginary = false;
    bool lfe = false;       // no direction of its own: goes to the solo layer
    std::string label;      // "L", "TpFC", ...; empty for loudspeakers read from a file
    int number = 0;         // 1-based position in the file or table, to name it in messages
};

struct LoudspeakerLayout {
    std::string name;
    std::vector<Loudspeaker> loudspeakers;
};

// One loudspeaker of a Vorn layer: azimuth in degrees, 0 (incl.) .. 360 (excl.).
struct VornSpeaker {
    int channel = 0;
    double azimuth = 0;
};

// What "setup", "layer" and "solo" carry: elevations ascending and distinct in -90..90, one
// layer per elevation with azimuths ascending, and the azimuth-only solo layers.
struct VornConfiguration {
    std::vector<double> elevations;
    std::vector<std::vector<VornSpeaker>> layers;
    std::vector<std::vector<VornSpeaker>> solo_layers;
};

// Anything that cannot be converted; the text is meant for the user as it stands.
class LayoutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "loudspeaker 3 (channel 5)" or "loudspeaker 3 (TpFL, channel 5)", for messages.
std::string describe(const Loudspeaker &loudspeaker);

// Degrees in the shortest text that reads back as the same double; -0 prints as 0.
std::string number_text(double value);

}  // namespace vorn_layout
