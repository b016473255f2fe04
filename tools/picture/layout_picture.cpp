#include "picture/layout_picture.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "standin/standin.h"

namespace vorn_sim {

namespace {

std::vector<std::string> words_of(const std::string &line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

bool number_of(const std::string &text, double &value) {
    char *end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0';
}

// The channel of a selector CONTEXT-CHANNEL; 0 when it is not one.
int channel_of(const std::string &selector) {
    const std::size_t dash = selector.rfind('-');
    if (dash == std::string::npos || dash + 1 == selector.size()) return 0;
    for (std::size_t i = dash + 1; i < selector.size(); ++i)
        if (selector[i] < '0' || selector[i] > '9') return 0;
    return std::atoi(selector.c_str() + dash + 1);
}

}  // namespace

// A new box starts at the smallest radius it accepts.
void LayoutPicture::box_created() {
    amplitudes_.clear();
    facts_.radius = 1;
}

void LayoutPicture::transcript_line(const char *line) {
    const std::vector<std::string> words = words_of(line);
    double amplitude;
    if (words.size() == 4 && words[0] == "outlet" && words[1] == "0:" && channel_of(words[2]) &&
        number_of(words[3], amplitude))
        amplitudes_[channel_of(words[2])] = amplitude;
}

// "info" does not report the radius, so the last one the box accepted is kept from the script.
void LayoutPicture::message_sent(const std::vector<std::string> &tokens) {
    std::size_t first = !tokens.empty() && tokens[0] == ">0" ? 1 : 0;
    double radius;
    if (tokens.size() == first + 2 && tokens[first] == "radius" && number_of(tokens[first + 1], radius) &&
        radius >= 1 && radius <= 360)
        facts_.radius = radius;
}

void LayoutPicture::listen(void *picture, const char *line) { static_cast<LayoutPicture *>(picture)->read_report_line(line); }

void LayoutPicture::read_report_line(const std::string &line) {
    const std::vector<std::string> words = words_of(line);
    if (words.size() == 11 && words[0] == "outlet" && words[1] == "1:" && words[2] == "mask-editor") {
        PictureSpeaker speaker;
        speaker.channel = std::atoi(words[3].c_str());
        double *fields[] = {&speaker.azimuth, &speaker.elevation, &speaker.left, &speaker.top, &speaker.width,
                            &speaker.height};
        for (int i = 0; i < 6; ++i) number_of(words[5 + i], *fields[i]);
        facts_.speakers.push_back(speaker);
        return;
    }
    if (words.empty() || words[0] != "post:") return;
    std::map<std::string, std::string> values;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::size_t equals = words[i].find('=');
        if (equals != std::string::npos) values[words[i].substr(0, equals)] = words[i].substr(equals + 1);
    }
    if (values.count("speaker.channel")) {
        const int channel = std::atoi(values["speaker.channel"].c_str());
        number_of(values["speaker.mask"], masks_[channel]);
        layers_[channel] = std::atoi(values["speaker.layer"].c_str());
        return;
    }
    if (values.count("context")) facts_.context = values["context"];
    if (values.count("azimuth")) number_of(values["azimuth"], facts_.azimuth);
    if (values.count("elevation")) number_of(values["elevation"], facts_.elevation);
    if (values.count("gain")) number_of(values["gain"], facts_.gain);
}

void LayoutPicture::script_ended(void *box) {
    facts_.speakers.clear();
    if (!box) return;
    standin_set_sink(listen, this);
    std::string ignored;
    send_tokens(box, {"info"}, ignored);
    send_tokens(box, {"med"}, ignored);
    for (PictureSpeaker &speaker : facts_.speakers) {
        if (masks_.count(speaker.channel)) speaker.mask = masks_[speaker.channel];
        if (layers_.count(speaker.channel)) speaker.layer = layers_[speaker.channel];
        if (amplitudes_.count(speaker.channel)) speaker.amplitude = amplitudes_[speaker.channel];
    }
}

bool LayoutPicture::write_svg(const std::string &path) const {
    std::ofstream file(path, std::ios::binary);
    file << layout_svg(facts_);
    if (!file) std::fprintf(stderr, "vorn-sim: cannot write %s\n", path.c_str());
    return static_cast<bool>(file);
}

}  // namespace vorn_sim
