// The layout as an SVG: the azimuth/elevation plane with azimuth across and elevation up,
// one cell per loudspeaker shaded by its last amplitude, the solo layers in bands of their
// own below it, and the source with the circle its spread radius reaches. The plane is seen
// as the mask editor shows it, from the listening position facing azimuth 0: 0 in the
// middle, left (positive azimuths) on the left, 180 at both edges.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <set>
#include <sstream>
#include <string>

#include "docs/text_escape.h"
#include "picture/layout_picture.h"

namespace vorn_sim {

namespace {

constexpr double scale = 3;  // pixels per degree
constexpr double plane_left = 60, plane_top = 80;
constexpr double plane_width = 360 * scale, plane_height = 180 * scale;
constexpr double band_height = 60, band_gap = 40;

// Plane x runs 0..360 from the rear on the left round to the rear on the right.
double x_at(double plane_x) { return plane_left + plane_x * scale; }
double wrap(double azimuth) { return std::fmod(std::fmod(azimuth, 360) + 360, 360); }
double x_of(double azimuth) { return x_at(wrap(180 - azimuth)); }
double y_of(double elevation) { return plane_top + (90 - elevation) * scale; }

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    std::string out = text;
    while (out.back() == '0') out.pop_back();
    if (out.back() == '.') out.pop_back();
    return out == "-0" ? "0" : out;
}

std::string precise(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

// White for silence to a deep orange for full level, darker all the way.
std::string shade(double amplitude) {
    const double a = std::clamp(amplitude, 0.0, 1.0);
    const int red = static_cast<int>(std::lround(250 - a * (250 - 214)));
    const int green = static_cast<int>(std::lround(250 - a * (250 - 72)));
    const int blue = static_cast<int>(std::lround(250 - a * (250 - 16)));
    return "rgb(" + std::to_string(red) + "," + std::to_string(green) + "," + std::to_string(blue) + ")";
}

// The plane-x stretches of a cell's azimuths [left, left + width) within 0..360: cells that
// cross an edge come back in from the other side.
std::vector<std::pair<double, double>> azimuth_pieces(double left, double width) {
    if (width >= 360) return {{0, 360}};
    const double start = wrap(180 - left - width);
    if (start + width <= 360) return {{start, start + width}};
    return {{start, 360}, {0, start + width - 360}};
}

void rect(std::ostream &out, double x, double y, double width, double height, const std::string &attributes) {
    out << "<rect x=\"" << number(x) << "\" y=\"" << number(y) << "\" width=\"" << number(width) << "\" height=\""
        << number(height) << "\" " << attributes << "/>";
}

void label(std::ostream &out, double x, double y, const PictureSpeaker &speaker) {
    out << "<circle cx=\"" << number(x) << "\" cy=\"" << number(y) << "\" r=\"2.5\" fill=\"#333\"/>"
        << "<text x=\"" << number(x + 4) << "\" y=\"" << number(y - 4) << "\" class=\"channel\">" << speaker.channel
        << "</text>";
    if (speaker.mask < 1)
        out << "<text x=\"" << number(x + 4) << "\" y=\"" << number(y + 11) << "\" class=\"mask\">mask "
            << number(speaker.mask) << "</text>";
}

void cell_group(std::ostream &out, const PictureSpeaker &speaker, double top, double bottom) {
    out << "<g class=\"cell\" data-channel=\"" << speaker.channel << "\" data-layer=\"" << speaker.layer
        << "\" data-amplitude=\"" << (speaker.amplitude < 0 ? std::string("none") : precise(speaker.amplitude))
        << "\" data-mask=\"" << number(speaker.mask) << "\" fill=\"" << shade(std::max(speaker.amplitude, 0.0))
        << "\">";
    for (const auto &[from, to] : azimuth_pieces(speaker.left, speaker.width))
        rect(out, x_at(from), top, (to - from) * scale, bottom - top, "");
    out << "</g>\n";
}

// The points at an angle `radius` from the source, as (azimuth, elevation) with the azimuth
// unwrapped along the way.
std::vector<std::pair<double, double>> spread_circle(double azimuth, double elevation, double radius) {
    constexpr double degree = std::numbers::pi / 180;
    const double phi = elevation * degree, delta = radius * degree;
    std::vector<std::pair<double, double>> points;
    double previous = azimuth;
    for (int step = 0; step <= 120; ++step) {
        const double bearing = step * 3 * degree;
        const double lat = std::asin(std::sin(phi) * std::cos(delta) + std::cos(phi) * std::sin(delta) * std::cos(bearing));
        double lon = azimuth + std::atan2(std::sin(bearing) * std::sin(delta) * std::cos(phi),
                                          std::cos(delta) - std::sin(phi) * std::sin(lat)) / degree;
        while (lon - previous > 180) lon -= 360;
        while (lon - previous < -180) lon += 360;
        previous = lon;
        points.push_back({lon, lat / degree});
    }
    return points;
}

void source(std::ostream &out, const PictureFacts &facts) {
    // An elevation past a pole points down the far side, as the layer ring folds it.
    double elevation = std::fmod(std::fmod(facts.elevation + 180, 360) + 360, 360) - 180;
    double azimuth = facts.azimuth;
    if (elevation > 90 || elevation < -90) {
        elevation = (elevation > 0 ? 180 : -180) - elevation;
        azimuth += 180;
    }
    azimuth = wrap(azimuth);

    out << "<g class=\"spread\" clip-path=\"url(#plane)\" fill=\"#1c6dd0\" fill-opacity=\"0.16\" stroke=\"#1c6dd0\" "
           "stroke-dasharray=\"5 3\" fill-rule=\"evenodd\" data-radius=\""
        << number(facts.radius) << "\">";
    const bool north = 90 - elevation < facts.radius, south = 90 + elevation < facts.radius;
    if (facts.radius >= 180) {
        rect(out, x_at(0), y_of(90), plane_width, plane_height, "");
    } else {
        const auto points = spread_circle(azimuth, elevation, facts.radius);
        // One path for every copy of the circle, so that the even-odd rule cuts each hole once.
        std::ostringstream path;
        if (north && south) {  // the spread is everything but a cap round the far point
            path << "M" << number(x_at(-360)) << "," << number(y_of(90)) << "h" << number(3 * plane_width) << "v"
                 << number(plane_height) << "h" << number(-3 * plane_width) << "Z";
        }
        std::ostringstream outline;  // the circle alone, without the edges that close it
        for (const double shift : {-360.0, 0.0, 360.0}) {
            std::ostringstream circle;
            circle << "M";
            // Unwrapped, so that the copies a turn to each side finish it across the edges.
            for (const auto &[lon, lat] : points) circle << number(x_at(180 - lon + shift)) << "," << number(y_of(lat)) << " ";
            outline << circle.str();
            path << circle.str();
            if (north != south) {  // the circle goes round a pole: close it along that edge
                const double pole = north ? 90 : -90;
                path << number(x_at(180 - points.back().first + shift)) << "," << number(y_of(pole)) << " "
                     << number(x_at(180 - points.front().first + shift)) << "," << number(y_of(pole)) << " ";
            }
            path << "Z";
        }
        out << "<path stroke=\"none\" d=\"" << path.str() << "\"/><path fill=\"none\" d=\"" << outline.str() << "\"/>";
    }
    out << "</g>\n";
    const double x = x_of(azimuth), y = y_of(elevation);
    out << "<g class=\"source\" data-azimuth=\"" << number(azimuth) << "\" data-elevation=\"" << number(elevation)
        << "\"><circle cx=\"" << number(x) << "\" cy=\"" << number(y)
        << "\" r=\"7\" fill=\"none\" stroke=\"#1c6dd0\" stroke-width=\"2.5\"/>"
        << "<path d=\"M" << number(x - 11) << "," << number(y) << "h22M" << number(x) << "," << number(y - 11)
        << "v22\" stroke=\"#1c6dd0\" stroke-width=\"1.5\"/></g>\n";
}

}  // namespace

std::string layout_svg(const PictureFacts &facts) {
    std::vector<PictureSpeaker> ring, solo;
    std::set<int> solo_layers;
    for (const PictureSpeaker &speaker : facts.speakers) {
        if (speaker.layer >= 0) {
            ring.push_back(speaker);
        } else {
            solo.push_back(speaker);
            solo_layers.insert(-speaker.layer);
        }
    }
    const double bands_top = plane_top + plane_height + band_gap;
    const double height = bands_top + static_cast<double>(solo_layers.size()) * (band_height + band_gap) + 40;
    const double width = plane_left + plane_width + 40;

    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << number(width) << "\" height=\"" << number(height)
        << "\" viewBox=\"0 0 " << number(width) << " " << number(height) << "\" font-family=\"sans-serif\" "
        << "font-size=\"12\">\n"
        << "<!-- Drawn by vorn-sim from what the box sent: regenerate, do not edit. -->\n"
        << "<style>.channel{font-weight:bold;fill:#222}.mask{fill:#a01818;font-size:10px}"
           ".cell rect{stroke:#777;stroke-width:0.8}.axis{fill:#555;font-size:11px}</style>\n"
        << "<defs><clipPath id=\"plane\">";
    rect(out, plane_left, plane_top, plane_width, plane_height, "");
    out << "</clipPath></defs>\n<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";

    out << "<text x=\"" << plane_left << "\" y=\"28\" font-size=\"16\" font-weight=\"bold\">"
        << vorn_docs::xml_text(facts.context.empty() ? std::string("no box") : facts.context) << ": "
        << facts.speakers.size() << " loudspeakers</text>\n"
        << "<text x=\"" << plane_left << "\" y=\"50\">source azimuth " << number(facts.azimuth) << ", elevation "
        << number(facts.elevation) << ", gain " << number(facts.gain) << ", radius " << number(facts.radius)
        << "; cells shaded by the last amplitude sent (white 0, orange 1)</text>\n";

    // Big cells first, so that the small ones they overlap (a lone zenith loudspeaker's cell
    // spans the whole plane) stay in sight.
    std::stable_sort(ring.begin(), ring.end(), [](const PictureSpeaker &a, const PictureSpeaker &b) {
        return a.width * a.height > b.width * b.height;
    });
    out << "<g clip-path=\"url(#plane)\">\n";
    for (const PictureSpeaker &speaker : ring)
        cell_group(out, speaker, y_of(std::min(speaker.top, 90.0)), y_of(std::max(speaker.top - speaker.height, -90.0)));
    out << "</g>\n";

    out << "<g class=\"grid\" stroke=\"#bbb\" stroke-width=\"0.5\" fill=\"none\">";
    for (int across = 0; across <= 360; across += 30)
        out << "<path d=\"M" << number(x_at(across)) << "," << number(plane_top) << "v" << number(plane_height) << "\"/>";
    for (int elevation = -90; elevation <= 90; elevation += 30)
        out << "<path d=\"M" << number(plane_left) << "," << number(y_of(elevation)) << "h" << number(plane_width)
            << "\"/>";
    out << "</g>\n";
    for (int across = 0; across <= 360; across += 30)
        out << "<text class=\"axis\" x=\"" << number(x_at(across)) << "\" y=\"" << number(plane_top + plane_height + 15)
            << "\" text-anchor=\"middle\">" << (across == 360 ? 180 : static_cast<int>(wrap(180 - across))) << "</text>";
    for (int elevation = -90; elevation <= 90; elevation += 30)
        out << "<text class=\"axis\" x=\"" << number(plane_left - 6) << "\" y=\"" << number(y_of(elevation) + 4)
            << "\" text-anchor=\"end\">" << elevation << "</text>";
    out << "\n<text class=\"axis\" x=\"" << number(plane_left + plane_width / 2) << "\" y=\""
        << number(plane_top + plane_height + 30) << "\" text-anchor=\"middle\">azimuth (degrees), as seen from the listening position: left on the left</text>\n";

    for (const PictureSpeaker &speaker : ring) label(out, x_of(speaker.azimuth), y_of(speaker.elevation), speaker);

    int band = 0;
    for (const int layer : solo_layers) {
        const double top = bands_top + band++ * (band_height + band_gap);
        out << "<text class=\"axis\" x=\"" << number(plane_left) << "\" y=\"" << number(top - 6)
            << "\">solo layer " << layer - 1 << " (azimuth only)</text>\n";
        for (const PictureSpeaker &speaker : solo)
            if (-speaker.layer == layer) cell_group(out, speaker, top, top + band_height);
        for (const PictureSpeaker &speaker : solo)
            if (-speaker.layer == layer) label(out, x_of(speaker.azimuth), top + band_height / 2, speaker);
    }

    source(out, facts);
    out << "</svg>\n";
    return out.str();
}

}  // namespace vorn_sim
