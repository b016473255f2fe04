#include <gtest/gtest.h>

#include "config/layer.h"
#include "config/speaker_map.h"
#include "support/invariants.h"
#include "support/test_box.h"

using vorn_test::TestBox;

namespace {

struct NodeView {
    int channel, id, layer;
    double azimuth;
    bool operator==(const NodeView &) const = default;
};

std::vector<NodeView> map_of(vorn::Panner &p) {
    std::vector<NodeView> nodes;
    const vorn::SpeakerNode *prev = nullptr;
    for (const vorn::SpeakerNode *n = p.speaker_map; n; n = n->next) {
        EXPECT_EQ(n->prev, prev) << "back link of channel " << n->channel;
        prev = n;
        nodes.push_back({n->channel, n->id, n->layer, n->azimuth});
    }
    EXPECT_EQ(p.speaker_tail, prev);
    return nodes;
}

// The channel index must agree with the list, and map_total with its highest channel.
void expect_consistent(vorn::Panner &p) { EXPECT_EQ(vorn_test::speaker_map_breaches(p), ""); }

}  // namespace

TEST(SpeakerMap, OrderOfFirstEntryAndTotal) {
    TestBox box;
    box.send_all({"setup 0 30", "layer 0 3 0 1 90"});
    EXPECT_EQ(map_of(box.panner()), (std::vector<NodeView>{{3, 0, 0, 0}, {1, 1, 0, 90}}));
    EXPECT_EQ(box.panner().map_total, 3);
    expect_consistent(box.panner());
}

TEST(SpeakerMap, ChannelTwiceInOneLayerKeepsOneNodeOfTheLaterLoudspeaker) {
    TestBox box;
    box.send_all({"setup 0", "layer 0 1 0 1 90"});
    EXPECT_EQ(map_of(box.panner()), (std::vector<NodeView>{{1, 1, 0, 90}}));
    EXPECT_EQ(box.panner().map_total, 1);
}

TEST(SpeakerMap, ChannelTakenOverByALaterLayer) {
    TestBox box;
    box.send_all({"setup 0 30", "layer 0 5 0 2 90", "layer 1 5 45"});
    EXPECT_EQ(map_of(box.panner()), (std::vector<NodeView>{{5, 0, 1, 45}, {2, 1, 0, 90}}));
    // Re-filling entry 0 keeps the node that entry 1 owns.
    box.send("layer 0 7 0 8 180");
    EXPECT_EQ(map_of(box.panner()), (std::vector<NodeView>{{5, 0, 1, 45}, {7, 0, 0, 0}, {8, 1, 0, 180}}));
    expect_consistent(box.panner());
    // Re-filling entry 1 drops channel 5, though entry 0 drove it once.
    box.send("layer 1 9 10");
    EXPECT_EQ(map_of(box.panner()), (std::vector<NodeView>{{7, 0, 0, 0}, {8, 1, 0, 180}, {9, 0, 1, 10}}));
    expect_consistent(box.panner());
}

TEST(SpeakerMap, RemovingHeadAndHighestChannels) {
    TestBox box;
    box.send_all({"setup 0 30", "layer 1 2000 0 4 90", "layer 0 6 0 3 90"});
    EXPECT_EQ(box.panner().map_total, 2000);
    box.send("layer 1 1 0");  // the head and the highest channel leave together
    EXPECT_EQ(map_of(box.panner()), (std::vector<NodeView>{{6, 0, 0, 0}, {3, 1, 0, 90}, {1, 0, 1, 0}}));
    EXPECT_EQ(box.panner().speaker_map->prev, nullptr);
    EXPECT_EQ(box.panner().map_total, 6);
    expect_consistent(box.panner());
    box.send("setup 0");
    EXPECT_EQ(box.panner().speaker_map, nullptr);
    EXPECT_EQ(box.panner().map_total, 0);
    expect_consistent(box.panner());
}

TEST(SpeakerMap, FailedFillLeavesNothingBehind) {
    TestBox box;
    box.send_all({"setup 0 30", "layer 1 4 0 5 10"});
    // The third pair is out of order: everything goes, including what this fill entered.
    box.send("layer 0 1 0 2 90 3 45");
    EXPECT_EQ(box.panner().ring_count, 0);
    EXPECT_TRUE(map_of(box.panner()).empty());
    expect_consistent(box.panner());
}

TEST(Layer, NewLayerDefaultsAndReleaseIsIdempotent) {
    vorn::Layer *layer = vorn::new_layer(3);
    EXPECT_EQ(layer->layer_id, 3);
    EXPECT_EQ(layer->speaker_count, 0);
    EXPECT_EQ(layer->azimuths, nullptr);
    EXPECT_EQ(layer->channels, nullptr);
    EXPECT_EQ(layer->layer_gain, 1);
    EXPECT_EQ(layer->source_gain, 1);
    EXPECT_EQ(layer->period, 360);
    EXPECT_EQ(layer->mode, 0);
    vorn::delete_layer(layer);

    TestBox box;
    box.send_all({"setup 0 30", "layer 0 1 0 2 90", "layer 1 3 0"});
    vorn::Panner &p = box.panner();
    vorn::release_layer(p, *p.ring_layers[3], true);  // never filled: the map stays
    EXPECT_EQ(map_of(p).size(), 3u);
    for (int twice = 0; twice < 2; ++twice) {
        vorn::release_layer(p, *p.ring_layers[0], true);
        EXPECT_EQ(p.ring_layers[0]->speaker_count, 0);
        EXPECT_EQ(p.ring_layers[0]->azimuths, nullptr);
        EXPECT_EQ(map_of(p), (std::vector<NodeView>{{3, 0, 1, 0}}));
        EXPECT_EQ(p.map_total, 3);
    }
    expect_consistent(p);
}
