#include <cmath>

#include "config/layer.h"
#include "engine/angles.h"
#include "engine/engine.h"
#include "engine/sine_law.h"
#include "host/panner.h"

namespace vorn {

namespace {

struct Bracket {
    std::int32_t lower;
    std::int32_t upper;
};

// The two neighbouring ring entries around elevation e; ties walk on, and the upper entry
// always follows the lower one round the ring.
Bracket bracket_elevation(const Panner &panner, double e) {
    const std::int32_t n = panner.ring_count;
    std::int32_t k = 0;
    while (k < n && e >= panner.ring_layers[k]->elevation) ++k;
    Bracket b;
    if (k < n) {
        b.lower = k > 0 ? k - 1 : n - 1;
        b.upper = k;
    } else {
        b.lower = n - 1;
        b.upper = b.lower + 1;
    }
    if (b.upper >= n) b.upper = 0;
    return b;
}

double turn_to_far_side(double azimuth, double period) {
    azimuth += 180;
    return azimuth > period ? wrap_into_period(azimuth, period) : azimuth;
}

void pan_solo_layers(Panner &panner, double front_gain, double back_gain, bool constant_power) {
    const double a = panner.working_azimuth_a;
    for (std::int32_t k = 0; k < panner.solo_count; ++k) {
        Layer &layer = *panner.solo_layers[k];
        layer.layer_gain = front_gain;
        layer.source_gain = panner.gain;
        layer.mode = layer_mode_set;
        pan_layer(panner, layer, std::fmod(a, panner.period));
        layer.layer_gain = back_gain;
        layer.source_gain = panner.gain;
        layer.mode = constant_power ? layer_mode_add : layer_mode_add_and_send;
        pan_layer(panner, layer, std::fmod(a + 180, panner.period));
    }
}

// A patch that answers every pass with a new position never lets the owed passes settle;
// after this many in a row the host gets its thread back with the latest position stored.
constexpr int owed_pass_limit = 1000;

void pass_at(Panner &panner, double azimuth) {
    panner.azimuth = azimuth;
    const std::int32_t n = panner.ring_count;
    if (n == 0) {
        report_from_pass(panner, pass_report_no_ring, "no speaker setup provided");
        return;
    }
    // A configuration not yet committed has no selectors of its own to send under.
    if (!panner.committed) {
        report_from_pass(panner, pass_report_not_committed,
                         "no configuration committed yet: send end after setup and layer");
        return;
    }
    panner.working_azimuth_a = azimuth;
    panner.working_azimuth_b = azimuth;
    double e = normalise_elevation(panner.elevation);

    update_spreads(panner, panner.radius);
    // Read once: a "power" that comes back through the patch while this pass sends must not
    // change the law halfway, or a layer would be sent twice.
    const bool constant_power = panner.constant_power;

    // The front and back gains serve the solo layers and the rare bracket of distance 0.
    const double b = e > 180 ? std::fabs(e - 360) : std::fabs(e);
    auto front_gain = [b] { return std::sin((1 - b / 180) * half_pi); };
    auto back_gain = [b] { return std::sin((1 - std::fabs(180 - b) / 180) * half_pi); };

    if (panner.solo_count > 0) pan_solo_layers(panner, front_gain(), back_gain(), constant_power);

    const Bracket bracket = bracket_elevation(panner, e);
    const std::int32_t half = n / 2;
    if (bracket.lower >= half) panner.working_azimuth_a = turn_to_far_side(panner.working_azimuth_a, panner.period);
    if (bracket.upper >= half) panner.working_azimuth_b = turn_to_far_side(panner.working_azimuth_b, panner.period);

    const double lower_elevation = panner.ring_layers[bracket.lower]->elevation;
    double u = panner.ring_layers[bracket.upper]->elevation;
    if (bracket.upper == 0) u += 360;
    const double distance = std::fabs(u - lower_elevation);
    double lower_gain, upper_gain;
    if (distance != 0) {
        if (lower_elevation > e) e += 360;
        const SineLaw crossfade = sine_law(panner.crossfade_memo, e - lower_elevation, distance);
        lower_gain = crossfade.falling;
        upper_gain = crossfade.rising;
    } else {
        // A given layer at -90 meets its own mirror at 270.
        lower_gain = front_gain();
        upper_gain = back_gain();
    }

    for (std::int32_t i = 0; i < n; ++i) {
        // The second half of the ring mirrors the first: entry i stands for given layer 2N-1-i.
        const bool mirror = i >= half;
        Layer &layer = *panner.ring_layers[mirror ? 2 * half - i - 1 : i];
        layer.mode = !mirror ? layer_mode_set : constant_power ? layer_mode_add : layer_mode_add_and_send;
        double azimuth_here = 0;
        if (i == bracket.lower) {
            layer.layer_gain = lower_gain;
            azimuth_here = panner.working_azimuth_a;
        } else if (i == bracket.upper) {
            layer.layer_gain = upper_gain;
            azimuth_here = panner.working_azimuth_b;
        } else {
            layer.layer_gain = 0;
        }
        layer.source_gain = panner.gain;
        pan_layer(panner, layer, azimuth_here);
    }
    if (!constant_power) return;
    // The layers' scale is made before anything leaves, so that it belongs to this pass's
    // inputs alone; then everything goes out in the default law's order. Each solo layer
    // pans the whole source by itself, so it keeps the gain's power alone.
    const double ring_scale = constant_power_scale(panner, panner.ring_layers, half, &azimuth);
    for (std::int32_t k = 0; k < panner.solo_count; ++k) send_at_constant_power(panner, &panner.solo_layers[k], 1);
    send_scaled(panner, panner.ring_layers, half, ring_scale);
}

void run_one_pass(Panner &panner, double azimuth, bool refresh) {
    panner.refresh_flag = refresh;
    panner.in_pass = true;
    pass_at(panner, azimuth);
    panner.in_pass = false;
    panner.refresh_flag = false;
}

// A position that came through the patch while this box is sending, on this thread or on
// another: its values are stored, and one pass for all of them runs once the batch on its way
// has gone, on the thread that sends it, so that the patch gets each pass's amplitudes whole
// and in the order they were made, and two threads wired into each other's boxes each run
// only their own box's passes, which the owed-pass limit bounds. A thread the host called
// runs its pass at once and waits its turn to send it.
bool owed_while_sending(Panner &panner, double azimuth, bool refresh) {
    if (!owes_pass(panner)) return false;
    panner.azimuth = azimuth;
    panner.pass_owed = true;
    panner.refresh_owed = panner.refresh_owed || refresh;
    return true;
}

void report_answers_ran_out(Panner &panner) {
    host::error(&panner,
                "feedback loop through other objects: %s stopped, the patch answers passes with new positions for "
                "ever; the latest is stored, but no further pass runs until the message that began it is sent",
                panner.context);
}

// A pass that a message coming through the patch asks for, within this thread's budget.
bool may_run_pass(Panner &panner, double azimuth) {
    const Answer answer = may_answer();
    if (answer == Answer::run) return true;
    panner.azimuth = azimuth;
    if (answer == Answer::ran_out) report_answers_ran_out(panner);
    return false;
}

}  // namespace

void panning_pass(Panner &panner, double azimuth) {
    if (owed_while_sending(panner, azimuth, false) || !may_run_pass(panner, azimuth)) return;
    run_one_pass(panner, azimuth, false);
    send_queued(panner);
}

void refresh(Panner &panner) {
    if (owed_while_sending(panner, panner.azimuth, true) || !may_run_pass(panner, panner.azimuth)) return;
    run_one_pass(panner, panner.azimuth, true);
    send_queued(panner);
}

void report_from_pass(Panner &panner, std::uint32_t report, const char *text) {
    if (panner.in_pass) {
        if (panner.pass_reports_given & report) return;
        panner.pass_reports_given |= report;
    }
    host::error(&panner, "%s", text);
}

bool may_export(Panner &panner) {
    const Answer answer = may_answer();
    if (answer == Answer::ran_out) report_answers_ran_out(panner);
    return answer == Answer::run;
}

void send_queued(Panner &panner) {
    if (!panner.sending_thread && !panner.pass_owed && (!panner.outbox || panner.outbox->empty())) return;
    ThisThread &thread = this_thread();
    if (panner.sending_thread == &thread) return;  // came back through the patch: the sender further out goes on
    Answering budget(thread);
    for (int round = 0;; ++round) {
        deliver_queued(panner, thread);
        // Another thread sends for this box, or waits to: the pass owed goes with it.
        if (!panner.pass_owed || panner.sending_thread || panner.senders_waiting > 0) return;
        const bool refresh = panner.refresh_owed;
        panner.pass_owed = false;
        panner.refresh_owed = false;
        const bool limit = round == owed_pass_limit;
        if (limit)
            host::error(&panner,
                        "feedback loop: the patch answers every pass of %s with a new position; the latest is "
                        "stored, but no further pass runs",
                        panner.context);
        if (limit || !may_run_pass(panner, panner.azimuth)) {
            deliver_queued(panner, thread);
            if (!panner.sending_thread && panner.senders_waiting == 0) {
                panner.pass_owed = false;
                panner.refresh_owed = false;
            }
            return;
        }
        run_one_pass(panner, panner.azimuth, refresh);
    }
}

}  // namespace vorn
