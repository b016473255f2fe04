#include "threads/thread_boxes.h"

#include <gtest/gtest.h>

#include <string>

#include "sim/script_runner.h"
#include "standin/standin.h"

namespace vorn_thread_test {

void *made_box(const char *context) {
    t_atom name;
    atom_setsym(&name, gensym(context));
    void *box = standin_create("Vorn", 1, &name);
    std::string problem;
    for (const char *line : {"setup 0 45", "layer 0 1 0 2 90 3 180 4 270", "layer 1 5 45 6 225", "end"})
        if (!vorn_sim::send_tokens(box, vorn_sim::tokens_of(line), problem)) ADD_FAILURE() << problem;
    return box;
}

}  // namespace vorn_thread_test
