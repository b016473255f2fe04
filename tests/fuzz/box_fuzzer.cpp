// libFuzzer target: its input, read as a vorn-sim script with a few extra tokens and
// directives, becomes messages for one box in the stand-in host; after each message the
// invariants are checked and a breach aborts.
//
// Beyond vorn-sim scripts (so every scenario and example is a seed as it stands):
//   $N          the selector of row N (modulo their count) of the interface table
//   ~N          a symbol of one of a few lengths, up to 20,000 characters, chosen by N
//   #N          an atom of type tag N that no message box makes (0, 4..14), value zero
//   !loop K LINE  from now on, at every K-th outgoing message the patch sends LINE back
//               into the box (% in LINE is the outgoing message's last number); K 0 stops
//   !check      a pass repeated sends nothing, and "refresh" sends every loudspeaker
//   !threads N  the rest of the input goes to two boxes, "a" moved by one thread and "b" by
//               another, every line to both; each amplitude of one goes into the other's
//               inlet N (0 left, 1 middle, 2 right, 3 as a list) as value * 300 + channel * 17
//               (the right inlet: the value). Both threads must end (the -timeout catches a
//               livelock), leave both boxes idle, and each box then passes !check.
// Every other symbol is one of a small vocabulary (selectors kept as they are), so the host's
// symbol table, which never shrinks, stays bounded over a long run.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "sim/script_runner.h"
#include "sim/script_tokens.h"
#include "box/interface_table.h"
#include "bindings/max/max_box.h"
#include "standin/standin.h"
#include "support/invariants.h"

extern "C" void ext_main(void *resources);

namespace {

constexpr std::size_t max_lines = 400;
// Enough for a loop to run into the box's own limit of 1,000 owed passes in a row; a loop
// that recurses is caught by the depth limit long before. More would spend the run on
// feedback alone.
constexpr int max_fed_back_per_message = 1100;
// The box takes a message that comes back while it sends without sending from inside it, so
// the patch never answers a message that its own answer made: depth 1. Deeper is a finding
// (a recursion that only the stack would end).
constexpr int feedback_depth_limit = 1;
constexpr std::size_t long_symbol_lengths[] = {0, 1, 253, 254, 255, 256, 300, 5000, 20000};
constexpr const char *vocabulary[] = {"fuzz", "hall", "x", "vorn", "start", "mask-editor", "fuzz-1", "list", "float",
                                      "int", "anything", "ft3", "Vorn", "-", "1x", "e"};

struct Totals {
    unsigned long long inputs = 0, messages = 0, fed_back = 0;
};
Totals totals;

void print_totals() {
    std::fprintf(stderr, "vorn-fuzz totals: %llu inputs, %llu messages (%llu fed back by the patch), 0 findings\n",
                 totals.inputs, totals.messages, totals.fed_back);
}

std::size_t number_after(const std::string &token) { return std::strtoull(token.c_str() + 1, nullptr, 10); }

t_atom atom_for(const std::string &token) {
    t_atom atom{};
    if (vorn_sim::is_number_token(token)) return vorn_sim::atom_of(token);
    if (token.size() > 1 && token[0] == '$') {
        constexpr std::size_t rows = std::size(vorn::box_interface::messages);
        atom_setsym(&atom, gensym(vorn::box_interface::messages[number_after(token) % rows].selector));
        return atom;
    }
    if (token.size() > 1 && token[0] == '~') {
        const std::size_t length = long_symbol_lengths[number_after(token) % std::size(long_symbol_lengths)];
        atom_setsym(&atom, gensym(std::string(length, 'v').c_str()));
        return atom;
    }
    if (token.size() > 1 && token[0] == '#') {
        const std::size_t tag = number_after(token) % 15;
        atom.a_type = static_cast<short>(tag >= 1 && tag <= 3 ? 0 : tag);
        return atom;
    }
    if (vorn::box_interface::find_message(token)) {
        atom_setsym(&atom, gensym(token.c_str()));
        return atom;
    }
    std::size_t hash = 0;
    for (unsigned char c : token) hash = hash * 31 + c;
    atom_setsym(&atom, gensym(vocabulary[hash % std::size(vocabulary)]));
    return atom;
}

std::vector<t_atom> atoms_for(const std::vector<std::string> &tokens, std::size_t first) {
    std::vector<t_atom> atoms;
    for (std::size_t i = first; i < tokens.size(); ++i) atoms.push_back(atom_for(tokens[i]));
    return atoms;
}

// A script line's message: the inlet of a leading >N (any N; the host refuses those it lacks)
// and the atoms.
struct Message {
    long inlet = 0;
    std::vector<t_atom> atoms;
};

Message message_of(const std::vector<std::string> &tokens) {
    const bool to_inlet = tokens[0][0] == '>';
    return {to_inlet ? std::atol(tokens[0].c_str() + 1) % 4 : 0, atoms_for(tokens, to_inlet ? 1 : 0)};
}

[[noreturn]] void finding(const std::string &what, const std::string &message) {
    std::fprintf(stderr, "vorn-fuzz: invariant breached after \"%s\":\n%s", message.substr(0, 300).c_str(),
                 what.c_str());
    std::abort();
}

// Two boxes answering each other, each moved by its own thread.
class ThreadsRun {
public:
    ThreadsRun(long inlet, const std::vector<std::string> &lines) : inlet_(inlet) {
        for (const std::string &line : lines) {
            std::vector<std::string> tokens = vorn_sim::tokens_of(line);
            if (tokens.empty() || tokens[0][0] == '#' || tokens[0][0] == '!') continue;
            Message message = message_of(tokens);
            if (!message.atoms.empty()) messages_.push_back(std::move(message));
        }
    }

    void run() {
        standin_set_sink(nullptr, nullptr);
        standin_set_quiet(1);
        for (int i = 0; i < 2; ++i) {
            t_atom name;
            atom_setsym(&name, gensym(i == 0 ? "a" : "b"));
            boxes_[i] = standin_create("Vorn", 1, &name);
        }
        standin_set_quiet(0);
        standin_set_sink(&ThreadsRun::sink, this);
        std::thread second([this] { drive(1); });
        drive(0);
        second.join();
        standin_set_sink(nullptr, nullptr);
        totals.messages += 2 * messages_.size();
        for (int i = 0; i < 2; ++i) {
            const vorn::Panner &panner = vorn::max::panner_of(boxes_[i]);
            if (panner.sending_thread || panner.senders_waiting != 0 || !panner.outbox->empty() || panner.pass_owed)
                finding("a box fed from two threads was left busy: sender, waiting threads, queue or owed pass\n",
                        "!threads");
        }
    }

    void *box(int i) const { return boxes_[i]; }

private:
    void drive(int i) {
        for (Message message : messages_) {
            std::string problem;
            vorn_sim::send_atoms(boxes_[i], message.inlet, message.atoms, problem);
        }
    }

    // "outlet 0: a-3 0.5" into box b, and the other way round.
    static void sink(void *context, const char *text) {
        ThreadsRun &run = *static_cast<ThreadsRun *>(context);
        const std::string_view line(text);
        if (line.substr(0, 10) != "outlet 0: " || line.size() < 13) return;
        const std::size_t space = line.rfind(' ');
        const double value = std::strtod(text + space + 1, nullptr);
        const double channel = std::strtod(text + 12, nullptr);
        {
            std::lock_guard<std::mutex> held(run.lock_);
            ++totals.fed_back;
        }
        void *to = run.boxes_[line[10] == 'a' ? 1 : 0];
        t_atom atoms[3];
        atom_setfloat(&atoms[0], run.inlet_ == 2 ? value : value * 300 + channel * 17);
        atom_setfloat(&atoms[1], channel * 5);
        atom_setfloat(&atoms[2], 1);
        if (run.inlet_ == 3)
            standin_send(to, 0, gensym("list"), 3, atoms);
        else
            standin_send(to, run.inlet_, gensym("float"), 1, atoms);
    }

    long inlet_;
    std::vector<Message> messages_;
    void *boxes_[2] = {nullptr, nullptr};
    std::mutex lock_;
};

class Driver {
public:
    Driver() { standin_set_sink(&Driver::sink, this); }
    ~Driver() { destroy(); }

    void line(const std::string &text) {
        const std::vector<std::string> tokens = vorn_sim::tokens_of(text);
        if (tokens.empty() || tokens[0][0] == '#') return;
        if (tokens[0] == "!create") return create(atoms_for(tokens, 1));
        if (!box_) create({atom_for("fuzz")});
        if (tokens[0] == "!free") return destroy();
        if (tokens[0] == "!check") return check_passes();
        if (tokens[0] == "!loop") return arm_loop(tokens);
        if (tokens[0] == "!threads") return;  // read by the caller
        if (tokens[0] == "!assist") {
            char text_buffer[512] = "";
            if (tokens.size() == 3) standin_assist(box_, tokens[1] == "inlet" ? 1 : 2, std::atol(tokens[2].c_str()), text_buffer);
            return;
        }
        message(tokens, text, true);
    }

    void check_passes() {
        if (!box_) return;
        const std::vector<std::string> bang = {"bang"}, refresh = {"refresh"};
        message(bang, "bang", false);
        message(bang, "bang", false);
        if (const std::string breaches = checker_.repeat_breaches(); !breaches.empty()) finding(breaches, "bang");
        message(refresh, "refresh", false);
        if (const std::string breaches = checker_.refresh_breaches(panner()); !breaches.empty())
            finding(breaches, "refresh");
    }

    // Checks a box that another run left, then frees it.
    void check_and_free(void *box) {
        destroy();
        standin_set_sink(&Driver::sink, this);
        box_ = box;
        checker_.reset();
        const std::vector<std::string> refresh = {"refresh"};
        message(refresh, "refresh", false);
        check_passes();
        destroy();
    }

    void destroy() {
        if (box_) standin_destroy(box_);
        box_ = nullptr;
        loop_every_ = 0;
    }

private:
    vorn::Panner &panner() { return vorn::max::panner_of(box_); }

    void create(std::vector<t_atom> atoms) {
        destroy();
        ++totals.messages;
        box_ = standin_create("Vorn", static_cast<long>(atoms.size()), atoms.data());
        checker_.reset();
    }

    void arm_loop(const std::vector<std::string> &tokens) {
        loop_every_ = tokens.size() > 1 ? std::strtoul(tokens[1].c_str(), nullptr, 10) % 64 : 0;
        loop_tokens_.assign(tokens.begin() + (tokens.size() > 1 ? 2 : 1), tokens.end());
        if (loop_tokens_.empty()) loop_every_ = 0;
        outgoing_ = 0;
    }

    void message(const std::vector<std::string> &tokens, const std::string &text, bool feedback) {
        auto [inlet, atoms] = message_of(tokens);
        if (atoms.empty()) return;
        feedback_on_ = feedback;
        fed_back_ = 0;
        lines_.clear();
        checker_.begin_message(&panner());
        ++totals.messages;
        std::string problem;
        vorn_sim::send_atoms(box_, inlet, atoms, problem);
        for (const std::string &out : lines_) checker_.observe(panner(), out);
        for (int i = 0; i < fed_back_; ++i) checker_.note_fed_back();
        if (const std::string breaches = checker_.end_message(&panner()); !breaches.empty()) finding(breaches, text);
        check_console_lines(atoms.size(), text);
        if (feedback && fed_back_ == 0 && atoms[0].a_type == A_SYM && atoms[0].a_w.w_sym == gensym("refresh") &&
            inlet == 0)
            if (const std::string breaches = checker_.refresh_breaches(panner()); !breaches.empty())
                finding(breaches, text);
    }

    // No message makes the box post more than a handful of lines besides one for each item it
    // names: an atom of its own, a loudspeaker that "info" lists, a message the patch sent
    // back. Dropping a ring of many empty layers, say, is no reason for a line per layer.
    void check_console_lines(std::size_t atoms, const std::string &text) {
        // As many as the fixed part of the "info" report.
        constexpr std::size_t handful = 10;
        std::size_t said = 0;
        for (const std::string &out : lines_)
            said += out.compare(0, 6, "post: ") == 0 || out.compare(0, 7, "error: ") == 0;
        const std::size_t bound = handful + atoms + static_cast<std::size_t>(panner().map_total) +
                                  static_cast<std::size_t>(fed_back_) * (handful + loop_tokens_.size());
        if (said > bound)
            finding(std::to_string(said) + " console lines for one message, more than " + std::to_string(bound) + "\n",
                    text);
    }

    // The patch: records what leaves the box, and now and then answers with a message.
    static void sink(void *context, const char *line) {
        Driver &d = *static_cast<Driver *>(context);
        d.lines_.emplace_back(line);
        if (!d.feedback_on_ || d.loop_every_ == 0 || std::string_view(line).substr(0, 6) != "outlet") return;
        if (++d.outgoing_ % d.loop_every_ != 0 || d.fed_back_ >= max_fed_back_per_message) return;
        if (d.depth_ >= feedback_depth_limit)
            finding("the patch answered a message sent while it was answering another, " +
                        std::to_string(d.depth_ + 1) + " deep: the feedback recurses\n",
                    std::string(line));
        ++d.fed_back_;
        ++totals.fed_back;
        ++totals.messages;
        const std::string text(line);
        const std::string last = text.substr(text.rfind(' ') + 1);
        std::vector<std::string> tokens = d.loop_tokens_;
        for (std::string &token : tokens)
            if (token == "%") token = vorn_sim::is_number_token(last) ? last : "0";
        Message answer = message_of(tokens);
        std::string problem;
        ++d.depth_;
        if (!answer.atoms.empty()) vorn_sim::send_atoms(d.box_, answer.inlet, answer.atoms, problem);
        --d.depth_;
    }

    void *box_ = nullptr;
    vorn_test::InvariantChecker checker_;
    std::vector<std::string> lines_;
    std::vector<std::string> loop_tokens_;
    unsigned long loop_every_ = 0;
    unsigned long outgoing_ = 0;
    bool feedback_on_ = false;
    int fed_back_ = 0;
    int depth_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    ext_main(nullptr);
    std::atexit(print_totals);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    ++totals.inputs;
    Driver driver;
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    std::size_t start = 0, lines = 0;
    std::vector<std::string> rest;
    long threads_inlet = -1;
    while (start <= input.size() && lines++ < max_lines) {
        std::size_t end = input.find('\n', start);
        if (end == std::string_view::npos) end = input.size();
        std::string line(input.substr(start, end - start));
        start = end + 1;
        if (threads_inlet >= 0) {
            rest.push_back(std::move(line));
            continue;
        }
        const std::vector<std::string> tokens = vorn_sim::tokens_of(line);
        if (!tokens.empty() && tokens[0] == "!threads")
            threads_inlet = tokens.size() > 1 ? static_cast<long>(std::strtoul(tokens[1].c_str(), nullptr, 10) % 4) : 0;
        driver.line(line);
    }
    driver.check_passes();
    if (threads_inlet >= 0) {
        ThreadsRun threads(threads_inlet, rest);
        threads.run();
        driver.check_and_free(threads.box(0));
        driver.check_and_free(threads.box(1));
    }
    // A running count for long runs, in case one is stopped before its end.
    constexpr unsigned long long report_every = 5'000'000;
    static unsigned long long next_report = report_every;
    if (totals.messages >= next_report) {
        print_totals();
        next_report += report_every;
    }
    return 0;
}
