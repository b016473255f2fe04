// A patch as both hosts see it: boxes at positions and the cords between them. The help
// patches are laid out once in this form and written out in each host's file format.
#pragma once

#include <string>
#include <vector>

namespace vorn_docs {

enum class Host { max, pd };

struct Box {
    enum class Kind { object, message, number, slider, comment, subpatch };
    Kind kind;
    std::string text;  // object name and arguments, message text, comment text; empty for number boxes
    int x = 0, y = 0, width = 0;
    int inlets = 1, outlets = 1;
    std::vector<std::string> outlet_types;  // Max only; "" means any
    double minimum = 0, maximum = 0;        // sliders
    double initial = 0;                     // sliders: the value it shows and sends when the patch loads
    bool sends_initial = false;
    int columns = 0;                        // Pd: the width set on the box in characters, 0 for none
    int subpatch = -1;                      // a subpatch box: its patch among the subpatches
};

struct Cord {
    int from, outlet, to, inlet;
};

struct Patch {
    std::string name;  // a subpatch's name, a tab's title
    int width = 0, height = 0;
    std::vector<Box> boxes;
    std::vector<Cord> cords;
    std::vector<Patch> subpatches;
    bool tabs = true;  // Max: the subpatches open as tabs of the window, in place of this patch

    int add(Box box) {
        boxes.push_back(std::move(box));
        return static_cast<int>(boxes.size()) - 1;
    }
    void connect(int from, int outlet, int to, int inlet) { cords.push_back({from, outlet, to, inlet}); }
};

// The message boxes of a help patch run in the order in which they are added.
Patch help_patch(Host host);

// A patch of the first box of a vorn-sim script, given as its lines.
Patch example_patch(Host host, const std::vector<std::string> &script_lines);

std::string maxhelp_json(const Patch &patch);
std::string pd_patch_text(const Patch &patch);
std::string maxref_xml();
std::string package_info_json();
// The messages as a Markdown table, between the markers that the README keeps for it.
std::string readme_messages_table();

}  // namespace vorn_docs
