// The help patch of both hosts, in sections: the basics, sound, many sources, the standard
// layouts, masks and radius, and what is good to know. Max opens the sections as tabs; Pd
// shows the basics and opens the others as subpatches. The texts beside the boxes come from
// the interface table; only the layout and the example configurations are written here.
#include <iterator>
#include <string>
#include <string_view>

#include "layout/grouping.h"
#include "layout/standard_layouts.h"
#include "layout/vorn_messages.h"
#include "message_names.h"
#include "patch.h"
#include "patch_layout.h"
#include "box/interface_table.h"

namespace vorn_docs {

namespace {

namespace table = vorn::box_interface;

constexpr const char *context = "hall";
constexpr int margin = 20;
constexpr int line_width = 760;  // comments and long message boxes

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
// Four loudspeakers around the listener, for the sections that make sound.
constexpr const char *quad_messages[] = {"setup 0", "layer 0 1 45 2 135 3 225 4 315", "end"};

// A source volume that is safe on any loudspeakers: about -20 dB.
constexpr const char *volume = "0.1";
constexpr const char *ramp_milliseconds = "20";

const table::Message &message(std::string_view selector) { return *table::find_message(selector); }
std::string synopsis_and_digest(std::string_view selector) {
    const table::Message &m = message(selector);
    return text(m.synopsis, ": ", m.digest, ".");
}
std::string described(std::string_view selector) {
    const table::Message &m = message(selector);
    return text(m.synopsis, ": ", m.digest, ". ", m.description);
}

template <class Messages>
std::string joined(const Messages &messages) {
    std::string out;
    for (const auto &message : messages) out.append(out.empty() ? "" : ", ").append(message);
    return out;
}

// The messages of a standard layout, as vorn-layout writes them for this host's message box.
std::vector<std::string> standard_layout_messages(const std::string &name, Host host) {
    vorn_layout::GroupingOptions options;
    if (host == Host::pd) options.significant_digits = 6;
    const auto configuration = vorn_layout::group_layout(*vorn_layout::named_layout(name), options).configuration;
    return vorn_layout::vorn_messages(configuration);
}

std::string vorn_text(const std::string &box_context = context) { return text(table::class_name, " ", box_context); }

// [loadbang] into a message box: what a section sends when the patch opens. Returns the
// message box.
int on_load(Layout &layout, int y, const std::string &messages) {
    const int loadbang = layout.object(margin, y, "loadbang");
    const int box = layout.message_box(margin, layout.bottom(loadbang) + 10, messages, line_width);
    layout.connect(loadbang, 0, box, 0);
    return box;
}

// The basics: the cords come down to the box on the left, and the controls stand to the
// right of that column, each above its cord, so that no cord runs over a box.
constexpr int controls_x = 150;

// Azimuth, elevation and gain side by side, each with its inlet's text above it; returns
// the y below them.
int position_controls(Layout &layout, int y, int vorn) {
    const double ranges[][2] = {{0, 360}, {-90, 90}, {0, 1}};
    const char *const names[] = {"azimuth", "elevation", "gain"};
    constexpr int column = 205;
    int below = y;
    int tallest = y;
    std::vector<int> notes;
    for (int inlet = 0; inlet < 3; ++inlet) {
        const std::string what = text("a float in the ", inlet_side(inlet), " inlet");
        const int note = layout.comment(controls_x + column * inlet, y, column - 10,
                                        text(names[inlet], " (", what, "): ", table::inlets[inlet].description));
        tallest = std::max(tallest, layout.bottom(note));
    }
    for (int inlet = 0; inlet < 3; ++inlet) {
        const int x = controls_x + column * inlet;
        const int control = layout.slider(x, tallest + 8, ranges[inlet][0], ranges[inlet][1]);
        below = std::max(below, layout.bottom(control));
        if (inlet == 0) {
            layout.connect(control, 0, vorn, 0);
        } else {
            const int trigger = layout.store_then_bang(x, layout.bottom(control) + 12, vorn, inlet);
            layout.connect(control, 0, trigger, 0);
            below = std::max(below, layout.bottom(trigger));
        }
    }
    return below;
}

void basic_section(Host host, int channels, int y, Layout &layout) {
    int note = layout.comment(margin, y, line_width, text(table::class_name, ": ", table::object_digest, "."));
    note = layout.comment(margin, layout.bottom(note) + 4, line_width, table::object_description);

    std::string step = "1) Configure the loudspeakers. Sent when the patch opens: click to send again.";
    for (const char *selector : {"setup", "layer", "solo", "end"}) step.append(" ").append(synopsis_and_digest(selector));
    note = layout.comment(margin, layout.bottom(note) + 15, line_width, text(step, " Solo holds the subwoofers here."));
    const int configuration = on_load(layout, layout.bottom(note) + 8, joined(dome_messages));

    note = layout.comment(controls_x, layout.bottom(configuration) + 15, line_width + margin - controls_x,
                          "2) Move the source. Elevation and gain are stored first, then a bang pans.");
    const int controls_y = layout.bottom(note) + 8;
    // The box goes below the controls and the requests; they connect to it once it exists,
    // so a first layout of them finds its place.
    Layout probe(host);
    const int probe_box = probe.object(0, 0, vorn_text());
    const int requests_y = position_controls(probe, controls_y, probe_box) + 20;
    // The requests one under the other on the right: their cords run down to the box on the
    // left beneath everything else.
    constexpr int requests_x = 560;
    note = probe.comment(requests_x, requests_y, 200, "3) Ask the box:");
    const auto ask = [&](Layout &into, int vorn) {
        int y = into.bottom(note) + 6;
        for (const char *request : {"bang", "refresh", "info", "med"}) {
            const int box = into.message_box(requests_x, y, request);
            into.connect(box, 0, vorn, 0);
            const int words = into.comment(requests_x + 80, y, line_width + margin - requests_x - 80,
                                           text(message(request).digest, "."));
            y = std::max(into.bottom(box), into.bottom(words)) + 8;
        }
        return y;
    };
    const int vorn_y = ask(probe, probe_box) + 25;

    const int vorn = layout.object(margin, vorn_y, vorn_text());
    position_controls(layout, controls_y, vorn);
    note = layout.comment(requests_x, requests_y, 200, "3) Ask the box:");
    ask(layout, vorn);
    layout.connect(configuration, 0, vorn, 0);
    const int argument = layout.comment(layout.right(vorn) + 25, vorn_y, line_width + margin - layout.right(vorn) - 25,
                   text("The argument \"", context, "\" is the context. ", table::creation_argument.description));

    const int printer = layout.object(layout.right(vorn) + 25, layout.bottom(argument) + 10, "print mask-editor");
    layout.connect(vorn, 1, printer, 0);
    const int printer_note = layout.comment(layout.right(printer) + 15, layout.bottom(argument) + 10,
                                            line_width + margin - layout.right(printer) - 15,
                                            text(table::outlets[1].digest, " (right outlet): ", table::outlets[1].description));
    note = layout.comment(margin + 30, std::max(layout.bottom(printer), layout.bottom(printer_note)) + 15, line_width - 30,
                          text("4) ", table::outlets[0].digest, " (left outlet): ", table::outlets[0].description));
    layout.route_channels(margin, layout.bottom(note) + 10, vorn, 0, context, channels);
}

Patch sound_section(Host host) {
    Layout layout(host);
    const std::string pack_text = text(host == Host::pd ? "pack f " : "pack 0. ", ramp_milliseconds);
    int note = layout.comment(
        margin, 10, line_width,
        text("Sound: a test noise through one [*~] per loudspeaker, each [*~] given its channel's gain. The "
             "gains arrive in steps, and a step in a gain clicks: [",
             pack_text, "] and [line~] turn each into a ", ramp_milliseconds,
             " ms ramp. The volume ", volume, " (about -20 dB) is safe on any loudspeakers; raise it with care."));
    // Audio on and off: Pd's own messages at the top; in Max, start and stop beside [dac~].
    if (host == Host::pd) {
        const int on = layout.message_box(margin, layout.bottom(note) + 10, "; pd dsp 1");
        const int off = layout.message_box(layout.right(on) + 15, layout.bottom(note) + 10, "; pd dsp 0");
        layout.comment(layout.right(off) + 15, layout.bottom(note) + 10, 400, "Switch the audio on and off.");
        note = on;
    }
    const int configuration =
        on_load(layout, layout.bottom(note) + 15, text(joined(quad_messages), ", list 30 0 1"));
    const int slider_note = layout.comment(margin, layout.bottom(configuration) + 15, 85, "azimuth");
    const int azimuth = layout.slider(110, layout.bottom(configuration) + 17, 0, 360);
    const int vorn = layout.object(margin, std::max(layout.bottom(slider_note), layout.bottom(azimuth)) + 15, vorn_text());
    layout.connect(configuration, 0, vorn, 0);
    layout.connect(azimuth, 0, vorn, 0);

    constexpr int channels = 4, pitch = 110;
    std::string route = "route";
    for (int channel = 1; channel <= channels; ++channel) route.append(" ").append(context).append("-").append(std::to_string(channel));
    const int router = layout.object(margin, layout.bottom(vorn) + 25, route, pitch * channels + 8);
    layout.connect(vorn, 0, router, 0);
    const int span = layout.width(router) - 8;
    const int pack_y = layout.bottom(router) + 25;
    const int source = layout.object(margin + pitch * channels + 40, pack_y, "noise~");
    const int level = layout.object(margin + pitch * channels + 40, layout.bottom(source) + 20, text("*~ ", volume));
    layout.connect(source, 0, level, 0);
    std::string outputs = "dac~";
    for (int channel = 1; channel <= channels; ++channel) outputs.append(" ").append(std::to_string(channel));
    int gains_y = 0;
    std::vector<int> gains;
    for (int channel = 1; channel <= channels; ++channel) {
        const int x = margin + span * (channel - 1) / channels;
        const int pack = layout.object(x, pack_y, pack_text);
        const int line = layout.object(x, layout.bottom(pack) + 20, "line~");
        gains_y = std::max(gains_y, layout.bottom(line) + 25);
        layout.connect(router, channel - 1, pack, 0);
        layout.connect(pack, 0, line, 0);
        gains.push_back(line);
    }
    gains_y = std::max(gains_y, layout.bottom(level) + 25);
    const int dac_box = layout.object(margin, gains_y + 60, outputs);
    if (host == Host::max) {
        const int x = margin + pitch * channels + 40;
        const int on = layout.message_box(x, gains_y + 20, "start");
        const int off = layout.message_box(layout.right(on) + 15, gains_y + 20, "stop");
        layout.comment(layout.right(off) + 15, gains_y + 20, 200, "Switch the audio on and off.");
        layout.connect(on, 0, dac_box, 0);
        layout.connect(off, 0, dac_box, 0);
    }
    for (int channel = 1; channel <= channels; ++channel) {
        const int x = margin + span * (channel - 1) / channels;
        const int gain = layout.object(x, gains_y, "*~");
        layout.connect(level, 0, gain, 0);
        layout.connect(gains[channel - 1], 0, gain, 1);
        layout.connect(gain, 0, dac_box, channel - 1);
    }
    layout.comment(margin, layout.bottom(dac_box) + 15, line_width,
                   "One [*~] per loudspeaker, each to its output: route the box's channels to the outputs of "
                   "your loudspeakers in the same way.");
    return layout.finish("sound");
}

Patch many_sources_section(Host host) {
    Layout layout(host);
    const std::string name = host == Host::pd ? "$0-vorn-config" : "vorn-help-config";
    int note = layout.comment(
        margin, 10, line_width,
        "Many sources: one box per source. Each box needs the loudspeaker configuration, so one message sent "
        "through [s] reaches every box through its [r]. The boxes share the context here, since each sends from "
        "its own outlet; mix their gains for each loudspeaker.");
    const int configuration = on_load(layout, layout.bottom(note) + 10, joined(quad_messages));
    const int sender = layout.object(margin, layout.bottom(configuration) + 20, text("s ", name));
    layout.connect(configuration, 0, sender, 0);
    const int top = layout.bottom(sender) + 25;
    constexpr int sources = 3, column_width = 300;
    for (int source = 0; source < sources; ++source) {
        const int x = margin + column_width * source;
        note = layout.comment(x, top, column_width - 20, text("source ", std::to_string(source + 1)));
        const int position =
            layout.message_box(x, layout.bottom(note) + 6, text("list ", std::to_string(120 * source + 30), " 20"));
        const int receiver = layout.object(x + 120, layout.bottom(note) + 6, text("r ", name));
        const int vorn = layout.object(x, std::max(layout.bottom(position), layout.bottom(receiver)) + 20, vorn_text());
        layout.connect(receiver, 0, vorn, 0);
        layout.connect(position, 0, vorn, 0);
        layout.route_channels(x, layout.bottom(vorn) + 20, vorn, 0, context, 4);
    }
    return layout.finish("many-sources");
}

Patch layouts_section(Host host) {
    Layout layout(host);
    std::vector<std::pair<std::string, std::vector<std::string>>> standard;
    int channels = 0;
    for (const std::string &name : vorn_layout::standard_layout_names()) {
        standard.emplace_back(name, standard_layout_messages(name, host));
        channels = std::max(channels, highest_channel(standard.back().second));
    }
    int y = layout.bottom(layout.comment(margin, 10, line_width,
                                         "The standard layouts, ready to use: click one (vorn-layout prints these, "
                                         "and converts the layout files of the IEM plug-in suite).")) + 10;
    std::vector<int> boxes;
    for (const auto &[name, messages] : standard) {
        const int label = layout.comment(margin, y, 70, name);
        const int box = layout.message_box(100, y, joined(messages), line_width - 80);
        boxes.push_back(box);
        y = std::max(layout.bottom(label), layout.bottom(box)) + 8;
    }
    const int vorn = layout.object(margin, y + 15, vorn_text());
    for (const int box : boxes) layout.connect(box, 0, vorn, 0);
    layout.route_channels(margin, layout.bottom(vorn) + 20, vorn, 0, context, channels);
    return layout.finish("layouts");
}

Patch masks_section(Host host, int channels) {
    Layout layout(host);
    int note = layout.comment(margin, 10, line_width, text(described("radius")));
    note = layout.comment(margin, layout.bottom(note) + 6, line_width, text(described("mask")));
    note = layout.comment(margin, layout.bottom(note) + 6, line_width, text(described("power")));
    const int configuration = on_load(layout, layout.bottom(note) + 10, text(joined(dome_messages), ", list 30 20"));
    const int masks_x = 340;
    note = layout.comment(masks_x, layout.bottom(configuration) + 20, 420,
                          "They take effect at the next pass: click bang.");
    const int controls_y = layout.bottom(note) + 6;
    const int radius_note = layout.comment(margin, controls_y, 65, "radius");
    const int radius = layout.number(90, controls_y);
    const int half = layout.message_box(masks_x, controls_y, "mask 1 0.5");
    const int whole = layout.message_box(layout.right(half) + 15, controls_y, "mask 1 1");
    const int again = layout.message_box(layout.right(whole) + 15, controls_y, "bang");
    const int power_on = layout.message_box(masks_x, layout.bottom(half) + 10, "power 1");
    const int power_off = layout.message_box(layout.right(power_on) + 15, layout.bottom(half) + 10, "power 0");
    // Pd's prepend takes two boxes, one under the other: the box goes below both.
    Layout probe(host);
    probe.prepend(160, controls_y, "radius", probe.object(0, 0, vorn_text()));
    const int prepend_bottom = probe.lowest();
    const int vorn = layout.object(
        margin, std::max({prepend_bottom, layout.bottom(power_on), layout.bottom(radius), layout.bottom(radius_note)}) + 20,
        vorn_text());
    layout.connect(radius, 0, layout.prepend(160, controls_y, "radius", vorn), 0);
    for (const int box : {configuration, half, whole, again, power_on, power_off}) layout.connect(box, 0, vorn, 0);
    layout.route_channels(margin, layout.bottom(vorn) + 20, vorn, 0, context, channels);
    return layout.finish("masks-and-radius");
}

Patch good_to_know_section(Host host) {
    Layout layout(host);
    int y = layout.bottom(layout.comment(margin, 10, line_width, "Good to know:")) + 6;
    for (const table::Caveat &caveat : table::caveats)
        y = layout.bottom(layout.comment(margin, y, line_width, text(caveat.title, ": ", caveat.text))) + 6;
    y = layout.bottom(layout.comment(margin, y + 15, line_width, "Every message the box takes:")) + 6;
    for (const table::Message &m : table::messages) {
        if (!listed(m) || (!m.in_pd && host == Host::pd)) continue;
        const std::string name = user_name(m);
        // "radius DEGREES" names itself; "AZIMUTH" is what a float carries.
        const std::string synopsis = m.synopsis;
        std::string how = name;
        if (synopsis.rfind(name, 0) == 0) how = synopsis;
        else if (m.inlet == 0) how = text(name, " (", synopsis, ")");
        std::string what = text(m.digest, ".");
        if (const table::Message *integer = integer_form_of(m); integer && host == Host::max)
            what.append(" An int does the same: ").append(integer->digest).append(".");
        y = layout.bottom(layout.comment(margin, y, line_width, text(how, ": ", what))) + 4;
    }
    layout.comment(margin, y + 15, line_width, "Generated by vorn-docs from src/box/interface_table.h: do not edit.");
    return layout.finish("good-to-know");
}

}  // namespace

Patch help_patch(Host host) {
    int channels = highest_channel(dome_messages);
    std::vector<Patch> sections;
    sections.push_back(sound_section(host));
    sections.push_back(many_sources_section(host));
    sections.push_back(layouts_section(host));
    sections.push_back(masks_section(host, channels));
    sections.push_back(good_to_know_section(host));

    if (host == Host::pd) {
        // The basics on the main window, the other sections a click away.
        Layout layout(host);
        const int note = layout.comment(margin, 10, line_width, "More in the subpatches: click one to open it.");
        int x = margin;
        const int boxes_y = layout.bottom(note) + 6;
        int below = boxes_y;
        for (Patch &section : sections) {
            const int box = layout.subpatch(x, boxes_y, std::move(section));
            x = layout.right(box) + 12;
            below = std::max(below, layout.bottom(box));
        }
        basic_section(host, channels, below + 20, layout);
        return layout.finish();
    }
    // Max: every section a tab, the basics first.
    Layout basic(host);
    basic_section(host, channels, 10, basic);
    sections.insert(sections.begin(), basic.finish("basic"));
    Layout layout(host);
    int y = 10;
    for (Patch &section : sections) {
        const int box = layout.subpatch(margin, y, std::move(section));
        y = layout.bottom(box) + 10;
    }
    return layout.finish();
}

}  // namespace vorn_docs
