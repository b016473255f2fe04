#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/script_runner.h"
#include "standin/standin.h"

namespace {

// A probe class that records how the stand-in called each of its handlers.
std::vector<std::string> calls;
t_class *probe_class = nullptr;

struct Probe {
    t_object header;
    void *inlet;
    void *left, *right;
};

void *probe_new(t_symbol *, long, t_atom *) {
    Probe *x = static_cast<Probe *>(object_alloc(probe_class));
    x->inlet = floatin(x, 1);
    x->right = outlet_new(x, nullptr);
    x->left = outlet_new(x, "list");
    return x;
}
void probe_int(Probe *, t_atom_long v) { calls.push_back("int " + std::to_string(static_cast<long long>(v))); }
void probe_float(Probe *, double v) { calls.push_back("float " + std::to_string(v)); }
void probe_ft1(Probe *, double v) { calls.push_back("ft1 " + std::to_string(v)); }
void probe_gimme(Probe *, t_symbol *s, long argc, t_atom *) {
    calls.push_back(std::string(s->s_name) + " argc " + std::to_string(argc));
}
void probe_bang(Probe *x) {
    t_atom a[2];
    atom_setlong(&a[0], 7);
    atom_setfloat(&a[1], 0.5);
    outlet_anything(x->left, gensym("left"), 2, a);
    outlet_anything(x->right, gensym("right"), 1, a);
}
void probe_hidden(Probe *) { calls.push_back("hidden"); }

template <typename F>
method as_method(F f) {
    return reinterpret_cast<method>(reinterpret_cast<void (*)()>(f));
}

std::vector<std::string> lines;
void capture(void *, const char *line) { lines.push_back(line); }

class StandinDispatch : public ::testing::Test {
protected:
    void SetUp() override {
        if (!probe_class) {
            probe_class = class_new("probe", as_method(probe_new), nullptr, sizeof(Probe), nullptr, A_GIMME, 0);
            class_addmethod(probe_class, as_method(probe_int), "int", A_LONG, 0);
            class_addmethod(probe_class, as_method(probe_float), "float", A_FLOAT, 0);
            class_addmethod(probe_class, as_method(probe_ft1), "ft1", A_FLOAT, 0);
            class_addmethod(probe_class, as_method(probe_gimme), "list", A_GIMME, 0);
            class_addmethod(probe_class, as_method(probe_bang), "bang", 0);
            class_addmethod(probe_class, as_method(probe_hidden), "hidden", A_CANT, 0);
            class_register(gensym("box"), probe_class);
        }
        standin_set_sink(capture, nullptr);
        calls.clear();
        lines.clear();
        box = standin_create("probe", 0, nullptr);
    }
    void TearDown() override { standin_destroy(box); }

    int send(const std::string &line) {
        std::string problem;
        vorn_sim::send_tokens(box, vorn_sim::tokens_of(line), problem);
        return problem.empty() ? 0 : 1;
    }

    void *box = nullptr;
};

}  // namespace

TEST_F(StandinDispatch, TypedArgumentsAreConvertedOrZero) {
    send("float 3");        // an int to a float method is converted
    send("int 2.9");        // a float to an int method is truncated
    send("float");          // a missing typed argument is 0
    send("int");
    send("list 1 two 3.");  // a list method sees every atom
    EXPECT_EQ(calls, (std::vector<std::string>{"float 3.000000", "int 2", "float 0.000000", "int 0", "list argc 3"}));
}

TEST_F(StandinDispatch, HostOnlyAndUnknownSelectorsAreNotUnderstood) {
    send("hidden");
    send("nosuch 1 2");
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(lines, (std::vector<std::string>{"error: doesn't understand \"hidden\"",
                                               "error: doesn't understand \"nosuch\""}));
}

TEST_F(StandinDispatch, FloatInletsDeliverFtWithOneFloat) {
    send(">1 4");
    send(">1 2.5");
    EXPECT_EQ(calls, (std::vector<std::string>{"ft1 4.000000", "ft1 2.500000"}));
    EXPECT_EQ(send(">2 1."), 1);       // no such inlet
    EXPECT_EQ(send(">1 word"), 1);     // numbers only
    EXPECT_EQ(send(">x 1"), 1);
}

TEST_F(StandinDispatch, OutletsAreNumberedLeftToRightAndAtomsPrintByType) {
    send("bang");
    EXPECT_EQ(lines, (std::vector<std::string>{"outlet 0: left 7 0.5", "outlet 1: right 7"}));
}

TEST(Standin, SymbolsAreInterned) {
    EXPECT_EQ(gensym("hall-1"), gensym(std::string("hall-1").c_str()));
    EXPECT_NE(gensym("hall-1"), gensym("hall-2"));
    EXPECT_STREQ(gensym("")->s_name, "");
}

TEST_F(StandinDispatch, ObjectAllocFillsTheHeader) {
    const Probe *x = static_cast<const Probe *>(box);
    EXPECT_EQ(x->header.o_magic, 1758379419);
    EXPECT_NE(x->header.o_messlist, nullptr);
}
