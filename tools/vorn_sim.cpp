// vorn-sim: runs a script against one Vorn box in the stand-in host, linked directly.
#include "script_runner.h"
#include "shell/max/max_api.h"

extern "C" void ext_main(void *resources);

int main(int argc, char **argv) {
    const vorn_sim::CommandLine command_line = vorn_sim::parse_command_line(argc, argv, false);
    if (!command_line.ok) return 1;
    ext_main(nullptr);
    return vorn_sim::run_command_line(command_line);
}
