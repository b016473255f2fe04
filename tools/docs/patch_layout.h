// Laying out a patch for either host: boxes sized as the host draws them, with the inlets
// and outlets each host gives them, and the small pieces (store-then-bang, prepend, channel
// routing) the patches share.
#pragma once

#include <algorithm>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "box/interface_table.h"
#include "box_metrics.h"
#include "patch.h"

namespace vorn_docs {

// The channels of "layer" (after the layer number) and "solo" come in channel/azimuth pairs.
template <class Messages>
int highest_channel(const Messages &messages) {
    int highest = 0;
    for (const auto &message : messages) {
        std::istringstream words{std::string(message)};
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

// The inlets of an object box and the kinds of its outlets ("" for any, as Max writes them),
// for the objects that the generated patches use.
struct Ports {
    int inlets;
    std::vector<std::string> outlet_types;
};

inline Ports object_ports(Host host, const std::string &text) {
    std::istringstream words(text);
    std::string name;
    words >> name;
    std::vector<std::string> arguments;
    for (std::string word; words >> word;) arguments.push_back(word);
    const int count = static_cast<int>(arguments.size());
    const bool max = host == Host::max;
    const std::string signal = max ? "signal" : "";
    if (name == "loadbang") return {1, {max ? "bang" : ""}};
    if (name == "t" || name == "trigger") {
        std::vector<std::string> types;
        for (const std::string &argument : arguments)
            types.push_back(!max ? "" : argument == "b" ? "bang" : argument == "f" ? "float" : "");
        return {1, types};
    }
    if (name == "route") return {max || count == 1 ? 2 : 1, std::vector<std::string>(count + 1, "")};
    if (name == "list") return {arguments.at(0) == "trim" ? 1 : 2, {""}};
    if (name == "prepend") return {1, {""}};
    if (name == "print") return {1, {}};
    if (name == "spigot") return {2, {""}};
    if (name == "gate") return {2, {""}};
    if (name == "loadmess") return {1, {""}};
    if (name == "pack") return {count, {""}};
    if (name == "line~") return {2, max ? std::vector<std::string>{"signal", "bang"} : std::vector<std::string>{""}};
    if (name == "*~" || name == "osc~") return {2, {signal}};
    if (name == "noise~") return {1, {signal}};
    if (name == "dac~") return {std::max(count, 2), {}};
    if (name == "s" || name == "send") return {count == 0 ? 2 : 1, {}};
    if (name == "r" || name == "receive") return {count == 0 && !max ? 1 : 0, {""}};
    if (name == vorn::box_interface::class_name)
        return {static_cast<int>(std::size(vorn::box_interface::inlets)),
                std::vector<std::string>(std::size(vorn::box_interface::outlets), "")};
    return {1, {""}};
}

class Layout {
    using Kind = Box::Kind;

public:
    explicit Layout(Host host) : host_(host) {}

    // A comment wrapped within `width` pixels.
    int comment(int x, int y, int width, std::string text) {
        // A semicolon breaks the line in Pd's drawing of a comment: Pd gets a dash instead.
        if (host_ == Host::pd)
            for (std::size_t at; (at = text.find("; ")) != std::string::npos;) text.replace(at, 2, " - ");
        Box box{Kind::comment, std::move(text), x, y, width, 1, 0, {}};
        box.columns = std::max(1, (width - 6) / pd_character_width);
        return add(std::move(box));
    }
    // A message box on one line, or wrapped within `width` pixels.
    int message_box(int x, int y, std::string text, int width = 0) {
        const int one_line = static_cast<int>(text_width(host_, text)) + 14;
        Box box{Kind::message, std::move(text), x, y, width > 0 ? std::min(width, one_line) : one_line,
                host_ == Host::max ? 2 : 1, 1, {""}};
        const int characters = static_cast<int>(box.text.size());
        if (width > 0 && characters * pd_character_width + 11 > width)
            box.columns = std::max(1, (width - 11) / pd_character_width);
        else if (characters > pd_default_columns)
            box.columns = characters;
        return add(std::move(box));
    }
    int number(int x, int y) {
        if (host_ == Host::max) return add({Kind::number, "", x, y, 50, 1, 2, {"", "bang"}});
        Box box{Kind::number, "", x, y, 5 * pd_character_width + 8, 1, 1, {}};
        box.columns = 5;
        return add(std::move(box));
    }
    // What a user moves: in Pd a slider with its number under it, in Max a number box. Each
    // shows `initial` when the patch opens (Max's through [loadmess set]); a Pd slider that
    // `sends` also passes it on then. Returns the box whose outlet carries the value.
    int control(int x, int y, double minimum, double maximum, double initial, bool sends) {
        if (host_ == Host::max) {
            if (initial == 0) return number(x, y);
            const int setter = object(x, y, text("loadmess set ", number_text(initial)));
            const int box = number(x, bottom(setter) + 8);
            connect(setter, 0, box, 0);
            return box;
        }
        // 181 pixels: a degree of elevation, two of azimuth, to a pixel.
        Box box{Kind::slider, "", x, y, 181, 1, 1, {}};
        box.minimum = minimum;
        box.maximum = maximum;
        box.initial = initial;
        box.sends_initial = sends;
        const int slider = add(box);
        const int shown = number(x, bottom(slider) + 6);
        connect(slider, 0, shown, 0);
        return shown;
    }
    // The right outlet's mask-editor messages printed only when asked for, so that opening
    // the patch leaves the console quiet: [spigot] in Pd, [gate] in Max, opened by 1 and
    // closed by 0. The valve stands at `y` + 35 under the two messages, the printer below
    // and right of it. Returns the y below.
    int editor_printer(int x, int y, int source, int outlet) {
        const bool max = host_ == Host::max;
        const int on = message_box(x + 70, y, "1");
        const int off = message_box(right(on) + 10, y, "0");
        const int valve = object(x, y + 35, max ? "gate" : "spigot");
        const int printer = object(x + 70, bottom(valve) + 8, "print mask-editor");
        const int note = comment(right(off) + 12, y, 170, "1 prints the right outlet's messages, 0 stops");
        connect(source, outlet, valve, max ? 1 : 0);
        connect(on, 0, valve, max ? 0 : 1);
        connect(off, 0, valve, max ? 0 : 1);
        connect(valve, 0, printer, 0);
        return std::max(bottom(printer), bottom(note));
    }
    // An object box on one line, at least `width` pixels wide; its ports from what it is.
    int object(int x, int y, std::string text, int width = 0) {
        Ports ports = object_ports(host_, text);
        return object(x, y, std::move(text), ports.inlets, std::move(ports.outlet_types), width);
    }
    int object(int x, int y, std::string text, int inlets, std::vector<std::string> outlet_types, int width = 0) {
        const int outlets = static_cast<int>(outlet_types.size());
        const int needed = static_cast<int>(text_width(host_, text)) + 16;
        Box box{Kind::object, std::move(text), x, y, std::max(width, needed), inlets, outlets, std::move(outlet_types)};
        const int characters = static_cast<int>(box.text.size());
        const int wanted = (width - 6 + pd_character_width - 1) / pd_character_width;
        if (characters > pd_default_columns || wanted > characters) box.columns = std::max(characters, wanted);
        return add(std::move(box));
    }
    // A subpatch ("pd NAME" in Pd, "p NAME" in Max) holding `inner`, with the inlets and
    // outlets that its own inlet and outlet boxes make.
    int subpatch(int x, int y, Patch inner, int inlets = 0, int outlets = 0) {
        const std::string text = (host_ == Host::pd ? "pd " : "p ") + inner.name;
        Box box{Kind::subpatch, text, x, y, static_cast<int>(text_width(host_, text)) + 16, inlets, outlets,
                std::vector<std::string>(static_cast<std::size_t>(outlets), host_ == Host::max ? "signal" : "")};
        box.subpatch = static_cast<int>(patch_.subpatches.size());
        patch_.subpatches.push_back(std::move(inner));
        return add(std::move(box));
    }
    // A value for a side inlet of the box: stored first, then a bang so that it takes effect.
    int store_then_bang(int x, int y, int box, int inlet) {
        const int trigger = object(x, y, "t b f");
        connect(trigger, 1, box, inlet);
        connect(trigger, 0, box, 0);
        return trigger;
    }
    // "radius 30" from a number: Max has prepend, Pd its list objects, one under the other.
    int prepend(int x, int y, const std::string &selector, int box) {
        if (host_ == Host::max) {
            const int object_box = object(x, y, text("prepend ", selector));
            connect(object_box, 0, box, 0);
            return object_box;
        }
        const int list_prepend = object(x, y, text("list prepend ", selector));
        const int trim = object(x, bottom(list_prepend) + 10, "list trim");
        connect(list_prepend, 0, trim, 0);
        connect(trim, 0, box, 0);
        return list_prepend;
    }

    // [route CONTEXT-1 .. CONTEXT-8] from `source`'s outlet, the next eight from another route
    // under it, and so on (as many to a route as fit the width); under each channel's outlet a
    // number box with the channel's name beneath it. The routes stand a little right of `x`, where the source's cord comes
    // down, so that it passes beside the rows above. Returns the y below the last row.
    int route_channels(int x, int y, int source, int outlet, const std::string &context, int channels,
                       int within = 760) {
        constexpr int indent = 30;
        const int label_width = static_cast<int>(text_width(host_, text(context, "-", std::to_string(channels)))) + 14;
        const int pitch = std::max(label_width, number_width()) + 8;
        // As many to a route as fit `within`, the rows evened out.
        const int fits = std::max(1, (within - indent - 8) / pitch);
        const int rows = (channels + fits - 1) / fits;
        const int per_route = std::max(1, (channels + rows - 1) / std::max(1, rows));
        for (int first = 1; first <= channels; first += per_route) {
            const int last = std::min(channels, first + per_route - 1);
            std::string route = "route";
            for (int channel = first; channel <= last; ++channel)
                route.append(" ").append(context).append("-").append(std::to_string(channel));
            const int outlets = last - first + 2;
            const int router = object(x + indent, y, route, pitch * (outlets - 1) + 8);
            connect(source, outlet, router, 0);
            const int span = width(router) - 8;
            const int number_y = bottom(router) + 15;
            int below = number_y;
            for (int channel = first; channel <= last; ++channel) {
                // A little right of each outlet: the cords to the routes below pass left of the labels.
                const int column_x = x + indent + 8 + span * (channel - first) / (outlets - 1);
                const int number_box = number(column_x, number_y);
                connect(router, channel - first, number_box, 0);
                const int label = comment(column_x, bottom(number_box) + 2, label_width,
                                          text(context, "-", std::to_string(channel)));
                below = std::max(below, bottom(label));
            }
            y = below + 10;
        }
        return y;
    }

    void connect(int from, int outlet, int to, int inlet) { patch_.connect(from, outlet, to, inlet); }
    // Takes back the box just added, before anything connects to it: to place it again.
    void forget_last() { patch_.boxes.pop_back(); }
    Host host() const { return host_; }
    Size size(int box) const { return box_size(host_, patch_.boxes[box]); }
    int width(int box) const { return size(box).width; }
    int bottom(int box) const { return patch_.boxes[box].y + size(box).height; }
    int right(int box) const { return patch_.boxes[box].x + size(box).width; }
    // The lowest and rightmost edges so far.
    int lowest() const {
        int y = 0;
        for (int box = 0; box < static_cast<int>(patch_.boxes.size()); ++box) y = std::max(y, bottom(box));
        return y;
    }
    int rightmost() const {
        int x = 0;
        for (int box = 0; box < static_cast<int>(patch_.boxes.size()); ++box) x = std::max(x, right(box));
        return x;
    }
    // The window holds every box with a margin.
    Patch finish(std::string name = "") {
        patch_.name = std::move(name);
        patch_.width = rightmost() + 20;
        patch_.height = lowest() + 20;
        return std::move(patch_);
    }

private:
    int add(Box box) { return patch_.add(std::move(box)); }
    static std::string number_text(double value) {
        std::ostringstream out;
        out << value;
        return out.str();
    }
    int number_width() const { return host_ == Host::max ? 50 : 5 * pd_character_width + 8; }

    Host host_;
    Patch patch_;
};

}  // namespace vorn_docs
