// The record's part of the sine law's memo (engine/sine_law.h): plain values, kept in records
// cleared as bytes, so `known` starts false.
#pragma once

namespace vorn {

struct SineLaw {
    double falling;  // the first neighbour's gain, sin((1 - t) pi/2)
    double rising;   // the second's, sin(t pi/2)
};

struct SineLawMemo {
    double from_first, span;  // the fraction's two terms
    SineLaw law;
    bool known;
};

}  // namespace vorn
