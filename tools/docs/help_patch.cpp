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

// [loadbang] into a message box: what the basics send when the patch opens. Returns the
// message box.
int on_load(Layout &layout, int y, const std::string &messages) {
    const int loadbang = layout.object(margin, y, "loadbang");
    const int box = layout.message_box(margin, layout.bottom(loadbang) + 10, messages, line_width);
    layout.connect(loadbang, 0, box, 0);
    return box;
}

// The sections other than the basics configure their boxes when this box is clicked: each
// "end" posts a confirmation line, and opening the help should leave the console quiet.
int on_click(Layout &layout, int y, const std::string &messages) {
    const int note = layout.comment(margin, y, line_width, "Click first: it configures the box of this section.");
    return layout.message_box(margin, layout.bottom(note) + 6, messages, line_width);
}

// Plain words for the terms of the box's own texts, said once where a user meets them.
constexpr const char *words_for_terms =
    "In plain words: a solo layer holds loudspeakers that follow the azimuth alone, whatever the elevation - "
    "subwoofers, or a loudspeaker standing on its own. A pass is one computation of every amplitude. The top ring "
    "is joined over the zenith: a source above it plays from that ring at its azimuth and, towards straight "
    "overhead, more and more at the opposite one. med asks for the "
    "mask-editor geometry.";

// The basics: the configuration, what you move, what you ask, and the box with every
// channel's amplitude right under it, so that what you move and what it changes share one
// screen; the reading comes after. The controls stand over the inlet they feed, each passing
// into a row just above the box from which the cords go down to it and cross nothing.
constexpr int column = 210;
constexpr int reading_width = 990;  // the basics' window is wider than the sections'

constexpr int requests_x = margin + 3 * column + 10;

void basic_section(Host host, int channels, int y, Layout &layout) {
    const char *examples = host == Host::pd ? "Examples: Vorn-dome.pd and the others in examples/ beside this help."
                                            : "Examples: Vorn-dome.maxpat and the others in the package's examples folder.";
    int note = layout.comment(margin, y, reading_width, text(table::class_name, ": ", table::object_digest, ". ", examples));
    note = layout.comment(margin, layout.bottom(note) + 8, line_width,
                          "1) The loudspeakers (three rings, two subwoofers): sent when the patch opens, click to "
                          "send again.");
    const int configuration = on_load(layout, layout.bottom(note) + 6, joined(dome_messages));
    // Handed over through [s] and [r]: its cord would run down through the controls.
    const std::string basic_name = host == Host::pd ? "$0-vorn-basic" : "---vorn-basic";
    const int basic_sender = layout.object(margin, layout.bottom(configuration) + 8, text("s ", basic_name));
    layout.connect(configuration, 0, basic_sender, 0);

    note = layout.comment(margin, layout.bottom(basic_sender) + 12, line_width,
                          "2) Move the source: drag a slider or a number. Elevation and gain are stored first, then "
                          "a bang pans.");
    const int labels_y = layout.bottom(note) + 8;
    const double ranges[][3] = {{0, 360, 0}, {-90, 90, 0}, {0, 1, 1}};
    const char *const names[] = {"azimuth", "elevation", "gain"};
    int labels_bottom = labels_y;
    for (int inlet = 0; inlet < 3; ++inlet)
        labels_bottom = std::max(labels_bottom,
                                 layout.bottom(layout.comment(margin + column * inlet, labels_y, column - 10,
                                                              text(names[inlet], " (", inlet_side(inlet), " inlet)"))));
    std::string asks = "3) Ask the box:";
    for (const char *request : {"bang", "refresh", "info", "med"})
        asks.append(" ").append(request).append(": ").append(message(request).digest).append(".");
    const int asks_note = layout.comment(requests_x, labels_y, line_width + margin + 230 - requests_x, asks);
    // The controls, each sending its starting value when the patch opens (after the
    // configuration, which is made first): the box's own position, azimuth 0, elevation 0,
    // gain 1.
    int controls_bottom = labels_bottom;
    int controls[3];
    for (int inlet = 0; inlet < 3; ++inlet) {
        controls[inlet] = layout.control(margin + column * inlet, labels_bottom + 6, ranges[inlet][0],
                                         ranges[inlet][1], ranges[inlet][2], true);
        controls_bottom = std::max(controls_bottom, layout.bottom(controls[inlet]));
    }
    const int row_y = std::max(controls_bottom, layout.bottom(asks_note)) + 12;
    int triggers[3] = {-1, -1, -1};
    for (int inlet = 1; inlet < 3; ++inlet) {
        triggers[inlet] = layout.object(margin + column * inlet, row_y, "t b f");
        layout.connect(controls[inlet], 0, triggers[inlet], 0);
    }
    const int basic_receiver = layout.object(margin + column * 3 - 120, row_y, text("r ", basic_name));
    std::vector<int> requests;
    int x = requests_x;
    for (const char *request : {"bang", "refresh", "info", "med"}) {
        requests.push_back(layout.message_box(x, row_y, request));
        x = layout.right(requests.back()) + 12;
    }
    // The box reaches under the gain's column, its right inlet under that trigger.
    const int vorn_y = layout.bottom(requests.back()) + 45;
    const int gain_outlet = layout.right(triggers[2]) - 4;
    const int vorn = layout.object(margin, vorn_y, vorn_text(), gain_outlet - margin + 4);
    layout.connect(basic_receiver, 0, vorn, 0);
    layout.connect(controls[0], 0, vorn, 0);
    for (int inlet = 1; inlet < 3; ++inlet) {
        layout.connect(triggers[inlet], 1, vorn, inlet);
        layout.connect(triggers[inlet], 0, vorn, 0);
    }
    for (const int request : requests) layout.connect(request, 0, vorn, 0);
    // The printer's two messages below the requests' cords.
    const int printed = layout.editor_printer(layout.right(vorn) + 25, vorn_y - 20, vorn, 1);

    // Right of the cords down to the routes.
    note = layout.comment(margin + 40, std::max(layout.bottom(vorn) + 12, printed + 8), line_width,
                          "4) Every channel's amplitude, from the left outlet:");
    y = layout.route_channels(margin, layout.bottom(note) + 8, vorn, 0, context, channels, reading_width + 50);

    // The reading, below what you play with.
    std::string step = "The messages of 1):";
    for (const char *selector : {"setup", "layer", "solo", "end"}) step.append(" ").append(synopsis_and_digest(selector));
    note = layout.comment(margin, y + 10, reading_width, text(step, " Solo holds the subwoofers here."));
    note = layout.comment(margin, layout.bottom(note) + 6, reading_width, table::object_description);
    note = layout.comment(margin, layout.bottom(note) + 6, reading_width, words_for_terms);
    std::string inlets_text;
    for (int inlet = 0; inlet < 3; ++inlet)
        inlets_text.append(inlet ? " " : "").append(text(names[inlet], " (", inlet_side(inlet), " inlet): ",
                                                         table::inlets[inlet].description));
    note = layout.comment(margin, layout.bottom(note) + 6, reading_width, inlets_text);
    note = layout.comment(margin, layout.bottom(note) + 6, reading_width,
                          text("The argument \"", context, "\" is the context. ", table::creation_argument.description,
                               " Left outlet: ", table::outlets[0].description, " Right outlet (",
                               table::outlets[1].digest, "): ", table::outlets[1].description));
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
    const int configuration = on_click(layout, layout.bottom(note) + 15, joined(quad_messages));
    const int slider_note = layout.comment(margin + 25, layout.bottom(configuration) + 15, 60, "azimuth");
    const int azimuth = layout.control(110, layout.bottom(configuration) + 17, 0, 360, 0, false);
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

// Each source's box gets the configuration through [r] and passes it on; on "end" its own
// position follows, so that every source starts where its message says.
Patch many_sources_section(Host host) {
    Layout layout(host);
    // Names local to the patch, so that two open helps do not reach each other's boxes.
    const std::string name = host == Host::pd ? "$0-vorn-config" : "---vorn-config";
    int note = layout.comment(
        margin, 10, line_width,
        "Many sources: one box per source. Each box needs the loudspeaker configuration, so one message sent "
        "through [s] reaches every box through its [r]; once a box has it, [route end] sends the box its own "
        "position. The boxes share the context here, since each sends from its own outlet; mix their gains for "
        "each loudspeaker.");
    const int configuration = on_click(layout, layout.bottom(note) + 10, joined(quad_messages));
    const int sender = layout.object(margin, layout.bottom(configuration) + 20, text("s ", name));
    layout.connect(configuration, 0, sender, 0);
    const int top = layout.bottom(sender) + 25;
    constexpr int sources = 3, column_width = 340, inner = 110;
    for (int source = 0; source < sources; ++source) {
        const int x = margin + column_width * source;
        const std::string azimuth = std::to_string(120 * source + 30);
        note = layout.comment(x, top, column_width - 20,
                              text("source ", std::to_string(source + 1), ": azimuth ", azimuth, ", elevation 20"));
        const int receiver = layout.object(x + inner, layout.bottom(note) + 8, text("r ", name));
        const int pass = layout.object(x + inner, layout.bottom(receiver) + 15, "t a a");
        const int on_end = layout.object(x, layout.bottom(pass) + 15, "route end");
        const int position = layout.message_box(x, layout.bottom(on_end) + 12, text("list ", azimuth, " 20"));
        const int vorn = layout.object(x + inner, layout.bottom(position) + 20, vorn_text());
        layout.connect(receiver, 0, pass, 0);
        layout.connect(pass, 1, vorn, 0);
        layout.connect(pass, 0, on_end, 0);
        layout.connect(on_end, 0, position, 0);
        layout.connect(position, 0, vorn, 0);
        layout.route_channels(x, layout.bottom(vorn) + 20, vorn, 0, context, 4, column_width - 5);
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
                                         "and converts the layout files of the IEM plug-in suite). LFE channels are "
                                         "the subwoofers, in a solo layer.")) + 10;
    // Each layout hands its messages to an [s] under its name: a cord to the box below
    // would cross every layout under it.
    const std::string name = host == Host::pd ? "$0-layout" : "---layout";
    constexpr int boxes_x = 130;
    for (const auto &[layout_name, messages] : standard) {
        const int label = layout.comment(margin, y, boxes_x - margin - 10, layout_name);
        const int box = layout.message_box(boxes_x, y, joined(messages), reading_width - boxes_x);
        // Under the box's outlet, so that its cord runs down to it.
        const int sender = layout.object(margin, std::max(layout.bottom(label) + 4, layout.bottom(box) + 6), text("s ", name));
        layout.connect(box, 0, sender, 0);
        y = std::max(layout.bottom(sender), layout.bottom(box)) + 8;
    }
    const int receiver = layout.object(margin, y + 10, text("r ", name));
    const int vorn = layout.object(margin, layout.bottom(receiver) + 15, vorn_text());
    layout.connect(receiver, 0, vorn, 0);
    layout.route_channels(margin, layout.bottom(vorn) + 20, vorn, 0, context, channels, reading_width);
    return layout.finish("layouts");
}

// The requests in a row right of the configuration's cord, the radius's chain right of them:
// every cord runs down to the box below without crossing another.
Patch masks_section(Host host, int channels) {
    Layout layout(host);
    int note = layout.comment(margin, 10, line_width, text(described("radius")));
    note = layout.comment(margin, layout.bottom(note) + 6, line_width, text(described("mask")));
    note = layout.comment(margin, layout.bottom(note) + 6, line_width, text(described("power")));
    const int configuration = on_click(layout, layout.bottom(note) + 10, text(joined(dome_messages), ", list 30 20"));
    constexpr int row_x = 60;
    note = layout.comment(row_x, layout.bottom(configuration) + 20, 480,
                          "They take effect at the next pass (the next computation of the amplitudes): click bang.");
    const int row_y = layout.bottom(note) + 6;
    std::vector<int> boxes{configuration};
    int x = row_x;
    for (const char *request : {"mask 1 0.5", "mask 1 1", "power 1", "power 0", "bang"}) {
        boxes.push_back(layout.message_box(x, row_y, request));
        x = layout.right(boxes.back()) + 12;
    }
    const int radius_x = std::max(x + 40, 560);
    const int radius_note = layout.comment(radius_x, layout.bottom(configuration) + 20, 65, "radius");
    const int radius = layout.number(radius_x + 70, layout.bottom(configuration) + 20);
    // Pd's prepend takes two boxes, one under the other: the box goes below both.
    Layout probe(host);
    probe.prepend(radius_x + 70, layout.bottom(radius) + 12, "radius", probe.object(0, 0, vorn_text()));
    const int prepend_bottom = probe.lowest();
    const int vorn = layout.object(
        margin, std::max({prepend_bottom, layout.bottom(boxes.back()), layout.bottom(radius_note)}) + 25, vorn_text());
    layout.connect(radius, 0, layout.prepend(radius_x + 70, layout.bottom(radius) + 12, "radius", vorn), 0);
    for (const int box : boxes) layout.connect(box, 0, vorn, 0);
    layout.route_channels(margin, layout.bottom(vorn) + 20, vorn, 0, context, channels);
    return layout.finish("masks-and-radius");
}

Patch good_to_know_section(Host host) {
    Layout layout(host);
    // As wide as the basics' window, so that the notes and the messages fit one screen.
    int y = layout.bottom(layout.comment(margin, 10, reading_width, "Good to know:")) + 6;
    for (const table::Caveat &caveat : table::caveats)
        y = layout.bottom(layout.comment(margin, y, reading_width, text(caveat.title, ": ", caveat.text))) + 6;
    y = layout.bottom(layout.comment(margin, y, reading_width,
                                     "A channel's map entry is the box's record of the loudspeaker that drives it: "
                                     "which ring, which place in it, its direction and its mask.")) + 6;
    y = layout.bottom(layout.comment(margin, y + 15, reading_width, "Every message the box takes:")) + 6;
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
        y = layout.bottom(layout.comment(margin, y, reading_width, text(how, ": ", what))) + 4;
    }
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
    int width = 0, height = 0;
    for (Patch &section : sections) {
        width = std::max(width, section.width);
        height = std::max(height, section.height);
        const int box = layout.subpatch(margin, y, std::move(section));
        y = layout.bottom(box) + 10;
    }
    // Max may size the window from the root: as large as the largest tab.
    Patch root = layout.finish();
    root.width = std::max(root.width, width);
    root.height = std::max(root.height, height);
    return root;
}

}  // namespace vorn_docs
