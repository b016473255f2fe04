#include "support/invariants.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "config/layer.h"
#include "config/speaker_map.h"

namespace vorn_test {

namespace {

constexpr const char *amplitude_prefix = "outlet 0: ";
constexpr const char *success_line = "post: setup: successfully applied new loudspeaker configuration";
// What a pass posts about a configuration it cannot pan ("radius: no speakers defined" is
// left out: the "radius" message posts it too, each time).
constexpr const char *pass_lines[] = {
    "error: no speaker setup provided",
    "error: Vorn_horizontal: no speaker setup provided",
    "error: no configuration committed yet: send end after setup and layer",
};

template <typename Visit>
void for_each_layer(const vorn::Panner &panner, Visit visit) {
    for (std::int32_t i = 0; i < panner.ring_count; ++i) visit(*panner.ring_layers[i]);
    for (std::int32_t k = 0; k < panner.solo_count; ++k) visit(*panner.solo_layers[k]);
}

// Loudspeakers per channel: the slots a pass or a silencing walks.
std::map<int, int> drivers_of(const vorn::Panner *panner) {
    std::map<int, int> drivers;
    if (!panner) return drivers;
    for_each_layer(*panner, [&](const vorn::Layer &layer) {
        for (std::int32_t i = 0; i < layer.speaker_count; ++i) ++drivers[layer.channels[i]];
    });
    return drivers;
}

void add(std::string &breaches, const std::string &text) { breaches += text + "\n"; }

}  // namespace

std::string speaker_map_breaches(const vorn::Panner &panner) {
    std::string breaches;
    int listed = 0, highest = 0;
    const vorn::SpeakerNode *prev = nullptr;
    for (const vorn::SpeakerNode *n = panner.speaker_map; n; prev = n, n = n->next) {
        const std::string node = "map node of channel " + std::to_string(n->channel);
        if (++listed > vorn::highest_channel) {
            add(breaches, "the Speaker map holds more nodes than there are channels (a cycle?)");
            return breaches;
        }
        if (n->prev != prev) add(breaches, node + ": wrong back link");
        if (vorn::find_speaker(panner, n->channel) != n) add(breaches, node + ": not the node the channel index holds");
        highest = std::max(highest, n->channel);
        const vorn::Layer *layer = vorn::layer_by_id(panner, n->layer);
        if (!layer || n->id < 0 || n->id >= layer->slot_capacity || layer->channels[n->id] != n->channel)
            add(breaches, node + ": names no loudspeaker of its layer on that channel");
    }
    if (panner.speaker_tail != prev) add(breaches, "the tail is not the last node of the Speaker map");
    int indexed = 0;
    if (panner.channel_index)
        for (int channel = 1; channel <= vorn::highest_channel; ++channel) indexed += panner.channel_index[channel] != nullptr;
    if (indexed != listed)
        add(breaches, "the channel index holds " + std::to_string(indexed) + " nodes, the map " + std::to_string(listed));
    if (panner.map_total != highest)
        add(breaches, "map_total " + std::to_string(panner.map_total) + ", highest channel " + std::to_string(highest));
    // The first driver the index names is the first loudspeaker on the channel in ring, solo
    // and slot order.
    std::map<int, std::pair<const vorn::Layer *, int>> first;
    for_each_layer(panner, [&](const vorn::Layer &layer) {
        for (std::int32_t i = 0; i < layer.speaker_count; ++i) first.emplace(layer.channels[i], std::pair{&layer, i});
    });
    for (int channel = 1; channel <= vorn::highest_channel; ++channel) {
        vorn::Layer *layer = nullptr;
        std::int32_t slot = 0;
        const bool named = vorn::first_driver(panner, channel, layer, slot);
        const auto it = first.find(channel);
        if (named != (it != first.end()) || (named && (it->second.first != layer || it->second.second != slot)))
            add(breaches, "channel " + std::to_string(channel) + ": the driver index names another first loudspeaker");
    }
    // The drivers counted per channel are the layers' filled slots.
    const std::map<int, int> drivers = drivers_of(&panner);
    for (int channel = 1; channel <= vorn::highest_channel; ++channel) {
        const auto it = drivers.find(channel);
        const int expected = it == drivers.end() ? 0 : it->second;
        const int counted = panner.channel_drivers ? panner.channel_drivers[channel] : 0;
        if (counted != expected)
            add(breaches, "channel " + std::to_string(channel) + ": " + std::to_string(counted) +
                              " drivers counted, " + std::to_string(expected) + " loudspeakers on it");
    }
    return breaches;
}

void InvariantChecker::reset() {
    received_.clear();
    shared_.clear();
    pass_lines_serial_.clear();
}

void InvariantChecker::begin_message(const vorn::Panner *panner) {
    drivers_before_ = drivers_of(panner);
    serial_before_ = panner ? panner->configuration_serial : 0;
    pass_lines_.clear();
    success_posted_ = false;
    sent_.clear();
    breaches_.clear();
    fed_back_ = 0;
}

void InvariantChecker::observe(const vorn::Panner &panner, const std::string &line) {
    if (line == success_line) success_posted_ = true;
    for (const char *text : pass_lines)
        if (line == text) ++pass_lines_[text];
    if (line.compare(0, std::strlen(amplitude_prefix), amplitude_prefix) != 0) return;
    const std::size_t space = line.rfind(' ');
    const std::string selector = line.substr(std::strlen(amplitude_prefix), space - std::strlen(amplitude_prefix));
    const std::string stem = std::string(panner.context) + "-";
    char *end = nullptr;
    const double value = std::strtod(line.c_str() + space + 1, &end);
    const long channel = selector.compare(0, stem.size(), stem) == 0 ? std::strtol(selector.c_str() + stem.size(), nullptr, 10) : 0;
    if (*end != '\0' || channel < 1 || channel > vorn::highest_channel ||
        selector != stem + std::to_string(channel)) {
        add(breaches_, "not an amplitude message of this box: " + line.substr(0, 200));
        return;
    }
    if (!(std::isfinite(value) && value >= 0 && value <= 1)) add(breaches_, "amplitude outside 0..1: " + line.substr(0, 200));
    ++sent_[static_cast<int>(channel)];
    received_[static_cast<int>(channel)] = value;
}

std::string InvariantChecker::end_message(const vorn::Panner *panner) {
    std::string breaches = breaches_;
    const std::map<int, int> drivers_after = drivers_of(panner);
    // Each pass sends a channel once per loudspeaker on it; every message fed back may owe
    // one more pass (several owed passes are one).
    for (const auto &[channel, count] : sent_) {
        const auto before = drivers_before_.find(channel);
        const auto after = drivers_after.find(channel);
        const int drivers = std::max(before == drivers_before_.end() ? 0 : before->second,
                                     after == drivers_after.end() ? 0 : after->second);
        if (count > drivers * (1 + fed_back_))
            add(breaches, "channel " + std::to_string(channel) + " sent " + std::to_string(count) + " times by " +
                              std::to_string(drivers) + " loudspeakers in " + std::to_string(1 + fed_back_) +
                              " passes");
    }
    // A channel given to two loudspeakers keeps one map entry (on purpose), and each of them
    // sends its own amplitude on it: such a channel may hold a value that not every one of
    // its loudspeakers remembers, until it has no loudspeaker at all again.
    std::erase_if(shared_, [&](int channel) { return !drivers_after.count(channel); });
    for (const auto &[channel, drivers] : drivers_after)
        if (drivers > 1) shared_.insert(channel);
    if (panner) {
        for_each_layer(*panner, [&](const vorn::Layer &layer) {
            for (std::int32_t i = 0; i < layer.speaker_count; ++i) {
                const int channel = layer.channels[i];
                if (layer.last_sent[i] == -1 || shared_.count(channel)) continue;
                const auto got = received_.find(channel);
                if (got == received_.end() || !(got->second == layer.last_sent[i]))
                    add(breaches, "channel " + std::to_string(channel) + ": the patch has " +
                                      (got == received_.end() ? std::string("nothing") : std::to_string(got->second)) +
                                      ", the box believes " + std::to_string(layer.last_sent[i]));
            }
        });
        // A loudspeaker is never left at a level the box does not hold: every channel the
        // patch holds above 0 has a loudspeaker and a selector, so the next pass or "refresh"
        // reaches it.
        for (const auto &[channel, value] : received_)
            if (value > 0 && (!drivers_after.count(channel) || channel > panner->selector_count))
                add(breaches, "channel " + std::to_string(channel) + " is left at " + std::to_string(value) +
                                  (drivers_after.count(channel) ? " without a selector" : " with no loudspeaker on it"));
        // "end" confirms only a configuration that can pan.
        if (success_posted_) {
            bool can_pan = panner->committed && panner->ring_count > 0;
            for (std::int32_t i = 0; can_pan && i < panner->ring_count / 2; ++i)
                can_pan = panner->ring_layers[i]->speaker_count > 0;
            if (!can_pan) add(breaches, "success posted for a configuration that cannot pan");
        }
        // A line a pass posts on every pass is posted once per configuration change.
        const unsigned serial = panner->configuration_serial;
        for (const auto &[text, count] : pass_lines_) {
            if (serial == serial_before_) {
                const auto last = pass_lines_serial_.find(text);
                if (count > 1 || (last != pass_lines_serial_.end() && last->second == serial))
                    add(breaches, "\"" + text + "\" posted again with no configuration change between");
            }
            pass_lines_serial_[text] = serial;
        }
        breaches += speaker_map_breaches(*panner);
    }
    return breaches;
}

std::string InvariantChecker::refresh_breaches(const vorn::Panner &panner) const {
    std::string breaches;
    std::map<int, int> expected;
    if (panner.committed)  // before a commit no pass runs
        for (const auto &[channel, drivers] : drivers_of(&panner))
            if (channel >= 1 && channel <= panner.selector_count) expected[channel] = drivers;
    if (sent_ != expected)
        add(breaches, "refresh sent " + std::to_string(sent_.size()) + " channels, not each of the " +
                          std::to_string(expected.size()) + " with a selector once per loudspeaker");
    return breaches;
}

std::string InvariantChecker::repeat_breaches() const {
    return sent_.empty() ? std::string() : "a repeated pass sent " + std::to_string(sent_.size()) + " channels\n";
}

}  // namespace vorn_test
