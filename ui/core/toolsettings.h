// What the edit tools share across the whole run, in every view, besides
// the tracing smoothing (g_traceSmoothing, ui/core/edittool.h): the point
// picked in one image for the next control point in another.
#pragma once

namespace qzn {

// The point a control-point tool picked (sub-mode "拾取点"), as the status
// bar showed it (map coordinates where the view converts them), kept in
// double; pending until a new control point takes it.
struct CPickedPoint {
  double x = 0.0, y = 0.0;
  bool pending = false;
};
extern CPickedPoint g_pickedPoint;

}  // namespace qzn
