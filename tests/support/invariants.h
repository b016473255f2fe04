// What must hold for one box after every message, whatever the patch sent it: checked by the
// fuzzer (which aborts on a breach) and by the property tests. Every check returns the
// breaches it found as text, empty when all is well.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/panner.h"

namespace vorn_test {

// The Speaker map and the channel index agree: every node is found under its channel, the
// index holds no other node, the back links and the tail are right, `map_total` is the
// highest channel, each node names a loudspeaker slot of a layer that drives its channel, and
// the drivers counted per channel are the loudspeakers the layers hold on it.
std::string speaker_map_breaches(const vorn::Panner &panner);

// Follows one box through its transcript, as the patch sees it.
class InvariantChecker {
public:
    // A new box (or none): the patch has received nothing from it yet.
    void reset();
    // Before a message reaches the box.
    void begin_message(const vorn::Panner *panner);
    // Every transcript line that left the box while the message was handled, in order;
    // `fed_back` counts the messages the patch sent back into the box meanwhile.
    void observe(const vorn::Panner &panner, const std::string &line);
    void note_fed_back() { ++fed_back_; }
    // After the message: amplitudes finite and in 0..1, each channel sent at most once per
    // pass per loudspeaker that drives it, what the patch last received equal to `last_sent`,
    // every channel the patch holds above 0 driven by a loudspeaker and under a selector
    // (so that a pass or "refresh" reaches it), no success line for a configuration that
    // cannot pan, no line of a pass repeated without a configuration change between, and
    // the Speaker map consistent.
    std::string end_message(const vorn::Panner *panner);
    // After a "refresh" with nothing fed back: every loudspeaker with a selector was sent once,
    // or none before a commit.
    std::string refresh_breaches(const vorn::Panner &panner) const;
    // After a pass that repeats the one before: nothing was sent on the left outlet.
    std::string repeat_breaches() const;

private:
    std::map<int, int> drivers_before_;  // loudspeakers per channel before the message
    std::map<int, int> sent_;            // sends per channel during the message
    std::map<int, double> received_;     // what the patch last received on each channel
    std::set<int> shared_;               // channels that two loudspeakers drove since they last had none
    std::map<std::string, int> pass_lines_;  // lines a pass posts, and how often in this message
    std::map<std::string, unsigned> pass_lines_serial_;  // configuration serial each was last posted at
    bool success_posted_ = false;
    unsigned serial_before_ = 0;
    std::string breaches_;
    int fed_back_ = 0;
};

}  // namespace vorn_test
