#include <gtest/gtest.h>

#include <cmath>

#include "sim/script_runner.h"
#include "standin/standin.h"

namespace {

std::string typed(const std::string &token) {
    const t_atom a = vorn_sim::atom_of(token);
    char text[64];
    standin_format_atom(&a, text, sizeof text);
    const char *kind = a.a_type == A_LONG ? "int " : a.a_type == A_FLOAT ? "float " : "symbol ";
    return kind + std::string(text);
}

}  // namespace

TEST(VornSimTokens, TypingFollowsTheMessageBox) {
    EXPECT_EQ(typed("-12"), "int -12");
    EXPECT_EQ(typed("+3"), "int 3");
    EXPECT_EQ(typed("30."), "float 30.0");
    EXPECT_EQ(typed(".5"), "float 0.5");
    EXPECT_EQ(typed("-1.5e3"), "float -1500.0");
    EXPECT_EQ(typed("2e-3"), "float 0.002");
    EXPECT_EQ(typed("nan"), "float nan");
    EXPECT_EQ(typed("+inf"), "float inf");
    EXPECT_EQ(typed("-inf"), "float -inf");
    EXPECT_EQ(typed("1e400"), "float inf");
    for (const char *word : {"hall", "-", ".", "1.2.3", "e5", "1e", "0x10", "--1", "Inf", "1,"})
        EXPECT_EQ(typed(word), std::string("symbol ") + word);
}

TEST(VornSimTokens, FloatsPrintShortestRoundTrip) {
    EXPECT_EQ(typed("0.7071067811865475"), "float 0.7071067811865475");
    EXPECT_EQ(typed("0.49999999999999994"), "float 0.49999999999999994");
    EXPECT_EQ(typed("1e300"), "float 1e+300");
    EXPECT_EQ(typed("-0."), "float -0.0");
}

TEST(VornSimTokens, SplitOnSpacesAndTabs) {
    EXPECT_EQ(vorn_sim::tokens_of("  layer\t0  1 0\r"), (std::vector<std::string>{"layer", "0", "1", "0"}));
    EXPECT_TRUE(vorn_sim::tokens_of(" \t ").empty());
}
