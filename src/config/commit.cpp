#include <cstdio>

#include "config/config.h"
#include "engine/engine.h"
#include "export/mask_editor.h"
#include "shell/panner.h"

namespace vorn {

namespace {

constexpr std::size_t selector_text_size = 256;

void free_selectors(Panner &panner) {
    delete[] panner.channel_selectors;
    panner.channel_selectors = nullptr;
    panner.selector_count = 0;
}

}  // namespace

void commit_configuration(Panner &panner) {
    free_selectors(panner);
    if (panner.map_total <= 0) {
        host::error(&panner, "setup: failed to apply new loudspeaker configuration, leaving unconfigured");
        return;
    }
    const std::int32_t total = panner.map_total;
    panner.channel_selectors = new host::Symbol *[total];
    char text[selector_text_size];
    for (std::int32_t i = 0; i < total; ++i) {
        std::snprintf(text, sizeof text, "%s-%d", panner.context, i + 1);
        panner.channel_selectors[i] = host::intern(text);
    }
    panner.selector_count = total;

    export_mask_editor(panner);
    panning_pass(panner, panner.azimuth);
    host::post(&panner, "setup: successfully applied new loudspeaker configuration");
}

void release_channel_selectors(Panner &panner) { free_selectors(panner); }

}  // namespace vorn
