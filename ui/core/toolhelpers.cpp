#include "ui/core/toolhelpers.h"

#include <cmath>

#include "platform/textfile.h"

namespace qzn {

void ShowCross(IToolHost& host, int slot, POINT c) {
  host.Feedback().Set(slot, FeedbackShape::Line(POINT{c.x - 2, c.y}, POINT{c.x + 3, c.y}));
  host.Feedback().Set(slot + 1, FeedbackShape::Line(POINT{c.x, c.y - 2}, POINT{c.x, c.y + 3}));
}

double CoordinateAsShown(double v) {
  if (!std::isfinite(v)) return v;
  double shown = v;
  return ParseDouble(FormatC("%.4f", v), shown) ? shown : v;
}

void ClearCross(IToolHost& host, int slot) {
  host.Feedback().Clear(slot);
  host.Feedback().Clear(slot + 1);
}

std::string Utf8Prefix(const std::string& text, std::size_t maxChars) {
  std::size_t chars = 0, i = 0;
  while (i < text.size()) {
    if (chars == maxChars) break;
    ++i;
    // Continuation bytes belong to the character just begun.
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    ++chars;
  }
  return text.substr(0, i);
}

}  // namespace qzn
