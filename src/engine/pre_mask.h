// A loudspeaker's amplitude before its mask: what it accumulated in this pass, or its
// spread floor (the source gain times its spread) where that is higher.
#pragma once

namespace vorn {

inline double pre_mask_amplitude(double accumulated, double floor) { return accumulated > floor ? accumulated : floor; }

}  // namespace vorn
