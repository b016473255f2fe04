#include <gtest/gtest.h>

#include <string>

#include "support/test_box.h"

// Channel selectors are the whole "%s-%d" text, however long the context: cut short, two
// channels would share one selector and one would be sent under the other's name.
TEST(Commit, SelectorsOfLongContextsAreWhole) {
    for (std::size_t length : {253u, 254u, 255u, 256u, 1000u, 5000u}) {
        const std::string context(length, 'c');
        vorn_test::TestBox box(context);
        box.send_all({"setup 0", "layer 0 1 0 10 180 2048 270"});
        const auto lines = vorn_test::with_prefix(box.send("end"), "outlet 0: ");
        ASSERT_EQ(lines.size(), 3u) << length;
        EXPECT_EQ(lines[0], "outlet 0: " + context + "-1 1.0");
        EXPECT_EQ(lines[1], "outlet 0: " + context + "-10 0.0");
        EXPECT_EQ(lines[2], "outlet 0: " + context + "-2048 0.0");
    }
}
