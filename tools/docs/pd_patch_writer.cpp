// A patch as a Pd file. Boxes are numbered in the order written, comments and subpatches
// included, which is the numbering that the connect lines use; a subpatch's boxes are
// numbered within it.
#include <cmath>
#include <sstream>

#include "box_metrics.h"
#include "patch.h"

namespace vorn_docs {

namespace {

// Commas and semicolons would end a message in Pd's file; a dollar would be an argument
// (except in an object box, where $0 is the patch's own number).
std::string pd_escaped(const std::string &text) {
    std::string out;
    for (const char c : text) {
        if (c == ',' || c == ';') out += std::string(out.empty() ? "\\" : " \\") + c;
        else if (c == '$') out += "\\$";
        else out += c;
    }
    return out;
}

// Pd's font size's character width makes the box as wide as the layout measured it.
std::string width_setting(const Box &box) { return box.columns > 0 ? ", f " + std::to_string(box.columns) : ""; }

void write_canvas(std::ostream &out, const Patch &patch, int x, int y) {
    for (const Box &box : patch.boxes) {
        switch (box.kind) {
        case Box::Kind::comment:
            out << "#X text " << box.x << " " << box.y << " " << pd_escaped(box.text) << width_setting(box) << ";\n";
            break;
        case Box::Kind::message:
            out << "#X msg " << box.x << " " << box.y << " " << pd_escaped(box.text) << width_setting(box) << ";\n";
            break;
        case Box::Kind::number:
            out << "#X floatatom " << box.x << " " << box.y << " " << box.columns << " 0 0 0 - - - 0;\n";
            break;
        case Box::Kind::slider: {
            // Pd keeps a slider's position in hundredths of a pixel, and restores it only
            // when the slider's init is on (which also sends it when the patch loads).
            const double span = box.maximum - box.minimum;
            const long position = std::lround((box.initial - box.minimum) / span * (box.width - 1) * 100);
            out << "#X obj " << box.x << " " << box.y << " hsl " << box.width << " 15 " << box.minimum << " "
                << box.maximum << " 0 " << (box.sends_initial ? 1 : 0) << " empty empty empty -2 -8 0 10 -262144 -1 -1 "
                << (box.sends_initial ? position : 0) << " 1;\n";
            break;
        }
        case Box::Kind::object:
            out << "#X obj " << box.x << " " << box.y << " " << pd_escaped(box.text) << width_setting(box) << ";\n";
            break;
        case Box::Kind::subpatch: {
            const Patch &inner = patch.subpatches[box.subpatch];
            out << "#N canvas " << x + 30 << " " << y + 30 << " " << inner.width << " " << inner.height << " "
                << inner.name << " 0;\n";
            write_canvas(out, inner, x + 30, y + 30);
            out << "#X restore " << box.x << " " << box.y << " pd " << inner.name << ";\n";
            break;
        }
        }
    }
    for (const Cord &cord : patch.cords)
        out << "#X connect " << cord.from << " " << cord.outlet << " " << cord.to << " " << cord.inlet << ";\n";
}

}  // namespace

std::string pd_patch_text(const Patch &patch) {
    std::ostringstream out;
    out << "#N canvas 40 40 " << patch.width << " " << patch.height << " " << pd_font_size << ";\n";
    write_canvas(out, patch, 40, 40);
    return out.str();
}

}  // namespace vorn_docs
