// The stand-in host: a small implementation of the host API subset, plus the calls a driver
// (vorn-sim, the tests) uses to create boxes, send them messages and read what leaves them.
#pragma once

#include <cstddef>

#include "bindings/max/max_api.h"

extern "C" {

// Receives every transcript line: outlet messages and console lines, in order.
typedef void (*standin_sink)(void *context, const char *line);

enum standin_send_result {
    STANDIN_SENT = 0,
    STANDIN_NO_SUCH_INLET = 1,
    STANDIN_INLET_TAKES_NUMBERS = 2,
    STANDIN_NO_SUCH_OBJECT = 3,
};

void standin_set_sink(standin_sink sink, void *context);
// While set, outlet messages and console lines are dropped unformatted (for benchmarks).
void standin_set_quiet(int quiet);
// While set to a byte other than 0, new records are filled with it after the header instead
// of zeros, to show that creation sets every field itself. The environment variable
// STANDIN_RECORD_FILL (a number) sets it when the host starts.
void standin_set_record_fill(int byte);
// Runs the creation routine of a registered class; NULL when it refused the arguments.
void *standin_create(const char *class_name, long argc, t_atom *argv);
// Runs the teardown routine and frees the box.
void standin_destroy(void *object);
// Delivers a message to an inlet as the host does, with its typed dispatch.
int standin_send(void *object, long inlet, t_symbol *selector, long argc, t_atom *argv);
// Calls the box's host-only assist handler; leaves `dest` alone if there is none.
void standin_assist(void *object, long io, long index, char *dest);
// One atom as the transcript shows it.
void standin_format_atom(const t_atom *atom, char *dest, std::size_t size);

}
