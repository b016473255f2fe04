// Each source's panning sits in a subpatch of its own and sends its gains times its signal
// to one summing bus per loudspeaker (throw~/catch~ in Pd, send~/receive~ in Max); each
// loudspeaker's bus, delay and trim sit in another. The boxes are written in the order in
// which Pd sorts signal objects: the sources before the buses' receivers, each delay line's
// writer before its reader, so that no block of latency creeps in.
#include "layout/rig_patch.h"

#include <algorithm>
#include <cstdio>

#include "docs/patch_layout.h"

namespace vorn_layout {

using vorn_docs::Host;
using vorn_docs::Layout;
using vorn_docs::Patch;
using vorn_docs::text;

namespace {

constexpr int port_width = 7;  // both hosts draw inlets and outlets about this wide
constexpr int row = 35;        // from one row of boxes to the next
constexpr int margin = 10;

struct Names {
    bool pd;
    // Names of sends and buses, one set per rig: Pd's $0 and Max's #0 are the patch's own.
    std::string local(const std::string &name) const { return text(pd ? "$0-" : "#0-", name); }
    std::string signal_inlet() const { return pd ? "inlet~" : "inlet"; }
    std::string signal_outlet() const { return pd ? "outlet~" : "outlet"; }
    std::string signal() const { return pd ? "" : "signal"; }
};

int left(const Layout &layout, int box) { return layout.right(box) - layout.width(box); }

// Where a port stands: both hosts spread a box's ports evenly over its width.
int port_x(const Layout &layout, int box, int port, int ports) {
    return ports < 2 ? left(layout, box) : left(layout, box) + (layout.width(box) - port_width) * port / (ports - 1);
}

// Pd gathers a patch's signal objects last written first, and sorts from that list: the
// boxes that must run last go to the front of the file.
void write_first(Patch &patch, const std::vector<int> &boxes) {
    std::vector<int> order(boxes);
    for (int box = 0; box < static_cast<int>(patch.boxes.size()); ++box)
        if (std::find(boxes.begin(), boxes.end(), box) == boxes.end()) order.push_back(box);
    std::vector<int> place(order.size());
    std::vector<vorn_docs::Box> moved;
    for (std::size_t k = 0; k < order.size(); ++k) {
        place[order[k]] = static_cast<int>(k);
        moved.push_back(patch.boxes[order[k]]);
    }
    patch.boxes = std::move(moved);
    for (vorn_docs::Cord &cord : patch.cords) {
        cord.from = place[cord.from];
        cord.to = place[cord.to];
    }
}

std::string selector(int channel) { return text(rig_context, "-", std::to_string(channel)); }
std::string bus(int channel) { return text("ch-", std::to_string(channel)); }

// One source: its Vorn box, configured by the message the rig sends when it loads, its
// control messages, and per loudspeaker a ramp of the gain times the source into that
// loudspeaker's bus.
Patch source_patch(Host host, int source, const RigPlan &plan) {
    const Names names{host == Host::pd};
    Layout layout(host);
    const int control = layout.object(margin, margin, "inlet", 0, {""});
    // Wide, so that what the route sends comes down side by side.
    const int router = layout.object(margin, margin + row, "route gain radius", 300);
    layout.connect(control, 0, router, 0);
    const int gain = layout.object(margin, margin + 2 * row, "t b f");
    layout.connect(router, 0, gain, 0);
    const int radius = layout.message_box(port_x(layout, router, 1, 3), margin + 2 * row, "radius $1, bang");
    layout.connect(router, 1, radius, 0);
    // The Vorn box under the route's last outlet, which passes the positions straight down.
    const int vorn_x = port_x(layout, router, 2, 3);
    const int vorn = layout.object(vorn_x, margin + 4 * row, text(vorn::box_interface::class_name, " ", rig_context));
    layout.connect(router, 2, vorn, 0);
    layout.connect(gain, 1, vorn, 2);
    layout.connect(gain, 0, vorn, 0);
    layout.connect(radius, 0, vorn, 0);
    const int setup = layout.object(layout.right(vorn) + 30, margin + 2 * row, text("r ", names.local("setup")));
    layout.connect(setup, 0, vorn, 0);
    // The ramp time rides along with each gain: "rig-K GAIN MS" routed to "GAIN MS" for line~.
    const std::string ramp = argument_text(plan.ramp_ms);
    const int append = layout.object(vorn_x, margin + 5 * row + 5, names.pd ? text("list append ", ramp) : text("append ", ramp),
                                     2, {""});
    layout.connect(vorn, 0, append, 0);
    const int ramp_time = layout.object(std::max(layout.right(append), layout.right(vorn)) + 30, margin + 4 * row,
                                        text("r ", names.local("ramp")));
    layout.connect(ramp_time, 0, append, 1);
    int routed = append;
    int y = margin + 6 * row + 10;
    if (names.pd) {
        routed = layout.object(vorn_x, y, "list trim");
        layout.connect(append, 0, routed, 0);
        y += row;
    }

    const std::vector<RigOutput> &outputs = plan.compensation.outputs;
    const int count = static_cast<int>(outputs.size());
    int pitch = 0;
    for (const RigOutput &output : outputs)
        pitch = std::max(pitch, static_cast<int>(vorn_docs::text_width(host, text(names.pd ? "throw~ " : "send~ ",
                                                                                    names.local(bus(output.channel))))) +
                                    16 + 12);
    std::string route = "route";
    for (const RigOutput &output : outputs) route.append(" ").append(selector(output.channel));
    const int columns_x = 90;  // the source's inlet stands left of the columns
    const int channels = layout.object(columns_x, y + 10, route, pitch * count + port_width);
    layout.connect(routed, 0, channels, 0);
    const int ramp_y = layout.bottom(channels) + 25;
    const int input = layout.object(margin + 10, ramp_y, names.signal_inlet(), 0, {names.signal()});
    std::vector<int> ramps, products;
    for (int k = 0; k < count; ++k) {
        const int x = port_x(layout, channels, k, count + 1);
        ramps.push_back(layout.object(x, ramp_y, "line~"));
        layout.connect(channels, k, ramps.back(), 0);
    }
    const int product_y = layout.bottom(input) + 25;
    for (int k = 0; k < count; ++k) {
        const int x = port_x(layout, channels, k, count + 1);
        products.push_back(layout.object(x, product_y, "*~"));
        layout.connect(ramps[k], 0, products.back(), 0);
        layout.connect(input, 0, products.back(), 1);
        const int sender = layout.object(x, layout.bottom(products.back()) + 15,
                                         text(names.pd ? "throw~ " : "send~ ", names.local(bus(outputs[k].channel))),
                                         1, {});
        layout.connect(products.back(), 0, sender, 0);
    }
    return layout.finish(text("source-", std::to_string(source)));
}

// One loudspeaker: the sum of every source, delayed and trimmed, to an outlet of the subpatch.
Patch loudspeaker_patch(Host host, const RigOutput &output, bool distances) {
    const Names names{host == Host::pd};
    Layout layout(host);
    int y = margin;
    int last = layout.object(margin, y, text(names.pd ? "catch~ " : "receive~ ", names.local(bus(output.channel))),
                             names.pd ? 0 : 1, {names.signal()});
    const double delay_ms = output.delay * 1000;
    int reader = -1;
    if (distances && output.delay > 0) {
        // A line a little longer than the delay it holds.
        const std::string length = argument_text(static_cast<double>(static_cast<long long>(delay_ms) + 2));
        const std::string line = names.local(text("delay-", std::to_string(output.channel)));
        y += row;
        if (names.pd) {
            const int writer = layout.object(margin, y, text("delwrite~ ", line, " ", length), 1, {});
            layout.connect(last, 0, writer, 0);
            y += row;
            last = reader = layout.object(margin, y, text("delread~ ", line, " ", argument_text(delay_ms)), 1, {""});
        } else {
            const int writer = layout.object(margin, y, text("tapin~ ", length), 1, {"tapconnect"});
            layout.connect(last, 0, writer, 0);
            y += row;
            const int reader = layout.object(margin, y, text("tapout~ ", argument_text(delay_ms)), 1, {"signal"});
            layout.connect(writer, 0, reader, 0);
            last = reader;
        }
    }
    if (output.level != 1) {
        y += row;
        const int trim = layout.object(margin, y, text("*~ ", argument_text(output.level)), 2, {names.signal()});
        layout.connect(last, 0, trim, 0);
        last = trim;
    }
    y += row;
    const int outlet = layout.object(margin, y, names.signal_outlet(), 1, {});
    layout.connect(last, 0, outlet, 0);
    Patch patch = layout.finish(bus(output.channel));
    // The reader after the line's writer, for delays shorter than a block.
    if (reader >= 0) write_first(patch, {reader});
    return patch;
}

}  // namespace

std::string argument_text(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

Patch rig_patch(Host host, const RigPlan &plan) {
    const Names names{host == Host::pd};
    Layout layout(host);
    const int sources = plan.sources;
    const std::vector<RigOutput> &outputs = plan.compensation.outputs;
    const std::string room = plan.title.empty() ? "the room" : plan.title;
    int y = margin;
    y = layout.bottom(layout.comment(margin, y, 600,
                                     text("Rig for ", room, ", made by vorn-layout: inlet 1 takes K AZIMUTH ELEVATION [GAIN], K gain G, "
                                          "K radius R for source K, and ramp MS; source K's signal comes in at inlet K+1.")));
    const int control = layout.object(margin, y + 15, "inlet", 0, {""});
    // Pd's route takes symbols or numbers, not both: "ramp" first, then the sources.
    const int ramp_router = layout.object(margin, layout.bottom(control) + 15, "route ramp", 100);
    layout.connect(control, 0, ramp_router, 0);
    const int ramp = layout.object(margin, layout.bottom(ramp_router) + 15, text("s ", names.local("ramp")));
    layout.connect(ramp_router, 0, ramp, 0);
    std::string route = "route";
    for (int source = 1; source <= sources; ++source) route.append(" ").append(std::to_string(source));
    // One column per source, as wide as its subpatch box, with the signal inlet above the
    // box's right inlet and the route's cord coming down to its left one.
    const int pitch =
        static_cast<int>(vorn_docs::text_width(host, text(names.pd ? "pd " : "p ", "source-", std::to_string(sources)))) + 16 + 30;
    const int router = layout.object(port_x(layout, ramp_router, 1, 2), layout.bottom(ramp_router) + 15, route,
                                     pitch * sources + port_width);
    layout.connect(ramp_router, 1, router, 0);
    const int inlet_y = layout.bottom(router) + 15;
    const int box_y = inlet_y + row + 5;
    // The subpatches first: Pd sorts the signal inlets, and through them the sources, before
    // the loudspeakers' subpatches that come after them in the file.
    std::vector<int> boxes;
    for (int source = 1; source <= sources; ++source) {
        const int box = layout.subpatch(port_x(layout, router, source - 1, sources + 1), box_y,
                                        source_patch(host, source, plan), 2, 0);
        boxes.push_back(box);
        layout.connect(router, source - 1, box, 0);
    }
    // Each source's inlet above its box's right inlet, beside the route's cord to the left one.
    for (int source = 1; source <= sources; ++source) {
        const int box = boxes[source - 1];
        const int input = layout.object(0, inlet_y, names.signal_inlet(), 0, {names.signal()});
        const int x = layout.right(box) - layout.width(input);
        layout.forget_last();
        layout.connect(layout.object(x, inlet_y, names.signal_inlet(), 0, {names.signal()}), 0, box, 1);
    }

    const int loadbang = layout.object(margin, layout.bottom(boxes.front()) + 25, "loadbang");
    const int configuration = layout.message_box(margin, layout.bottom(loadbang) + 15, plan.configuration, 600);
    layout.connect(loadbang, 0, configuration, 0);
    const int setup = layout.object(margin, layout.bottom(configuration) + 15, text("s ", names.local("setup")));
    layout.connect(configuration, 0, setup, 0);

    const int speaker_y = layout.bottom(setup) + 30;
    int x = margin;
    std::vector<int> speakers;
    for (const RigOutput &output : outputs) {
        const int box = layout.subpatch(x, speaker_y, loudspeaker_patch(host, output, plan.compensation.distances), 0, 1);
        speakers.push_back(box);
        x = layout.right(box) + 15;
    }
    for (std::size_t k = 0; k < outputs.size(); ++k) {
        const int out = plan.dac ? layout.object(left(layout, speakers[k]), layout.bottom(speakers[k]) + 20,
                                                 text("dac~ ", std::to_string(outputs[k].channel)), 1, {})
                                 : layout.object(left(layout, speakers[k]), layout.bottom(speakers[k]) + 20,
                                                 names.signal_outlet(), 1, {});
        layout.connect(speakers[k], 0, out, 0);
    }
    Patch patch = layout.finish();
    patch.tabs = false;
    // Every source into the buses before any loudspeaker takes its bus.
    if (names.pd) write_first(patch, speakers);
    return patch;
}

}  // namespace vorn_layout
