// vorn-docs: writes the help patches and the reference page from the interface table, and
// keeps the README's table of messages in step with it.
//   vorn-docs FOLDER                  Vorn.maxhelp, Vorn.maxref.xml, Vorn-help.pd and
//                                     package-info.json into FOLDER
//   vorn-docs --pd-help FILE          Vorn-help.pd alone, to stand beside the Pd external
//   vorn-docs --example SCRIPT PATCH  a patch (.maxpat, or .pd) of a vorn-sim script
//   vorn-docs --readme FILE           replaces the table of messages in FILE
//   vorn-docs --selectors             the messages a patch can send, one a line
//   vorn-docs --objects FILE          the objects file of Pd's package manager (deken): one
//                                     line per object, its name, a tab and its digest
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "patch.h"
#include "box/interface_table.h"

namespace {

bool write_file(const std::filesystem::path &path, const std::string &text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
    if (!file) std::fprintf(stderr, "vorn-docs: cannot write %s\n", path.c_str());
    return static_cast<bool>(file);
}

int write_help(const std::filesystem::path &folder) {
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    using namespace vorn_docs;
    const bool ok = write_file(folder / "Vorn.maxhelp", maxhelp_json(help_patch(Host::max))) &&
                    write_file(folder / "Vorn.maxref.xml", maxref_xml()) &&
                    write_file(folder / "Vorn-help.pd", pd_patch_text(help_patch(Host::pd))) &&
                    write_file(folder / "package-info.json", package_info_json());
    return ok ? 0 : 1;
}

int write_example(const std::filesystem::path &script_path, const std::filesystem::path &patch_path) {
    std::ifstream script(script_path);
    if (!script) {
        std::fprintf(stderr, "vorn-docs: cannot read %s\n", script_path.c_str());
        return 1;
    }
    std::vector<std::string> lines;
    for (std::string line; std::getline(script, line);) lines.push_back(line);
    using namespace vorn_docs;
    if (patch_path.extension() == ".pd") return write_file(patch_path, pd_patch_text(example_patch(Host::pd, lines))) ? 0 : 1;
    return write_file(patch_path, maxhelp_json(example_patch(Host::max, lines))) ? 0 : 1;
}

int update_readme(const std::filesystem::path &path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream buffer;
    buffer << file.rdbuf();
    std::string text = buffer.str();
    const std::string table = vorn_docs::readme_messages_table();
    const std::string first_line = table.substr(0, table.find('\n') + 1);
    const std::string last_line = "<!-- end of messages -->\n";
    const std::size_t start = text.find(first_line);
    const std::size_t end = start == std::string::npos ? start : text.find(last_line, start);
    if (!file || end == std::string::npos) {
        std::fprintf(stderr, "vorn-docs: %s has no table of messages to replace (its first line is:\n%s)\n",
                     path.c_str(), first_line.c_str());
        return 1;
    }
    text.replace(start, end + last_line.size() - start, table);
    return write_file(path, text) ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
    const std::string first = argc > 1 ? argv[1] : "";
    if (argc == 2 && first == "--selectors") {
        for (const vorn::box_interface::Message &message : vorn::box_interface::messages)
            if (message.arguments != vorn::box_interface::Arguments::host_only) std::printf("%s\n", message.selector);
        return 0;
    }
    if (argc == 3 && first == "--readme") return update_readme(argv[2]);
    if (argc == 3 && first == "--objects")
        return write_file(argv[2], std::string(vorn::box_interface::class_name) + "\t" +
                                       vorn::box_interface::object_digest + "\n")
                   ? 0
                   : 1;
    if (argc == 3 && first == "--pd-help")
        return write_file(argv[2], vorn_docs::pd_patch_text(vorn_docs::help_patch(vorn_docs::Host::pd))) ? 0 : 1;
    if (argc == 4 && first == "--example") return write_example(argv[2], argv[3]);
    if (argc == 2 && first[0] != '-') return write_help(first);
    std::fprintf(stderr, "usage: vorn-docs FOLDER | --pd-help FILE | --example SCRIPT PATCH | --readme FILE | --selectors | "
                         "--objects FILE\n");
    return 1;
}
