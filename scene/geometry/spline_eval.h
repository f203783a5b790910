// Evaluating spline segments: points at a natural parameter and arc-length tables.
#pragma once

#include "scene/geometry/payloads.h"

#include <span>
#include <vector>

namespace flumpet::scene {

/// One segment of a spline object, ready to evaluate.
struct SplineSegment {
    std::span<const Vector> points;
    bool closed = false;
    int32_t interpolation = 0; // host::splinetype
};

int32_t splineSegmentCount(const SplinePayload& spline);
/// False when the segment does not exist. `data` is the spline object's container (closed flag,
/// interpolation).
bool splineSegment(const SplinePayload& spline, const Container& data, int32_t segment, SplineSegment& out);

/// The natural parameter as the segment uses it: clamped to 0 .. 1 when open, wrapped when
/// closed (1 stays 1); 0 for a value that is not a number.
double normaliseParameter(const SplineSegment& segment, double t);

/// The point at natural parameter t (spline coordinates).
Vector evaluateSegment(const SplineSegment& segment, double t);

/// Cumulative length over the segment, sampled finely enough that the mapping from length to
/// natural parameter is exact on linear spans and close on curved ones.
class ArcLengthTable {
  public:
    ArcLengthTable() = default;
    explicit ArcLengthTable(const SplineSegment& segment);
    double length() const { return lengths_.empty() ? 0.0 : lengths_.back(); }
    /// The natural parameter at fraction u of the length (u normalised like a natural one).
    double uniformToNatural(double u) const;

  private:
    /// Copied, not referred to: the table outlives changes of the spline.
    bool closed_ = false;
    std::vector<double> lengths_;    // at parameters_
    std::vector<double> parameters_; // natural parameters, ascending from 0 to 1
};

} // namespace flumpet::scene
