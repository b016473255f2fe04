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
