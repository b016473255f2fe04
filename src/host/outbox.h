// What a box sends, made under its critical region and sent after it has left it. An outlet
// call may travel through the patch into another box, and so into another region; made
// inside our own, two boxes wired to each other and moved from two threads would each wait
// for the other's region for ever. Console lines wait in the same queue, so they keep their
// place among the messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "host/host.h"

namespace vorn {

struct Panner;

class Outbox {
public:
    void add_amplitude(host::Outlet *outlet, host::Symbol *selector, double amplitude) {
        entries_.push_back(Entry{Kind::amplitude, 0, 0, outlet, selector, amplitude});
    }
    void add_message(host::Outlet *outlet, host::Symbol *selector, std::span<const host::Value> values);
    void add_line(bool is_error, const char *text);
    bool empty() const { return entries_.empty(); }
    // Room for this many messages and atoms, so that passes of a committed configuration
    // never allocate.
    void reserve(std::size_t messages, std::size_t values);
    // As much room as another box has, so that swapping the two never allocates while panning.
    void make_room_like(const Outbox &other) {
        if (entries_.capacity() < other.entries_.capacity()) entries_.reserve(other.entries_.capacity());
        if (values_.capacity() < other.values_.capacity()) values_.reserve(other.values_.capacity());
    }
    // Sends every entry in order through the host door, then forgets them, keeping the room.
    void send_all(const Panner &panner);

private:
    enum class Kind : std::uint8_t { amplitude, message, post, error };
    struct Entry {
        Kind kind;
        std::uint32_t first;  // into values_ or text_
        std::uint32_t count;
        host::Outlet *outlet;
        host::Symbol *selector;
        double amplitude;
    };
    std::vector<Entry> entries_;
    std::vector<host::Value> values_;
    std::vector<char> text_;
};

// What is kept for each thread that calls a box, reached through this_thread(): in a
// plug-in every reach of a thread-local is a call into the loader, so each caller reaches
// it once and passes it on.
struct ThisThread {
    int sends;      // sends of any box this thread is inside of
    int answering;  // Answering scopes open
    std::int32_t answers;
    bool stopped;
};
ThisThread &this_thread();

// Tells the threads apart without naming any host's threads.
inline const void *this_thread_tag() { return &this_thread(); }

// Called inside the box's region by `thread`. Sends what is queued with the region left, and
// comes back into it; a batch queued meanwhile by any thread goes out in turn. One thread
// sends for a box at a time, so the patch gets the batches whole and in the order they were
// made. Where another thread is sending already, a thread inside some box's send returns at
// once and leaves its queue to that sender; a thread the host called waits for its turn. So
// no sender ever waits for another's sends, and the queue has an owner until it is empty.
void deliver_queued(Panner &panner, ThisThread &thread);

// Everything one thread does for the patch from a message the host gave it until all that
// message made is sent: the passes and exports that messages coming back through the patch
// ask for, in any box, share one budget. So a ring of boxes, each answering the next, stops
// after as many passes as one box would, whatever its length.
class Answering {
public:
    explicit Answering(ThisThread &thread) : thread_(thread) {
        if (thread_.answering++ > 0) return;
        thread_.answers = 0;
        thread_.stopped = false;
    }
    ~Answering() { --thread_.answering; }
    Answering(const Answering &) = delete;
    Answering &operator=(const Answering &) = delete;

private:
    ThisThread &thread_;
};

// True while this thread is inside a send of some box: a message now came through the patch.
inline bool inside_a_send() { return this_thread().sends > 0; }

enum class Answer : std::uint8_t { run, ran_out, stopped };
// Asked before a pass or an export that a message coming through the patch asks for; counts
// it. `ran_out` once, for the first one over the budget, then `stopped` until the message the
// host gave this thread is done. Outside that, always `run`.
Answer may_answer();

}  // namespace vorn
