// The rope steps of `flumpet run`: draw an editable spline under an object, and drag one of its
// points as a user does in the viewport (so the generator's dirty check and live update run).
#pragma once

#include "run_steps.h"

#include <string>

namespace flumpet::app {

/// `--spline PARENT/NAME=x,y,z;x,y,z|x,y,z;...[:closed|:open][:linear|:cubic]`: a new spline
/// named NAME as the last child of PARENT (a top-level object when only NAME is given), one
/// segment per "|", in one undo step. Answers the step's line. Throws CommandError.
std::string addSpline(RunContext& context, const Step& step);

/// `--move-point SPLINE=INDEX:x,y,z`: moves a point (spline coordinates) in one undo step, then
/// evaluates the scene as the host does after a drag. Answers the step's line.
std::string movePoint(RunContext& context, const Step& step);

} // namespace flumpet::app
