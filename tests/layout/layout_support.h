// Layout files for the tests, written here (never downloaded), and vorn-layout run in-process.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "layout/command_line.h"
#include "layout/loudspeaker_layout.h"

namespace layout_test {

struct FileSpeaker {
    double azimuth;    // degrees, positive to the left
    double elevation;  // degrees
    long long channel;
    bool imaginary = false;
    double gain = 1;
};

inline std::string iem_text(const std::vector<FileSpeaker> &speakers, const std::string &name = "Test room") {
    std::string text = "{\n  \"Name\": \"" + name + "\",\n  \"LoudspeakerLayout\": {\n    \"Name\": \"" + name +
                       "\",\n    \"Loudspeakers\": [";
    for (std::size_t i = 0; i < speakers.size(); ++i) {
        const FileSpeaker &s = speakers[i];
        char entry[256];
        std::snprintf(entry, sizeof entry,
                      "%s\n      {\"Azimuth\": %.17g, \"Elevation\": %.17g, \"Radius\": 1.0, \"IsImaginary\": %s, "
                      "\"Channel\": %lld, \"Gain\": %.17g}",
                      i ? "," : "", s.azimuth, s.elevation, s.imaginary ? "true" : "false", s.channel, s.gain);
        text += entry;
    }
    return text + "\n    ]\n  }\n}\n";
}

// A measured hemisphere as a room's survey gives it: a ring at ear height whose elevations
// scatter across -1.1..3.1, a ring above across 40.9..44.2, a zenith, a subwoofer on channel
// 29 (name it with --sub) and an imaginary loudspeaker below on a channel of its own choosing.
// The old rule of 0.5 degrees made nine layers of it.
inline std::vector<FileSpeaker> measured_hemisphere() {
    std::vector<FileSpeaker> speakers;
    const double low_azimuths[] = {0, 21, 43, 64, 85, 106, 127, 148, 170, -169, -148, -127, -106, -85, -64, -42, -21};
    const double low_elevations[] = {-0.2, 1.8, -1.1, 0.9, 3.1, 0.0, 2.4, -1.0, 1.7, 0.1, 2.5, -1.05, 1.0, 3.0, -0.1, 0.8, 1.9};
    for (int i = 0; i < 17; ++i) speakers.push_back({low_azimuths[i], low_elevations[i], i + 1});
    const double high_azimuths[] = {0, 36, 72, 108, 144, 180, -144, -108, -72, -36};
    const double high_elevations[] = {42.0, 43.5, 40.9, 41.8, 44.2, 42.7, 41.0, 43.4, 41.9, 43.6};
    for (int i = 0; i < 10; ++i) speakers.push_back({high_azimuths[i], high_elevations[i], i + 18});
    speakers.push_back({0, 90, 28});
    speakers.push_back({0, -15, 29});
    speakers.push_back({0, -90, 99, true});
    return speakers;
}

// A file under the test's temporary folder; returns its path.
inline std::string temp_file(const std::string &name, const std::string &text) {
    const std::string path = testing::TempDir() + "vorn_layout_" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// The message of the LayoutError that `conversion` throws, or "no error".
template <typename Conversion>
std::string error_of(Conversion conversion) {
    try {
        conversion();
    } catch (const vorn_layout::LayoutError &e) {
        return e.what();
    }
    return "no error";
}

struct Outcome {
    int status;
    std::string out, err;
};

inline Outcome run_vorn_layout(const std::vector<std::string> &arguments, const std::string &input = "") {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = vorn_layout::run_vorn_layout(arguments, in, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace layout_test
