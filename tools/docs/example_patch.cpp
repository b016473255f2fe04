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

    int y = 10;
    if (!script.description.empty()) y = layout.bottom(layout.comment(margin, y, line_width, script.description)) + 10;
    struct Sender {
        int box, inlet;
    };
    std::vector<Sender> senders;
    bool first = true;
    for (const Group &group : script.groups) {
        if (!group.comment.empty()) {
            y = layout.bottom(layout.comment(margin, y, line_width,
                                             text(group.comment, first ? " (sent when the patch loads)" : ""))) + 6;
        } else if (first) {
            y = layout.bottom(layout.comment(margin, y, line_width, "Sent when the patch loads:")) + 6;
        }
        if (group.positions) {
            // One box each, side by side, as many to a row as fit.
            int x = margin, below = y;
            for (const std::string &position : group.messages) {
                int box = layout.message_box(x, y, position);
                if (layout.right(box) > margin + line_width && x > margin) {
                    layout.forget_last();
                    x = margin;
                    y = below + 8;
                    box = layout.message_box(x, y, position);
                }
                senders.push_back({box, 0});
                x = layout.right(box) + 10;
                below = std::max(below, layout.bottom(box));
            }
            y = below + 15;
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
            senders.push_back({box, group.inlet});
            y = layout.bottom(box) + 15;
        }
        first = false;
    }

    const int vorn = layout.object(margin, y + 10, text(vorn::box_interface::class_name, " ", script.context));
    for (const Sender &sender : senders) layout.connect(sender.box, 0, vorn, sender.inlet);
    const int printer = layout.object(layout.right(vorn) + 40, y + 10, "print mask-editor");
    layout.connect(vorn, 1, printer, 0);
    const int below = layout.route_channels(margin, layout.bottom(vorn) + 20, vorn, 0, script.context,
                                            highest_channel(all_messages));
    layout.comment(margin, below, line_width, "Made by vorn-docs from a vorn-sim script: do not edit.");
    return layout.finish();
}

}  // namespace vorn_docs
