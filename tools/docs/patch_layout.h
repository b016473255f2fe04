// Laying out a patch for either host: boxes with the inlets and outlets each host gives
// them, and the small pieces (store-then-bang, prepend, channel routing) the patches share.
#pragma once

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

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

class Layout {
    using Kind = Box::Kind;

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
    // [route CONTEXT-1 .. CONTEXT-N] from the box's left outlet, one number box per channel,
    // `per_row` to a row. Returns the y below the last row.
    int route_channels(int x, int y, int box, const std::string &context, int channels, int per_row) {
        std::string route = "route";
        for (int channel = 1; channel <= channels; ++channel)
            route.append(" ").append(context).append("-").append(std::to_string(channel));
        const int inlets = host_ == Host::max || channels == 1 ? 2 : 1;
        const int router = object(x, y, 56 * std::min(channels, per_row), route, inlets,
                                  std::vector<std::string>(channels + 1, ""));
        connect(box, 0, router, 0);
        // A long route wraps onto more lines, about seven pixels a character.
        const int top = y + 16 * static_cast<int>(route.size() * 7 / patch_.boxes[router].width) + 40;
        for (int channel = 1; channel <= channels; ++channel) {
            const int column = (channel - 1) % per_row, row = (channel - 1) / per_row;
            connect(router, channel - 1, number(x + 56 * column, top + 30 * row), 0);
        }
        return top + 30 * ((channels - 1) / per_row + 1);
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

}  // namespace vorn_docs
