#include "layout/vorn_messages.h"

#include <charconv>
#include <cmath>
#include <sstream>

namespace vorn_layout {

namespace {

// Word by word: gcc 12 warns wrongly (-Wrestrict) about " " + a temporary string.
void add_word(std::string &message, const std::string &word) {
    message += ' ';
    message += word;
}

std::string with_pairs(std::string message, const std::vector<VornSpeaker> &speakers) {
    for (const VornSpeaker &speaker : speakers) {
        add_word(message, std::to_string(speaker.channel));
        add_word(message, number_text(speaker.azimuth));
    }
    return message;
}

std::size_t speaker_count(const VornConfiguration &configuration) {
    std::size_t count = 0;
    for (const auto &layer : configuration.layers) count += layer.size();
    for (const auto &layer : configuration.solo_layers) count += layer.size();
    return count;
}

class ScriptReader {
public:
    void read_line(const std::string &line) {
        ++line_number_;
        std::istringstream stream(line);
        std::vector<std::string> tokens;
        for (std::string token; stream >> token;) tokens.push_back(token);
        if (tokens.empty() || tokens[0][0] == '#' || tokens[0][0] == '!') return;
        if (tokens[0][0] == '>') {
            if (tokens[0] != ">0") return;  // inlets 1 and 2 take the source's elevation and gain
            tokens.erase(tokens.begin());
            if (tokens.empty()) return;
        }
        const std::string selector = tokens[0];
        tokens.erase(tokens.begin());
        if (selector == "setup") setup(tokens);
        else if (selector == "layer") layer(tokens);
        else if (selector == "solo") solo(tokens);
    }

    VornConfiguration result() {
        if (speaker_count(configuration_) == 0) throw LayoutError("no loudspeakers (no \"layer\" or \"solo\" with channels)");
        // Layers never filled hold no loudspeakers and are left out of the layout.
        return configuration_;
    }

private:
    [[noreturn]] void fail(const std::string &what) const {
        throw LayoutError("line " + std::to_string(line_number_) + ": " + what);
    }

    double number(const std::string &token, const char *what) const {
        double value = 0;
        const char *first = token.data() + (token[0] == '+' ? 1 : 0);
        const auto result = std::from_chars(first, token.data() + token.size(), value);
        if (result.ec != std::errc() || result.ptr != token.data() + token.size() || !std::isfinite(value))
            fail(std::string(what) + " \"" + token + "\" is not a number");
        return value;
    }

    int whole_number(const std::string &token, const char *what) const {
        const double value = number(token, what);
        if (value != std::floor(value) || std::fabs(value) > 1e9) fail(std::string(what) + " " + token + " is not a whole number");
        return static_cast<int>(value);
    }

    void need_setup(const char *selector) const {
        if (configuration_.elevations.empty()) fail(std::string("\"") + selector + "\" before any \"setup\"");
    }

    void setup(const std::vector<std::string> &tokens) {
        if (tokens.empty()) return;  // the object ignores it too
        configuration_ = {};
        for (const std::string &token : tokens) {
            const double elevation = number(token, "elevation");
            if (elevation < -90 || elevation > 90) fail("elevation " + token + " is outside -90..90");
            if (!configuration_.elevations.empty() && configuration_.elevations.back() >= elevation)
                fail("elevations should ascend and differ (" + token + " after " +
                     number_text(configuration_.elevations.back()) + ")");
            configuration_.elevations.push_back(elevation);
        }
        configuration_.layers.assign(configuration_.elevations.size(), {});
    }

    std::vector<VornSpeaker> pairs(const std::vector<std::string> &tokens, std::size_t first) const {
        if (tokens.size() <= first || (tokens.size() - first) % 2 != 0) fail("channel/azimuth pairs expected");
        std::vector<VornSpeaker> speakers;
        for (std::size_t i = first; i < tokens.size(); i += 2) {
            const int channel = whole_number(tokens[i], "channel");
            if (channel < 1 || channel > 2048) fail("channel " + tokens[i] + " is outside 1..2048");
            const double azimuth = number(tokens[i + 1], "azimuth");
            if (azimuth < 0 || azimuth >= 360) fail("azimuth " + tokens[i + 1] + " is outside 0..360 (360 excluded)");
            if (!speakers.empty() && speakers.back().azimuth > azimuth)
                fail("azimuths should ascend (" + tokens[i + 1] + " after " + number_text(speakers.back().azimuth) + ")");
            speakers.push_back({channel, azimuth});
        }
        return speakers;
    }

    void layer(const std::vector<std::string> &tokens) {
        need_setup("layer");
        if (tokens.empty()) fail("\"layer\" needs a layer number");
        const int index = whole_number(tokens[0], "layer number");
        if (index < 0 || index >= static_cast<int>(configuration_.layers.size()))
            fail("layer " + tokens[0] + " is not one of the " + std::to_string(configuration_.layers.size()) +
                 " layers of \"setup\"");
        configuration_.layers[static_cast<std::size_t>(index)] = pairs(tokens, 1);
    }

    void solo(const std::vector<std::string> &tokens) {
        need_setup("solo");
        configuration_.solo_layers.push_back(pairs(tokens, 0));
    }

    int line_number_ = 0;
    VornConfiguration configuration_;
};

}  // namespace

std::vector<std::string> vorn_messages(const VornConfiguration &configuration) {
    std::vector<std::string> messages;
    std::string setup = "setup";
    for (double elevation : configuration.elevations) add_word(setup, number_text(elevation));
    messages.push_back(setup);
    for (std::size_t i = 0; i < configuration.layers.size(); ++i)
        messages.push_back(with_pairs("layer " + std::to_string(i), configuration.layers[i]));
    for (const auto &solo : configuration.solo_layers) messages.push_back(with_pairs("solo", solo));
    messages.push_back("end");
    return messages;
}

std::string format_messages(const VornConfiguration &configuration, MessageFormat format, const std::string &title,
                            const std::vector<int> &imaginary_channels) {
    const std::vector<std::string> messages = vorn_messages(configuration);
    std::string text;
    if (format == MessageFormat::script) {
        std::string one_line = title;
        for (char &c : one_line)
            if (c == '\n' || c == '\r') c = ' ';
        const std::size_t layers = configuration.layers.size();
        const std::size_t imaginary = imaginary_channels.size();
        text = "# " + one_line + ": " + std::to_string(speaker_count(configuration) - imaginary) + " loudspeakers";
        if (imaginary) {
            add_word(text, "and");
            add_word(text, std::to_string(imaginary));
            add_word(text, "imaginary");
        }
        text += " in " + std::to_string(layers) + (layers == 1 ? " layer" : " layers") +
                (configuration.solo_layers.empty() ? "" : " and a solo layer") + "\n";
        if (imaginary) {
            text += "# imaginary, to leave unrouted:";
            for (int channel : imaginary_channels) add_word(text, std::to_string(channel));
            text += "\n";
        }
        for (const std::string &message : messages) text += message + "\n";
        return text;
    }
    for (const std::string &message : messages) text += (text.empty() ? "" : ", ") + message;
    return text + "\n";
}

VornConfiguration read_vorn_script(const std::string &text) {
    ScriptReader reader;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) reader.read_line(line);
    return reader.result();
}

}  // namespace vorn_layout
