#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

#include "config/layer.h"
#include "config/speaker_map.h"
#include "engine/engine.h"
#include "support/test_box.h"

using vorn_test::TestBox;

namespace {

constexpr double pi = 3.141592653589793;

// The source's azimuth brought into 0..360 a turn at a time, as the plain formula does. A
// source far out takes millions of turns, the same for every loudspeaker: the last is kept.
double turned_into_circle(double as) {
    static double last_in = std::nan(""), last_out = 0;
    if (as == last_in) return last_out;
    double a = as;
    while (a < 0) a += 360;
    while (a > 360) a -= 360;
    last_in = as;
    last_out = a;
    return a;
}

// The spread formula written out plainly, every step evaluated, as the reference for the
// pass's shortcuts.
double plain_spread(double as, double es, double ap, double ep, double r) {
    const double se = std::sin((es - ep) * pi / 180 * 0.5);
    const double sa = std::sin((as - ap) * pi / 180 * 0.5);
    double h = std::cos(es * pi / 180) * std::cos(ep * pi / 180) * sa * sa + se * se;
    h = std::min(1.0, std::max(0.0, h));
    double s = std::sqrt(h);
    if (s > 1) s = 1;
    const double angle = (std::asin(s) + std::asin(s)) * 180 / pi;
    int flag = 0;
    if (r > 180) {
        const double a = turned_into_circle(as);
        flag = ap > a ? (ap < a + r && ap - 360 > a - r) : (a + r > ap + 360 && ap > a - r);
    }
    if (r < angle) return 0;
    auto clamp = [](double q) {
        q = q > 0 ? q : 0;
        return q > 1 ? 1 : q;
    };
    return std::sin((1 - clamp((360 - angle) / r)) * flag * (pi / 2)) + std::sin((1 - clamp(angle / r)) * (pi / 2));
}

}  // namespace

TEST(RadiusSpread, ShortcutsGiveThePlainFormulaBitForBit) {
    TestBox box;
    std::string layer0 = "layer 0", layer1 = "layer 1", layer2 = "layer 2";
    for (int i = 0; i < 72; ++i) {
        char pair[48];
        std::snprintf(pair, sizeof pair, " %d %d", i + 1, i * 5);
        layer0 += pair;
        std::snprintf(pair, sizeof pair, " %d %g", i + 101, i * 5 + 2.5);
        layer1 += pair;
    }
    layer2 += " 300 0 301 90.25 302 180";
    box.send_all({"setup -90 0 37.5 90", layer0, layer1, layer2, "layer 3 400 0", "solo 500 10 501 200"});
    vorn::Panner &p = box.panner();

    std::mt19937 rng(7);
    std::uniform_real_distribution<double> azimuth(-800, 800), elevation(-300, 300), radius(1, 360);
    for (int round = 0; round < 3000; ++round) {
        p.azimuth = round % 4 == 0 ? std::round(azimuth(rng)) : azimuth(rng);
        if (round % 7 == 0) p.azimuth *= 1e5;  // beyond the range of the cheap azimuth estimate
        p.elevation = round % 3 == 0 ? std::round(elevation(rng) / 10) * 7.5 : elevation(rng);
        const double r = round % 5 == 0 ? std::round(radius(rng)) : radius(rng);
        vorn::update_spreads(p, r);
        for (const vorn::SpeakerNode *n = p.speaker_map; n; n = n->next) {
            const vorn::Layer *layer = vorn::layer_by_id(p, n->layer);
            const double expected = plain_spread(p.azimuth, p.elevation, n->azimuth, n->elevation, r);
            ASSERT_EQ(layer->spreads[n->id], expected)
                << "channel " << n->channel << " source " << p.azimuth << " " << p.elevation << " radius " << r;
        }
    }
}

TEST(RadiusSpread, RangeAndEmptyMap) {
    TestBox box;
    EXPECT_EQ(box.send("radius 0.5"), std::vector<std::string>{"error: radius needs to be between 1 and 360"});
    EXPECT_EQ(box.send("radius 360.5"), std::vector<std::string>{"error: radius needs to be between 1 and 360"});
    EXPECT_EQ(box.panner().radius, 1);
    EXPECT_EQ(box.send("radius 90"), std::vector<std::string>{"error: radius: no speakers defined"});
    EXPECT_EQ(box.panner().radius, 90);
    EXPECT_EQ(box.send("radius 360"), std::vector<std::string>{"error: radius: no speakers defined"});
    EXPECT_EQ(box.panner().radius, 360);
}

// The spread pass works from a flat copy of the map; every configuration change must reach it.
TEST(RadiusSpread, FollowsEveryConfigurationChange) {
    TestBox box;
    box.send_all({"setup 0 40", "layer 0 1 0 2 90 3 180 4 270", "layer 1 5 45 6 225", "end", "radius 100"});
    vorn::Panner &p = box.panner();
    auto expect_plain = [&](const std::string &step) {
        for (double azimuth : {0.0, 90.0, 200.0}) {
            p.azimuth = azimuth;
            p.elevation = 20;
            vorn::update_spreads(p, p.radius);
            for (const vorn::SpeakerNode *n = p.speaker_map; n; n = n->next) {
                const vorn::Layer *layer = vorn::layer_by_id(p, n->layer);
                ASSERT_EQ(layer->spreads[n->id], plain_spread(azimuth, 20, n->azimuth, n->elevation, p.radius))
                    << step << ": channel " << n->channel << " at azimuth " << azimuth;
            }
        }
    };
    expect_plain("first fill");
    const double kept = p.ring_layers[0]->spreads[1];  // channel 2, about to be entered again
    box.send("layer 1 5 45 2 300 7 310");
    expect_plain("refill with a channel of another layer");
    EXPECT_EQ(p.ring_layers[0]->spreads[1], kept) << "a slot out of the map's reach keeps its spread";
    box.send("solo 8 10 9 350");
    expect_plain("solo layer added");
    box.send("radius 2");
    expect_plain("radius changed");
    box.send_all({"setup 10", "layer 0 3 30"});
    expect_plain("new setup");
}
