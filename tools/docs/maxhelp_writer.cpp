// A patch as a .maxhelp file: the host's JSON patcher. A subpatch is a [p NAME] box holding
// its patcher; in a help file each one opens as a tab.
#include <sstream>

#include "box_metrics.h"
#include "patch.h"
#include "text_escape.h"

namespace vorn_docs {

namespace {

const char *max_class(Box::Kind kind) {
    switch (kind) {
    case Box::Kind::object:
    case Box::Kind::subpatch: return "newobj";
    case Box::Kind::message: return "message";
    case Box::Kind::number:
    case Box::Kind::slider: return "flonum";  // help_patch gives Max number boxes only
    case Box::Kind::comment: return "comment";
    }
    return "comment";
}

std::string box_id(int index) { return json_string("obj-" + std::to_string(index + 1)); }

std::string indent(int depth) { return std::string(static_cast<std::size_t>(depth), '\t'); }

void write_patcher(std::ostream &out, const Patch &patch, int depth, bool tab) {
    const std::string in = indent(depth);
    out << "{\n"
        << in << "\t\"fileversion\": 1,\n"
        << in << "\t\"appversion\": {\"major\": 8, \"minor\": 5, \"revision\": 0, \"architecture\": \"x64\", "
        << "\"modernui\": 1},\n"
        << in << "\t\"classnamespace\": \"box\",\n"
        << in << "\t\"rect\": [100.0, 100.0, " << patch.width << ".0, " << patch.height << ".0],\n"
        << in << "\t\"default_fontname\": \"Arial\",\n"
        << in << "\t\"default_fontsize\": 12.0,\n";
    // The root of a help file with tabs shows only them.
    if (tab) out << in << "\t\"showontab\": 1,\n";
    if (!patch.subpatches.empty() && !tab && patch.tabs) out << in << "\t\"showrootpatcherontab\": 0,\n";
    out << in << "\t\"boxes\": [";
    for (std::size_t i = 0; i < patch.boxes.size(); ++i) {
        const Box &box = patch.boxes[i];
        const Size size = box_size(Host::max, box);
        out << (i ? "," : "") << "\n"
            << in << "\t\t{\"box\": {\"id\": " << box_id(static_cast<int>(i)) << ", \"maxclass\": \""
            << max_class(box.kind) << "\", \"numinlets\": " << box.inlets << ", \"numoutlets\": " << box.outlets;
        if (box.outlets > 0) {
            out << ", \"outlettype\": [";
            for (int o = 0; o < box.outlets; ++o) out << (o ? ", " : "") << json_string(box.outlet_types[o]);
            out << "]";
        }
        out << ", \"patching_rect\": [" << box.x << ".0, " << box.y << ".0, " << size.width << ".0, " << size.height
            << ".0]";
        if (box.kind != Box::Kind::number && box.kind != Box::Kind::slider) out << ", \"text\": " << json_string(box.text);
        if (box.kind == Box::Kind::subpatch) {
            out << ", \"patcher\": ";
            write_patcher(out, patch.subpatches[box.subpatch], depth + 2, patch.tabs);
        }
        out << "}}";
    }
    out << "\n" << in << "\t],\n" << in << "\t\"lines\": [";
    for (std::size_t i = 0; i < patch.cords.size(); ++i) {
        const Cord &cord = patch.cords[i];
        out << (i ? "," : "") << "\n"
            << in << "\t\t{\"patchline\": {\"source\": [" << box_id(cord.from) << ", " << cord.outlet
            << "], \"destination\": [" << box_id(cord.to) << ", " << cord.inlet << "]}}";
    }
    out << "\n" << in << "\t]\n" << in << "}";
}

}  // namespace

std::string maxhelp_json(const Patch &patch) {
    std::ostringstream out;
    out << "{\n\t\"patcher\": ";
    write_patcher(out, patch, 1, false);
    out << "\n}\n";
    return out.str();
}

}  // namespace vorn_docs
