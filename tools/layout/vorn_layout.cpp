// vorn-layout: IEM layout files, standard layouts, rings and domes as Vorn messages, and back.
#include <iostream>

#include "layout/command_line.h"

int main(int argc, char **argv) {
    return vorn_layout::run_vorn_layout(std::vector<std::string>(argv + 1, argv + argc), std::cin, std::cout, std::cerr);
}
