// Boxes for the thread tests: two layers of loudspeakers, committed.
#pragma once

namespace vorn_thread_test {

// A box named `context` in the stand-in host, configured with a ring of 4 and one of 2; a
// message it refuses fails the test.
void *made_box(const char *context);

}  // namespace vorn_thread_test
