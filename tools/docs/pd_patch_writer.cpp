// A patch as a Pd file. Boxes are numbered in the order written, comments included, which
// is the numbering that the connect lines use.
#include <sstream>

#include "patch.h"

namespace vorn_docs {

namespace {

// Commas and semicolons would end a message in Pd's file; a dollar would be an argument.
std::string pd_escaped(const std::string &text) {
    std::string out;
    for (const char c : text) {
        if (c == ',' || c == ';') out += std::string(" \\") + c;
        else if (c == '$') out += "\\$";
        else out += c;
    }
    return out;
}

// Pd measures box widths in characters.
int characters(const Box &box) { return box.width / 7; }

}  // namespace

std::string pd_patch_text(const Patch &patch) {
    std::ostringstream out;
    out << "#N canvas 40 40 " << patch.width << " " << patch.height << " 12;\n";
    for (const Box &box : patch.boxes) {
        switch (box.kind) {
        case Box::Kind::comment:
            out << "#X text " << box.x << " " << box.y << " " << pd_escaped(box.text) << ", f " << characters(box) << ";\n";
            break;
        case Box::Kind::message:
            out << "#X msg " << box.x << " " << box.y << " " << pd_escaped(box.text) << ", f " << characters(box) << ";\n";
            break;
        case Box::Kind::number:
            out << "#X floatatom " << box.x << " " << box.y << " " << box.width << " 0 0 0 - - -;\n";
            break;
        case Box::Kind::slider:
            out << "#X obj " << box.x << " " << box.y << " hsl " << box.width << " 15 " << box.minimum << " "
                << box.maximum << " 0 0 empty empty empty -2 -8 0 10 -262144 -1 -1 0 1;\n";
            break;
        case Box::Kind::object:
            out << "#X obj " << box.x << " " << box.y << " " << pd_escaped(box.text);
            if (static_cast<int>(box.text.size()) > characters(box)) out << ", f " << characters(box);
            out << ";\n";
            break;
        }
    }
    for (const Cord &cord : patch.cords)
        out << "#X connect " << cord.from << " " << cord.outlet << " " << cord.to << " " << cord.inlet << ";\n";
    return out.str();
}

}  // namespace vorn_docs
