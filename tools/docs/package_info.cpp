// package-info.json: what the host's package manager shows of the package.
#include <sstream>

#include "patch.h"
#include "box/interface_table.h"
#include "text_escape.h"

namespace vorn_docs {

std::string package_info_json() {
    namespace table = vorn::box_interface;
    std::ostringstream out;
    out << "{\n"
        << "\t\"name\": " << json_string(table::class_name) << ",\n"
        << "\t\"displayname\": " << json_string(table::class_name) << ",\n"
        << "\t\"author\": \"Vorn developers\",\n"
        << "\t\"description\": " << json_string(std::string(table::object_digest) + ". " + table::object_description)
        << ",\n"
        << "\t\"version\": " << json_string(table::version) << ",\n"
        << "\t\"max_version_min\": \"8.0\",\n"
        << "\t\"os\": {\"windows\": {\"platform\": [\"x64\", \"x86\"], \"min_version\": \"none\"}},\n"
        << "\t\"tags\": [\"spatialization\", \"panning\", \"loudspeakers\"],\n"
        << "\t\"website\": \"\",\n"
        << "\t\"homepatcher\": \"Vorn-dome.maxpat\",\n"
        << "\t\"license\": \"MIT\"\n"
        << "}\n";
    return out.str();
}

}  // namespace vorn_docs
