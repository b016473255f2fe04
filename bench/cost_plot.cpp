#include "bench/cost_plot.h"

#include "bench/layouts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vorn_bench {

namespace {

constexpr double width = 680, height = 420, left = 70, right = 170, top = 30, bottom = 50;

struct Axis {
    double low, high;  // decades
    double pixels_from, pixels_to;
    double at(double v) const {
        return pixels_from + (std::log10(v) - low) / (high - low) * (pixels_to - pixels_from);
    }
};

const char *colour_of(double radius) {
    if (radius <= 1) return "#1b6ca8";
    if (radius <= 30) return "#2e9d4f";
    if (radius <= 60) return "#d08a16";
    return "#b8322a";
}

}  // namespace

bool write_cost_plot(const std::string &path, const std::vector<PassCase> &cases,
                     const std::map<std::string, double> &median_us) {
    double lowest = 1e9, highest = 0;
    for (const auto &[name, us] : median_us) {
        if (name.rfind("pass/", 0) != 0 || !(us > 0)) continue;
        lowest = std::min(lowest, us);
        highest = std::max(highest, us);
    }
    if (highest == 0) return false;
    const Axis x{std::log10(6.0), std::log10(2800.0), left, width - right};
    const Axis y{std::floor(std::log10(lowest)), std::ceil(std::log10(highest)), height - bottom, top};

    std::FILE *out = std::fopen(path.c_str(), "w");
    if (!out) return false;
    std::fprintf(out,
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%g\" height=\"%g\" font-family=\"sans-serif\" "
                 "font-size=\"12\">\n<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n",
                 width, height);
    std::fprintf(out, "<text x=\"%g\" y=\"18\" font-size=\"14\">Vorn: cost of one update (median, µs) against "
                      "loudspeaker count</text>\n", left);
    for (double decade = y.low; decade <= y.high; ++decade) {
        const double py = y.at(std::pow(10.0, decade));
        std::fprintf(out, "<line x1=\"%g\" y1=\"%g\" x2=\"%g\" y2=\"%g\" stroke=\"#ddd\"/>\n", left, py, width - right,
                     py);
        std::fprintf(out, "<text x=\"%g\" y=\"%g\" text-anchor=\"end\">%g</text>\n", left - 6, py + 4,
                     std::pow(10.0, decade));
    }
    for (int speakers : layout_counts) {
        const double px = x.at(speakers);
        std::fprintf(out, "<line x1=\"%g\" y1=\"%g\" x2=\"%g\" y2=\"%g\" stroke=\"#ddd\"/>\n", px, top, px,
                     height - bottom);
        std::fprintf(out, "<text x=\"%g\" y=\"%g\" text-anchor=\"middle\">%d</text>\n", px, height - bottom + 16,
                     speakers);
    }
    std::fprintf(out, "<text x=\"%g\" y=\"%g\" text-anchor=\"middle\">loudspeakers</text>\n",
                 (left + width - right) / 2, height - 12);
    std::fprintf(out, "<text transform=\"translate(18 %g) rotate(-90)\" text-anchor=\"middle\">µs per update</text>\n",
                 (top + height - bottom) / 2);

    int legend_row = 0;
    for (bool moving : {true, false}) {
        for (double radius : {1.0, 30.0, 60.0, 180.0}) {
            std::string points;
            for (const PassCase &c : cases) {
                if (c.moving != moving || c.radius != radius) continue;
                const auto found = median_us.find(c.name);
                if (found == median_us.end() || !(found->second > 0)) continue;
                char point[48];
                std::snprintf(point, sizeof point, "%.1f,%.1f ", x.at(c.speakers), y.at(found->second));
                points += point;
            }
            if (points.empty()) continue;
            const char *dash = moving ? "" : " stroke-dasharray=\"5 4\"";
            std::fprintf(out, "<polyline fill=\"none\" stroke=\"%s\" stroke-width=\"2\"%s points=\"%s\"/>\n",
                         colour_of(radius), dash, points.c_str());
            const double ly = top + 16 + 18 * legend_row++;
            std::fprintf(out, "<line x1=\"%g\" y1=\"%g\" x2=\"%g\" y2=\"%g\" stroke=\"%s\" stroke-width=\"2\"%s/>\n",
                         width - right + 12, ly - 4, width - right + 40, ly - 4, colour_of(radius), dash);
            std::fprintf(out, "<text x=\"%g\" y=\"%g\">radius %g, %s</text>\n", width - right + 46, ly, radius,
                         moving ? "moving" : "static");
        }
    }
    std::fprintf(out, "</svg>\n");
    return std::fclose(out) == 0;
}

}  // namespace vorn_bench
