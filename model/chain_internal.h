// Small numeric helpers shared by the line sources.
#pragma once

// Image position to pixel: add 0.5, truncate toward zero (saturated).
int RoundPixel(double v);
// Truncation toward zero, saturated to the int range.
int TruncInt(double v);
