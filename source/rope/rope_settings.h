// What a rope is built from: the generator's rope parameters, the spline it follows and the
// points along one of the spline's segments.
#pragma once

#include "host/geometry_handles.h"
#include "host/nodes.h"

#include <cstdint>
#include <memory>
#include <string>

namespace flumpet {

/// The generator's rope parameters, read once per build or update.
struct RopeSettings {
    int32_t count = 0;   ///< pieces per segment; a segment has count + 1 joints
    double radius = 0.0; ///< the rope's radius
    bool endsFixed = false;
    host::Object controller1; ///< the linked start controller, empty when unset or gone
    host::Object controller2; ///< the linked end controller
    host::Object piece;       ///< the linked piece instance
    host::SplineCurve radiusScale;  ///< factor on the radius along a segment (flat 1 when unset)
    host::SplineCurve distribution; ///< offset of a piece's place along a segment (flat 0 when unset)

    static RopeSettings read(const host::Object& generator);
    bool controllerLinked() const { return controller1.alive() || controller2.alive(); }
};

/// The generator's first child that is an editable spline; empty when it has none.
host::SplineObject ropeSpline(const host::Object& generator);

/// "" for a spline of at most one segment, else "_Segment_" and the segment's index.
std::string segmentSuffix(int32_t segments, int32_t segment);

/// Points of one spline segment by fraction of its length, in world space.
class SegmentPath {
  public:
    /// Empty (answers false on use) when the host has no arc-length mapper.
    explicit SegmentPath(const host::SplineObject& spline);
    explicit operator bool() const { return mapper_ != nullptr; }
    /// Switches to a segment; false when the spline has no such segment.
    bool select(int32_t segment);
    /// The world point at fraction u of the segment's length. The host clamps u to 0 .. 1 on
    /// an open spline and wraps it on a closed one.
    host::Vector at(double u) const;

  private:
    host::SplineObject spline_;
    std::unique_ptr<host::SplineLengthMapper> mapper_;
    int32_t segment_ = 0;
};

} // namespace flumpet
