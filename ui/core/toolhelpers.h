// Small pieces the edit tools share: converting client points, the small
// cross a dragged point shows, and the layer name as a status line shows
// it.
#pragma once

#include <cstddef>
#include <string>

#include "model/fpoint.h"
#include "ui/core/toolhost.h"

namespace qzn {

inline CFPoint ClientToImageF(const IToolHost& host, POINT c) {
  return host.Transform().ClientToImageF(CFPoint(static_cast<float>(c.x), static_cast<float>(c.y)));
}
inline POINT ClientToImagePixel(const IToolHost& host, POINT c) { return host.Transform().ClientToImage(c); }

// The small cross of a point being dragged: a stroke from x-2 to x+3 and one
// from y-2 to y+3 (client pixels), in two feedback slots.
void ShowCross(IToolHost& host, int slot, POINT client);
void ClearCross(IToolHost& host, int slot);

// A coordinate as the status bar's coordinate pane shows it (four
// decimals): what a tool stores and a dialog shows of a clicked position,
// instead of the float's widened binary digits ("318.951080322265625").
double CoordinateAsShown(double v);

// The first `maxChars` characters of a UTF-8 text (never a character cut
// in two).
std::string Utf8Prefix(const std::string& text, std::size_t maxChars);

}  // namespace qzn
