// vorn-sim: runs a script against one Vorn box in the stand-in host, linked directly.
#include "picture/layout_picture.h"
#include "sim/script_runner.h"
#include "bindings/max/max_api.h"

extern "C" void ext_main(void *resources);

int main(int argc, char **argv) {
    vorn_sim::CommandLine command_line = vorn_sim::parse_command_line(argc, argv, false, true);
    if (command_line.help) return command_line.ok ? 0 : 1;
    if (!command_line.ok) return 1;
    ext_main(nullptr);
    if (command_line.svg_path.empty()) return vorn_sim::run_command_line(command_line);

    vorn_sim::LayoutPicture picture;
    command_line.options.observer = &picture;
    const int status = vorn_sim::run_command_line(command_line);
    return picture.write_svg(command_line.svg_path) ? status : 1;
}
