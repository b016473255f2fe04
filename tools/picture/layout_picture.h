// `vorn-sim --svg FILE`: a picture of the loudspeaker layout when the script has run. The
// facts come from what leaves the box: the amplitudes from the left outlet as the script
// runs; at the end, the cells from a "med" and the masks and position from an "info", sent
// to the box with the transcript set aside, so the picture shows the box as it is then.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "sim/script_runner.h"

namespace vorn_sim {

struct PictureSpeaker {
    int channel = 0;
    int layer = 0;  // a solo layer is negative, as "info" gives it
    double azimuth = 0, elevation = 0;
    double left = 0, top = 0, width = 0, height = 0;  // the mask-editor cell, degrees
    double mask = 1;
    double amplitude = -1;  // the last one sent; -1 when none was
};

struct PictureFacts {
    std::string context;
    double azimuth = 0, elevation = 0, gain = 1, radius = 1;
    std::vector<PictureSpeaker> speakers;  // in Speaker map order
};

// The SVG document of a layout.
std::string layout_svg(const PictureFacts &facts);

class LayoutPicture : public Observer {
public:
    void box_created() override;
    void transcript_line(const char *line) override;
    void message_sent(const std::vector<std::string> &tokens) override;
    void script_ended(void *box) override;

    const PictureFacts &facts() const { return facts_; }
    bool write_svg(const std::string &path) const;

private:
    static void listen(void *picture, const char *line);
    void read_report_line(const std::string &line);

    PictureFacts facts_;
    std::map<int, double> amplitudes_;
    std::map<int, double> masks_;
    std::map<int, int> layers_;
};

}  // namespace vorn_sim
