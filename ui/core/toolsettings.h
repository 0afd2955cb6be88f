// What the edit tools share across the whole run, in every view: the
// smoothing threshold of the line tool's tracing, and the point picked in
// one image for the next control point in another.
#pragma once

namespace qzn {

// The auto-trace smoothing threshold: 1.0 at start, set by the line
// tool's "设置平滑" command, not saved.
extern double g_autoTraceTolerance;

// The point a control-point tool picked (sub-mode "拾取点"), as the status
// bar showed it (map coordinates where the view converts them), kept in
// double; pending until a new control point takes it.
struct CPickedPoint {
  double x = 0.0, y = 0.0;
  bool pending = false;
};
extern CPickedPoint g_pickedPoint;

}  // namespace qzn
