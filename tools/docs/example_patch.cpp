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
    const Script script = read_script(script_lines);
    Layout layout(host);
    std::vector<std::string> all_messages;
    for (const Group &group : script.groups) all_messages.insert(all_messages.end(), group.messages.begin(), group.messages.end());

    int y = 10;
    if (!script.description.empty()) {
        layout.comment(20, y, 760, script.description);
        y += 30 + static_cast<int>(script.description.size()) / 110 * 16;
    }
    struct Sender {
        int box, inlet;
    };
    std::vector<Sender> senders;
    bool first = true;
    for (const Group &group : script.groups) {
        if (!group.comment.empty()) {
            layout.comment(20, y, 760, text(group.comment, first ? " (sent when the patch loads)" : ""));
            y += 25;
        } else if (first) {
            layout.comment(20, y, 760, "Sent when the patch loads:");
            y += 25;
        }
        if (group.positions) {
            for (std::size_t i = 0; i < group.messages.size(); ++i) {
                const int column = static_cast<int>(i % 8), row = static_cast<int>(i / 8);
                senders.push_back({layout.message_box(20 + 100 * column, y + 30 * row, 95, group.messages[i]), 0});
            }
            y += 30 * static_cast<int>((group.messages.size() + 7) / 8) + 15;
        } else {
            std::string joined;
            for (const std::string &message : group.messages) joined.append(joined.empty() ? "" : ", ").append(message);
            const int box = layout.message_box(20, first ? y + 30 : y, 760, joined);
            if (first) layout.connect(layout.object(20, y, 70, "loadbang", 1, {"bang"}), 0, box, 0);
            senders.push_back({box, group.inlet});
            y += (first ? 30 : 0) + 25 + static_cast<int>(joined.size()) / 105 * 16 + 15;
        }
        first = false;
    }

    const int vorn = layout.object(20, y + 10, 90, text(vorn::box_interface::class_name, " ", script.context),
                                   static_cast<int>(std::size(vorn::box_interface::inlets)),
                                   std::vector<std::string>(std::size(vorn::box_interface::outlets), ""));
    for (const Sender &sender : senders) layout.connect(sender.box, 0, vorn, sender.inlet);
    const int printer = layout.object(300, y + 10, 120, "print mask-editor", 1, {});
    layout.connect(vorn, 1, printer, 0);
    const int below = layout.route_channels(20, y + 50, vorn, script.context, highest_channel(all_messages), 13);
    layout.comment(20, below + 10, 760, "Made by vorn-docs from a vorn-sim script: do not edit.");
    return layout.finish(800, below + 50);
}

}  // namespace vorn_docs
