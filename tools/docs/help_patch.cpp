// The help patch of both hosts: a small dome configured, a source moved, a radius and a
// mask set, the amplitudes routed to number boxes. The texts beside the boxes come from the
// interface table; only the layout and the example dome are written here.
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

#include "patch.h"
#include "shell/interface_table.h"

namespace vorn_docs {

namespace {

namespace table = vorn::interface;
using Kind = Box::Kind;

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

// The channels of "layer" (after the layer number) and "solo" come in channel/azimuth pairs.
int highest_channel() {
    int highest = 0;
    for (const char *message : dome_messages) {
        std::istringstream words(message);
        std::string selector;
        words >> selector;
        if (selector == "layer") {
            int layer;
            words >> layer;
        } else if (selector != "solo") {
            continue;
        }
        int channel;
        double azimuth;
        while (words >> channel >> azimuth) highest = std::max(highest, channel);
    }
    return highest;
}

// Joined with append: gcc 12 warns falsely about "literal" + std::string.
template <class... Parts>
std::string text(const Parts &...parts) {
    std::string out;
    (out.append(parts), ...);
    return out;
}

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

class Layout {
public:
    explicit Layout(Host host) : host_(host) {}

    int comment(int x, int y, int width, std::string text) {
        return patch_.add({Kind::comment, std::move(text), x, y, width, 1, 0, {}});
    }
    int message_box(int x, int y, int width, std::string text) {
        return patch_.add({Kind::message, std::move(text), x, y, width, host_ == Host::max ? 2 : 1, 1, {""}});
    }
    int number(int x, int y) {
        if (host_ == Host::max) return patch_.add({Kind::number, "", x, y, 50, 1, 2, {"", "bang"}});
        return patch_.add({Kind::number, "", x, y, 5, 1, 1, {}});
    }
    // A slider in Pd; Max users get a number box, which drags as well.
    int slider(int x, int y, double minimum, double maximum) {
        if (host_ == Host::max) return number(x, y);
        Box box{Kind::slider, "", x, y, 128, 1, 1, {}};
        box.minimum = minimum;
        box.maximum = maximum;
        return patch_.add(box);
    }
    int object(int x, int y, int width, std::string text, int inlets, std::vector<std::string> outlet_types) {
        const int outlets = static_cast<int>(outlet_types.size());
        return patch_.add({Kind::object, std::move(text), x, y, width, inlets, outlets, std::move(outlet_types)});
    }
    // A value for a side inlet of the box: stored first, then a bang so that it takes effect.
    int store_then_bang(int x, int y, int box, int inlet) {
        const int trigger = object(x, y, 40, "t b f", 1, {"bang", "float"});
        connect(trigger, 1, box, inlet);
        connect(trigger, 0, box, 0);
        return trigger;
    }
    // "radius 30" from a number: Max has prepend, Pd its list objects.
    int prepend(int x, int y, const std::string &selector, int box) {
        if (host_ == Host::max) {
            const int object_box = object(x, y, 90, text("prepend ", selector), 1, {""});
            connect(object_box, 0, box, 0);
            return object_box;
        }
        const int list_prepend = object(x, y, 130, text("list prepend ", selector), 2, {""});
        const int trim = object(x, y + 30, 60, "list trim", 1, {""});
        connect(list_prepend, 0, trim, 0);
        connect(trim, 0, box, 0);
        return list_prepend;
    }
    void connect(int from, int outlet, int to, int inlet) { patch_.connect(from, outlet, to, inlet); }
    Host host() const { return host_; }
    Patch finish(int width, int height) {
        patch_.width = width;
        patch_.height = height;
        return std::move(patch_);
    }

private:
    Host host_;
    Patch patch_;
};

std::string joined(const char *const *first, const char *const *last, const char *separator) {
    std::string text;
    for (const char *const *it = first; it != last; ++it) text += (it == first ? "" : separator) + std::string(*it);
    return text;
}

}  // namespace

Patch help_patch(Host host) {
    Layout layout(host);
    const int channels = highest_channel();

    layout.comment(20, 10, 1100, text(table::class_name, ": ", table::object_digest, "."));
    layout.comment(20, 35, 1100, table::object_description);

    // The box in the middle: everything above sends to it, everything below listens.
    const int vorn = layout.object(300, 430, 80, text(table::class_name, " ", context),
                                   static_cast<int>(std::size(table::inlets)),
                                   std::vector<std::string>(std::size(table::outlets), ""));
    layout.comment(400, 430, 400,
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
        const int y = 290 + 30 * inlet;
        layout.comment(20, y, 80, control_names[inlet]);
        const int control = layout.slider(100, y, ranges[inlet][0], ranges[inlet][1]);
        if (inlet == 0) {
            layout.connect(control, 0, vorn, 0);
        } else {
            layout.connect(control, 0, layout.store_then_bang(250, y, vorn, inlet), 0);
        }
        layout.comment(300, y, 200, table::inlets[inlet].description);
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

    std::string route = "route";
    for (int channel = 1; channel <= channels; ++channel)
        route.append(" ").append(context).append("-").append(std::to_string(channel));
    const int router = layout.object(20, 490, 56 * channels, route, host == Host::max ? 2 : 1,
                                     std::vector<std::string>(channels + 1, ""));
    layout.connect(vorn, 0, router, 0);
    for (int channel = 1; channel <= channels; ++channel)
        layout.connect(router, channel - 1, layout.number(20 + 56 * (channel - 1), 530), 0);
    layout.comment(20, 560, 780,
                   text("6. ", table::outlets[0].digest, ": ", table::outlets[0].description));

    const int printer = layout.object(840, 490, 120, "print mask-editor", 1, {});
    layout.connect(vorn, 1, printer, 0);
    layout.comment(840, 520, 300, text(table::outlets[1].digest, ": ", table::outlets[1].description));

    int y = 620;
    layout.comment(20, y, 1100, "Good to know:");
    for (const char *caveat : table::caveats) layout.comment(20, y += 25, 1100, text("- ", caveat));
    layout.comment(20, y + 45, 1100, "Generated by vorn-docs from src/shell/interface_table.h: do not edit.");
    return layout.finish(1160, y + 80);
}

}  // namespace vorn_docs
