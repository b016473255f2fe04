// A patch made from a vorn-sim script: the configuration sent when the patch loads, every
// source position of the script as a message box to click, the amplitudes routed to number
// boxes. The script's comments stand beside the boxes they describe.
#include <cctype>
#include <string>
#include <vector>

#include "patch.h"
#include "patch_layout.h"
#include "box/interface_table.h"

namespace vorn_docs {

namespace {

struct Group {
    std::string comment;
    std::vector<std::string> messages;
    int inlet = 0;
    bool positions = false;  // source positions: one box each, to click one after another
};

bool is_position(const std::string &message) {
    return message.rfind("list ", 0) == 0 || std::isdigit(static_cast<unsigned char>(message[0])) ||
           message[0] == '-' || message[0] == '+' || message[0] == '.';
}

std::string trimmed(const std::string &line) {
    const std::size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

// The script's first box: its context, its opening comment and its groups of messages,
// split where a blank or comment line stands or the kind of message changes.
struct Script {
    std::string context = "vorn";
    std::string description;
    std::vector<Group> groups;
};

Script read_script(const std::vector<std::string> &lines) {
    Script script;
    std::string comment;
    bool created = false, split = true;
    for (const std::string &raw : lines) {
        std::string line = trimmed(raw);
        if (line.empty() || line[0] == '#') {
            const std::string text = trimmed(line.empty() ? "" : line.substr(1));
            if (!text.empty()) comment.append(comment.empty() ? "" : " ").append(text);
            split = true;
            continue;
        }
        if (line.rfind("!create", 0) == 0) {
            if (created) break;
            created = true;
            const std::string argument = trimmed(line.substr(7));
            if (!argument.empty()) script.context = argument.substr(0, argument.find(' '));
            script.description = comment;
            comment.clear();
            continue;
        }
        if (line[0] == '!') continue;
        int inlet = 0;
        if (line[0] == '>' && line.size() > 2) {
            inlet = line[1] - '0';
            line = trimmed(line.substr(2));
        }
        const bool position = inlet == 0 && is_position(line);
        if (split || script.groups.empty() || script.groups.back().inlet != inlet ||
            script.groups.back().positions != position) {
            script.groups.push_back({comment, {}, inlet, position});
            comment.clear();
        }
        script.groups.back().messages.push_back(line);
        split = false;
    }
    return script;
}

}  // namespace

Patch example_patch(Host host, const std::vector<std::string> &script_lines) {
    constexpr int margin = 20, line_width = 760;
    const Script script = read_script(script_lines);
    Layout layout(host);
    std::vector<std::string> all_messages;
    for (const Group &group : script.groups) all_messages.insert(all_messages.end(), group.messages.begin(), group.messages.end());
    // Each group hands its messages to an [s] right under it, and an [r] above the box takes
    // them in: no cord runs past the boxes and comments between.
    const auto name = [&](int inlet) {
        return text(host == Host::pd ? "$0-" : "---", script.context, "-", std::to_string(inlet));
    };
    const auto sender = [&](int y, int inlet, const std::vector<int> &boxes) {
        const int s = layout.object(margin, y, text("s ", name(inlet)));
        for (const int box : boxes) layout.connect(box, 0, s, 0);
        return layout.bottom(s);
    };
    bool used[3] = {};

    int y = 10;
    if (!script.description.empty()) y = layout.bottom(layout.comment(margin, y, line_width, script.description)) + 10;
    bool first = true;
    for (const Group &group : script.groups) {
        used[group.inlet] = true;
        if (!group.comment.empty()) {
            y = layout.bottom(layout.comment(margin, y, line_width,
                                             text(group.comment, first ? " (sent when the patch loads)" : ""))) + 6;
        } else if (first) {
            y = layout.bottom(layout.comment(margin, y, line_width, "Sent when the patch loads:")) + 6;
        }
        if (group.positions) {
            // One box each, side by side, as many to a row as fit; each row its own [s], far
            // enough below that the cords fan out to it rather than run along the boxes.
            int x = margin, below = y;
            std::vector<int> row;
            for (const std::string &position : group.messages) {
                int box = layout.message_box(x, y, position);
                if (layout.right(box) > margin + line_width && x > margin) {
                    layout.forget_last();
                    y = sender(below + 20, 0, row) + 8;
                    row.clear();
                    x = margin;
                    box = layout.message_box(x, y, position);
                }
                row.push_back(box);
                x = layout.right(box) + 10;
                below = std::max(below, layout.bottom(box));
            }
            y = sender(below + 20, 0, row) + 10;
        } else {
            std::string joined;
            for (const std::string &message : group.messages) joined.append(joined.empty() ? "" : ", ").append(message);
            int loadbang = -1;
            if (first) {
                loadbang = layout.object(margin, y, "loadbang");
                y = layout.bottom(loadbang) + 10;
            }
            const int box = layout.message_box(margin, y, joined, line_width);
            if (first) layout.connect(loadbang, 0, box, 0);
            y = sender(layout.bottom(box) + 8, group.inlet, {box}) + 10;
        }
        first = false;
    }

    // The box as wide as the column, so that each [r] stands over its inlet and the right
    // outlet is clear of the amplitudes.
    const int receivers_y = y + 5;
    const int vorn_y = receivers_y + 35;
    const int vorn = layout.object(margin, vorn_y, text(vorn::box_interface::class_name, " ", script.context), line_width);
    const int inlet_pitch = (layout.width(vorn) - 7) / 2;
    for (int inlet = 0; inlet < 3; ++inlet) {
        if (!used[inlet]) continue;
        const int receiver = layout.object(margin + inlet_pitch * inlet, receivers_y, text("r ", name(inlet)));
        layout.connect(receiver, 0, vorn, inlet);
    }
    const int printed = layout.editor_printer(layout.right(vorn) + 25, vorn_y - 35, vorn, 1);
    layout.route_channels(margin, std::max(layout.bottom(vorn) + 20, printed + 10), vorn, 0, script.context, highest_channel(all_messages),
                          line_width + 220);
    return layout.finish();
}

}  // namespace vorn_docs
