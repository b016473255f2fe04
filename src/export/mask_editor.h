// The mask-editor export: the cell of every loudspeaker on the azimuth/elevation plane.
#pragma once

namespace vorn {

struct Panner;

void export_mask_editor(Panner &panner);
// "med": the export, refused while the box is sending.
void receive_med(Panner &panner);

}  // namespace vorn
