// A patch as a .maxhelp file: the host's JSON patcher.
#include <sstream>

#include "patch.h"
#include "text_escape.h"

namespace vorn_docs {

namespace {

const char *max_class(Box::Kind kind) {
    switch (kind) {
    case Box::Kind::object: return "newobj";
    case Box::Kind::message: return "message";
    case Box::Kind::number:
    case Box::Kind::slider: return "flonum";  // help_patch gives Max number boxes only
    case Box::Kind::comment: return "comment";
    }
    return "comment";
}

std::string box_id(int index) { return json_string("obj-" + std::to_string(index + 1)); }

// Long texts wrap inside their width, about seven pixels a character.
int height_of(const Box &box) {
    if (box.kind == Box::Kind::number || box.kind == Box::Kind::slider) return 22;
    const std::size_t per_line = static_cast<std::size_t>(box.width > 14 ? box.width / 7 : 2);
    const std::size_t lines = box.text.size() / per_line + 1;
    return static_cast<int>(lines) * 16 + 6;
}

}  // namespace

std::string maxhelp_json(const Patch &patch) {
    std::ostringstream out;
    out << "{\n\t\"patcher\": {\n"
        << "\t\t\"fileversion\": 1,\n"
        << "\t\t\"appversion\": {\"major\": 8, \"minor\": 5, \"revision\": 0, \"architecture\": \"x64\", "
           "\"modernui\": 1},\n"
        << "\t\t\"classnamespace\": \"box\",\n"
        << "\t\t\"rect\": [100.0, 100.0, " << patch.width << ".0, " << patch.height << ".0],\n"
        << "\t\t\"boxes\": [";
    for (std::size_t i = 0; i < patch.boxes.size(); ++i) {
        const Box &box = patch.boxes[i];
        out << (i ? "," : "") << "\n\t\t\t{\"box\": {\"id\": " << box_id(static_cast<int>(i))
            << ", \"maxclass\": \"" << max_class(box.kind) << "\", \"numinlets\": " << box.inlets
            << ", \"numoutlets\": " << box.outlets;
        if (box.outlets > 0) {
            out << ", \"outlettype\": [";
            for (int o = 0; o < box.outlets; ++o) out << (o ? ", " : "") << json_string(box.outlet_types[o]);
            out << "]";
        }
        out << ", \"patching_rect\": [" << box.x << ".0, " << box.y << ".0, " << box.width << ".0, "
            << height_of(box) << ".0]";
        if (box.kind != Box::Kind::number && box.kind != Box::Kind::slider) out << ", \"text\": " << json_string(box.text);
        out << "}}";
    }
    out << "\n\t\t],\n\t\t\"lines\": [";
    for (std::size_t i = 0; i < patch.cords.size(); ++i) {
        const Cord &cord = patch.cords[i];
        out << (i ? "," : "") << "\n\t\t\t{\"patchline\": {\"source\": [" << box_id(cord.from) << ", " << cord.outlet
            << "], \"destination\": [" << box_id(cord.to) << ", " << cord.inlet << "]}}";
    }
    out << "\n\t\t]\n\t}\n}\n";
    return out.str();
}

}  // namespace vorn_docs
