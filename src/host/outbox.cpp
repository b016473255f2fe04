#include "host/outbox.h"

#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>

#include "host/panner.h"

namespace vorn {

void Outbox::add_message(host::Outlet *outlet, host::Symbol *selector, std::span<const host::Value> values) {
    const auto first = static_cast<std::uint32_t>(values_.size());
    values_.insert(values_.end(), values.begin(), values.end());
    entries_.push_back(Entry{Kind::message, first, static_cast<std::uint32_t>(values.size()), outlet, selector, 0});
}

void Outbox::add_line(bool is_error, const char *text) {
    const auto first = static_cast<std::uint32_t>(text_.size());
    text_.insert(text_.end(), text, text + std::strlen(text) + 1);
    entries_.push_back(Entry{is_error ? Kind::error : Kind::post, first, 0, nullptr, nullptr, 0});
}

void Outbox::reserve(std::size_t messages, std::size_t values) {
    entries_.reserve(messages);
    values_.reserve(values);
}

void Outbox::send_all(const Panner &panner) {
    for (const Entry &entry : entries_) {
        switch (entry.kind) {
        case Kind::amplitude:
            host::send_float(entry.outlet, entry.selector, entry.amplitude);
            break;
        case Kind::message:
            host::send(entry.outlet, entry.selector, std::span<const host::Value>(values_.data() + entry.first, entry.count));
            break;
        case Kind::post:
            host::write_post(&panner, text_.data() + entry.first);
            break;
        case Kind::error:
            host::write_error(&panner, text_.data() + entry.first);
            break;
        }
    }
    entries_.clear();
    values_.clear();
    text_.clear();
}

namespace {

// As many passes as a box answering itself may run in a row (send_queued), and again as many
// for the boxes of a ring, in any proportion.
constexpr std::int32_t answer_budget = 10000;

}  // namespace

namespace {
thread_local ThisThread this_thread_record{};
}  // namespace

ThisThread &this_thread() { return this_thread_record; }

Answer may_answer() {
    ThisThread &thread = this_thread_record;
    if (thread.answering == 0) return Answer::run;
    if (thread.stopped) return Answer::stopped;
    if (++thread.answers <= answer_budget) return Answer::run;
    thread.stopped = true;
    return Answer::ran_out;
}

void deliver_queued(Panner &panner, ThisThread &thread) {
    if (!panner.outbox || panner.sending_thread == &thread) return;
    if (panner.sending_thread) {
        // Inside another box's send, waiting could close a ring of threads each waiting for the
        // next: the sender takes this queue along. Called by the host itself, this thread
        // holds nothing and waits its turn, and the sender hands over at its next batch, so
        // that a busy thread cannot keep the sender sending for it for ever.
        if (thread.sends > 0) return;
        ++panner.senders_waiting;
        while (panner.sending_thread) {
            host::leave_region(panner);
            std::this_thread::yield();
            host::enter_region(panner);
        }
        --panner.senders_waiting;
    }
    panner.sending_thread = &thread;
    ++thread.sends;
    while (!panner.outbox->empty()) {
        // The other threads queue into the fresh box while this one is sent.
        std::swap(panner.outbox, panner.in_flight);
        Outbox &batch = *panner.in_flight;
        host::leave_region(panner);
        batch.send_all(panner);
        host::enter_region(panner);
        batch.make_room_like(*panner.outbox);
        if (panner.senders_waiting > 0) break;  // what is left goes with the thread that waits
    }
    --thread.sends;
    panner.sending_thread = nullptr;
}

namespace host {

namespace {

void queue_line(const Panner *panner, bool is_error, const char *format, std::va_list args) {
    char line[console_line_size];
    std::vsnprintf(line, sizeof line, format, args);
    if (panner && panner->outbox)
        panner->outbox->add_line(is_error, line);
    else if (is_error)
        write_error(panner, line);
    else
        write_post(panner, line);
}

}  // namespace

void vpost(const Panner *panner, const char *format, std::va_list args) { queue_line(panner, false, format, args); }
void verror(const Panner *panner, const char *format, std::va_list args) { queue_line(panner, true, format, args); }

}  // namespace host

}  // namespace vorn
