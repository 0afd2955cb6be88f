// The rectangle arithmetic of zooming, scrolling and the overview outline.
// Rectangles are image pixels with right and bottom as coordinates (a
// rectangle from 0 to 99 is 99 wide in this arithmetic, as the visible
// rectangle and the extent are kept). Every function holds for any input:
// empty, inverted and one-pixel rectangles and zero sizes give a defined
// result, never a division by zero or an overflow.
#pragma once

#include "platform/wintypes.h"

namespace qzn {

// Grows rect about its centre by size (left and top move out by half, right
// and bottom by the other half) and keeps it inside bounds: a result wider
// or higher than bounds becomes bounds on that axis, then it is moved back
// by what sticks out on either side.
RECT GrowRect(const RECT& rect, SIZE size, const RECT& bounds);

// Reduces size to the aspect ratio aspect.cx : aspect.cy, keeping the width
// when the new width fits and the height otherwise (both rounded to
// nearest). A zero or negative aspect or size leaves size unchanged.
SIZE FitSizeToAspect(SIZE size, SIZE aspect);

// The part of rect with the aspect ratio of size: height cut (top kept) when
// rect is wider, width cut (left kept) when it is higher, unchanged within a
// 0.05 tolerance. Empty when size has no positive width or height or rect no
// positive width or height.
RECT FitRectToAspect(const RECT& rect, SIZE size);

// Where PlaceRect puts the point: top-left, bottom-right or centre.
enum : int { kAnchorTopLeft = 0, kAnchorBottomRight = 1, kAnchorCentre = 2 };

// Moves rect, size kept, so that point is its anchor, clamped to bounds. A
// rectangle not lying inside bounds is returned unchanged.
RECT PlaceRect(const RECT& rect, POINT point, const RECT& bounds, int anchor);

// Grows rect about its centre on its short axis to the aspect ratio
// aspect.cx : aspect.cy and moves it back inside bounds. A side that would
// pass the bounds' span takes that span, so the result may keep another
// aspect; it always holds the whole of rect (when rect lies inside bounds).
RECT GrowRectToAspect(const RECT& rect, SIZE aspect, const RECT& bounds);

// The zoom-in candidate step: the candidate cut to its common part with the
// current rectangle, grown about its centre to the current rectangle's
// aspect and moved back inside it. False (out untouched) when the candidate
// has no positive width or height or the result is empty.
bool SetVisibleRect(const RECT& current, const RECT& candidate, RECT& out);
// The same grown to another aspect: that of the page the result is shown
// on, where it differs from the current rectangle's (a tab showing the
// whole of a scan uses only part of its page).
bool SetVisibleRect(const RECT& current, const RECT& candidate, SIZE aspect, RECT& out);

// Whether inner lies inside outer (edges included).
bool RectInside(const RECT& inner, const RECT& outer);

// The smallest power of two for which the larger side of the extent divided
// by it stays below 32767, so that no scroll range exceeds 32766.
int ScrollUnitFor(const RECT& extent);

// The display width aligned for the display buffer: (w + 3) rounded down to
// a multiple of 4 when the image holds pixels, else w unchanged.
int AlignDisplayWidth(int w, bool imageHasPixels);

// The overview outline: the visible rectangle mapped from the extent onto a
// client area of width x height. False (out untouched) for an extent of no
// positive width or height.
bool OverviewRect(const RECT& extent, const RECT& visible, int width, int height, RECT& out);

}  // namespace qzn
