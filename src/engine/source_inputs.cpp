// The source position and gain as they arrive at the inlets. No NaN or infinity is let
// into the state: one would reach every amplitude.
#include <cmath>

#include "engine/engine.h"
#include "host/panner.h"

namespace vorn {

namespace {

bool accept_gain(Panner &panner, double gain) {
    if (std::isfinite(gain) && gain >= 0) {
        panner.gain = gain + 0.0;  // a gain of -0 would send its zeros as -0
        return true;
    }
    host::error(&panner, "gain must be equal to or greater than 0");
    return false;
}

// The host turns integers into floats through single precision; so do the integers here.
double through_single_precision(std::int64_t integer) { return static_cast<double>(static_cast<float>(integer)); }

double list_number(const host::Atom &atom) {
    return host::is_integer(atom) ? through_single_precision(host::integer_of(atom)) : host::float_of(atom);
}

bool finite_azimuth(Panner &panner, double azimuth) {
    if (std::isfinite(azimuth)) return true;
    host::error(&panner, "azimuth must be a finite number");
    return false;
}

}  // namespace

void receive_azimuth(Panner &panner, double azimuth) {
    if (finite_azimuth(panner, azimuth)) panning_pass(panner, azimuth);
}

void receive_integer_azimuth(Panner &panner, std::int64_t azimuth) {
    receive_azimuth(panner, through_single_precision(azimuth));
}

void receive_elevation(Panner &panner, double elevation) {
    if (!std::isfinite(elevation)) {
        host::error(&panner, "elevation must be a finite number");
        return;
    }
    panner.elevation = elevation;
}

void receive_gain(Panner &panner, double gain) { accept_gain(panner, gain); }

// Read from the last atom to the first, so one atom is the azimuth, two are azimuth and
// elevation, three add the gain.
void receive_position_list(Panner &panner, host::Args args) {
    for (long index = args.count - 1; index >= 0; --index) {
        const host::Atom &atom = args[index];
        if (!host::is_number(atom)) {
            host::error(&panner, "invalid values (should be int/float list)");
            return;
        }
        if (index >= 3) continue;
        const double value = list_number(atom);
        if (index == 2) {
            accept_gain(panner, value);
        } else if (index == 1) {
            receive_elevation(panner, value);
        } else {
            if (!finite_azimuth(panner, value)) return;
            if (!owes_pass(panner)) {  // while sending they stay those of the pass on its way
                panner.working_azimuth_a = value;
                panner.working_azimuth_b = value;
            }
            panning_pass(panner, value);
        }
    }
}

}  // namespace vorn
