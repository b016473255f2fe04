#include "bench/bench_box.h"


extern "C" void ext_main(void *resources);

namespace vorn_bench {

t_atom number(double v) {
    t_atom a;
    atom_setfloat(&a, v);
    return a;
}

t_atom integer(long v) {
    t_atom a;
    atom_setlong(&a, v);
    return a;
}

BenchBox::BenchBox() {
    static const bool loaded = [] {
        ext_main(nullptr);
        return true;
    }();
    (void)loaded;
    standin_set_quiet(1);
    t_atom context;
    atom_setsym(&context, gensym("bench"));
    box_ = standin_create("Vorn", 1, &context);
    list_ = gensym("list");
}

BenchBox::~BenchBox() {
    standin_destroy(box_);
    standin_set_quiet(0);
}

Message parse(const std::string &line) {
    Message message{nullptr, {}};
    std::size_t start = 0;
    while (start < line.size()) {
        std::size_t end = line.find(' ', start);
        if (end == std::string::npos) end = line.size();
        const std::string token = line.substr(start, end - start);
        if (!message.selector)
            message.selector = gensym(token.c_str());
        else if (token.find_first_of(".e") == std::string::npos)
            message.atoms.push_back(integer(std::stol(token)));
        else
            message.atoms.push_back(number(std::stod(token)));
        start = end + 1;
    }
    return message;
}

void BenchBox::send(const Message &message) {
    standin_send(box_, 0, message.selector, static_cast<long>(message.atoms.size()),
                 const_cast<t_atom *>(message.atoms.data()));
}

void BenchBox::send_all(const std::vector<std::string> &lines) {
    for (const std::string &line : lines) send(line);
}

void BenchBox::send_all(const std::vector<Message> &messages) {
    for (const Message &message : messages) send(message);
}

void BenchBox::send_list(double azimuth, double elevation) {
    t_atom position[2] = {number(azimuth), number(elevation)};
    standin_send(box_, 0, list_, 2, position);
}

}  // namespace vorn_bench
