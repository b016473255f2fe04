// The help patch of both hosts: a small dome configured, a source moved, a radius and a
// mask set, the amplitudes routed to number boxes. The texts beside the boxes come from the
// interface table; only the layout and the example dome are written here.
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

#include "layout/grouping.h"
#include "layout/standard_layouts.h"
#include "layout/vorn_messages.h"
#include "patch.h"
#include "patch_layout.h"
#include "box/interface_table.h"

namespace vorn_docs {

namespace {

namespace table = vorn::box_interface;

constexpr const char *context = "hall";

// Three rings at 0, 35 and 70 degrees and two subwoofers: small enough to read every
// amplitude in the patch.
constexpr const char *dome_messages[] = {
    "setup 0 35 70",
    "layer 0 1 0 2 60 3 120 4 180 5 240 6 300",
    "layer 1 7 45 8 135 9 225 10 315",
    "layer 2 11 90 12 270",
    "solo 13 90 14 270",
    "end",
};

const table::Message &message(std::string_view selector) { return *table::find_message(selector); }
std::string digest(std::string_view selector) { return message(selector).digest; }
std::string synopsis_and_digest(std::string_view selector) {
    const table::Message &m = message(selector);
    return text(m.synopsis, ": ", m.digest, ".");
}
std::string described(std::string_view selector) {
    const table::Message &m = message(selector);
    return text(m.selector, ": ", m.digest, ". ", m.description);
}

std::string joined(const char *const *first, const char *const *last, const char *separator) {
    std::string text;
    for (const char *const *it = first; it != last; ++it) text += (it == first ? "" : separator) + std::string(*it);
    return text;
}

// The messages of a standard layout, as vorn-layout writes them for this host's message box.
std::vector<std::string> standard_layout_messages(const std::string &name, Host host) {
    vorn_layout::GroupingOptions options;
    if (host == Host::pd) options.significant_digits = 6;
    const auto configuration = vorn_layout::group_layout(*vorn_layout::named_layout(name), options).configuration;
    return vorn_layout::vorn_messages(configuration);
}

}  // namespace

Patch help_patch(Host host) {
    Layout layout(host);
    std::vector<std::pair<std::string, std::vector<std::string>>> standard;
    for (const std::string &name : vorn_layout::standard_layout_names())
        standard.emplace_back(name, standard_layout_messages(name, host));
    int channels = highest_channel(dome_messages);
    for (const auto &[name, messages] : standard) channels = std::max(channels, highest_channel(messages));

    layout.comment(20, 10, 1100, text(table::class_name, ": ", table::object_digest, "."));
    layout.comment(20, 35, 1100, table::object_description);

    // The box in the middle: everything above sends to it, everything below listens.
    const int vorn = layout.object(300, 450, 80, text(table::class_name, " ", context),
                                   static_cast<int>(std::size(table::inlets)),
                                   std::vector<std::string>(std::size(table::outlets), ""));
    layout.comment(400, 450, 400,
                   text("The argument \"", context, "\" is the context. ", table::creation_argument.description));

    std::string step = "1. Configure the loudspeakers (click the message once).";
    for (const char *selector : {"setup", "layer", "solo", "end"}) step.append(" ").append(synopsis_and_digest(selector));
    layout.comment(20, 90, 460, text(step, " Solo holds the subwoofers here."));
    const int configuration =
        layout.message_box(20, 200, 460, joined(std::begin(dome_messages), std::end(dome_messages), ", "));
    layout.connect(configuration, 0, vorn, 0);

    layout.comment(20, 260, 460, "2. Move the source. Elevation and gain are stored first, then a bang pans.");
    const char *const control_names[] = {"azimuth", "elevation", "gain"};
    const double ranges[][2] = {{0, 360}, {-90, 90}, {0, 1}};
    for (int inlet = 0; inlet < 3; ++inlet) {
        const int y = 290 + 45 * inlet;
        layout.comment(20, y, 80, control_names[inlet]);
        const int control = layout.slider(100, y, ranges[inlet][0], ranges[inlet][1]);
        if (inlet == 0) {
            layout.connect(control, 0, vorn, 0);
        } else {
            layout.connect(control, 0, layout.store_then_bang(235, y, vorn, inlet), 0);
        }
        layout.comment(290, y, 220, table::inlets[inlet].description);
    }

    layout.comment(520, 90, 290, text("3. ", described("radius")));
    const int radius = layout.number(520, 215);
    layout.connect(radius, 0, layout.prepend(590, 215, "radius", vorn), 0);

    layout.comment(520, 270, 290, text("4. ", described("mask")));
    layout.connect(layout.message_box(520, 370, 80, "mask 1 0.5"), 0, vorn, 0);
    layout.connect(layout.message_box(610, 370, 80, "mask 1 1."), 0, vorn, 0);

    layout.comment(840, 90, 300, "5. Ask the box.");
    const char *const requests[] = {"bang", "refresh", "info", "med"};
    for (int i = 0; i < 4; ++i) {
        const int y = 120 + 40 * i;
        layout.connect(layout.message_box(840, y, 60, requests[i]), 0, vorn, 0);
        layout.comment(910, y, 230, text(digest(requests[i]), "."));
    }

    const int below = layout.route_channels(20, 510, vorn, context, channels, channels);
    layout.comment(20, below, 780,
                   text("6. ", table::outlets[0].digest, ": ", table::outlets[0].description));

    const int printer = layout.object(840, 510, 120, "print mask-editor", 1, {});
    layout.connect(vorn, 1, printer, 0);
    layout.comment(840, 540, 300, text(table::outlets[1].digest, ": ", table::outlets[1].description));

    int y = 640;
    layout.comment(20, y, 1100,
                   "7. The standard layouts, ready to use (vorn-layout prints these, and converts layout files):");
    for (const auto &[name, messages] : standard) {
        y += 35;
        layout.comment(20, y, 60, name);
        std::string joined_messages;
        for (const std::string &message : messages) joined_messages += (joined_messages.empty() ? "" : ", ") + message;
        layout.connect(layout.message_box(80, y, 1060, joined_messages), 0, vorn, 0);
    }
    y += 60;
    layout.comment(20, y, 1100, "Good to know:");
    for (const table::Caveat &caveat : table::caveats)
        layout.comment(20, y += 25, 1100, text("- ", caveat.title, ": ", caveat.text));
    layout.comment(20, y + 45, 1100, "Generated by vorn-docs from src/box/interface_table.h: do not edit.");
    return layout.finish(1160, y + 80);
}

}  // namespace vorn_docs
