// The output stage passes over blocks and whole layers that it knows would send nothing;
// after every pass, each loudspeaker must still hold what the plain rule would have sent.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#include "config/layer.h"
#include "support/test_box.h"

using vorn_test::ring_of;
using vorn_test::TestBox;

namespace {

// What the output stage owes each loudspeaker, and the facts its shortcuts rest on.
void expect_settled(vorn::Panner &p, const vorn::Layer &layer, const std::string &where) {
    std::int32_t nonzero = 0;
    for (std::int32_t k = 0; k < layer.slot_capacity; ++k) {
        if (layer.last_sent[k] != 0) ++nonzero;
        if (layer.accumulators_zero) {
            ASSERT_EQ(std::bit_cast<std::uint64_t>(layer.accumulators[k]), 0u) << where << " slot " << k;
        }
        if (layer.spreads_zero) {
            ASSERT_EQ(layer.spreads[k], 0) << where << " slot " << k;
        }
    }
    ASSERT_EQ(layer.nonzero_sent, nonzero) << where;
    for (std::int32_t k = 0; k < layer.speaker_count; ++k) {
        if (layer.channels[k] > p.selector_count) continue;
        const double floor = layer.source_gain * layer.spreads[k];
        const double v = layer.accumulators[k] > floor ? layer.accumulators[k] : floor;
        const double amplitude = v > layer.masks[k] ? layer.masks[k] : (v > 1 ? 1.0 : v);
        ASSERT_EQ(layer.last_sent[k], amplitude) << where << " channel " << layer.channels[k];
    }
}

void expect_all_settled(TestBox &box, const std::string &where) {
    vorn::Panner &p = box.panner();
    for (std::int32_t i = 0; i < p.ring_count / 2; ++i) expect_settled(p, *p.ring_layers[i], where);
    for (std::int32_t k = 0; k < p.solo_count; ++k) expect_settled(p, *p.solo_layers[k], where);
}

}  // namespace

TEST(OutputShortcuts, EveryLoudspeakerHoldsWhatThePlainRuleSends) {
    TestBox box;
    // Layers of 40 and 17 (blocks and a tail), 3 (no blocks), a solo layer, and channel
    // 5 entered twice, so that one slot is out of the map's reach.
    box.send_all({"setup -20 0 35 70", ring_of(0, 1, 40, 0), ring_of(1, 41, 17, 4.5), ring_of(2, 58, 3, 10),
                  "layer 3 5 0 61 180", "solo 70 0 71 90 72 180 73 270", "end"});
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> azimuth(-400, 400), elevation(-100, 200), unit(0, 1);
    const double radii[] = {1, 1, 20, 75, 181, 360};
    for (int round = 0; round < 400; ++round) {
        const std::string where = "round " + std::to_string(round);
        if (round % 25 == 0) box.send("radius " + std::to_string(radii[(round / 25) % 6]));
        if (round % 40 == 7) {
            char mask[96];
            std::snprintf(mask, sizeof mask, "mask %d %.3f %d 0 %d 1", 1 + round % 40, unit(rng), 41 + round % 17,
                          58 + round % 3);
            box.send(mask);
        }
        if (round % 100 == 50) box.send(ring_of(1, 41, 17, 2.25));  // refilled: fresh arrays, no selectors beyond
        if (round % 100 == 60) box.send("end");
        char position[96];
        if (round % 3 == 2) {
            box.send("bang");  // nothing changed
        } else {
            std::snprintf(position, sizeof position, "list %.17g %.17g %.3f", azimuth(rng), elevation(rng),
                          round % 10 == 0 ? 0 : 1 + unit(rng));
            box.send(position);
        }
        expect_all_settled(box, where);
        if (round % 50 == 0) {
            box.send("refresh");
            expect_all_settled(box, where + " refresh");
        }
    }
}
