// One Vorn box in the stand-in host with a silent sink, driven by script lines.
#pragma once

#include <string>
#include <vector>

#include "standin/standin.h"

namespace vorn_bench {

// A message ready to send, so that a benchmark loop measures the box and not the parsing.
struct Message {
    t_symbol *selector;
    std::vector<t_atom> atoms;
};

// A selector and numbers (integers where the token has no '.' or exponent), as the
// benchmarks need no more.
Message parse(const std::string &line);

class BenchBox {
public:
    BenchBox();
    ~BenchBox();
    BenchBox(const BenchBox &) = delete;
    BenchBox &operator=(const BenchBox &) = delete;

    void send(const Message &message);
    void send(const std::string &line) { send(parse(line)); }
    void send_all(const std::vector<std::string> &lines);
    void send_all(const std::vector<Message> &messages);
    void send_list(double azimuth, double elevation);
    void *box() const { return box_; }

private:
    void *box_;
    t_symbol *list_;
};

t_atom number(double v);
t_atom integer(long v);

}  // namespace vorn_bench
