#include "scene/geometry/spline_eval.h"

#include "host/ids.h"

#include <algorithm>
#include <cmath>

namespace flumpet::scene {

namespace {

/// Samples per span of a curved segment; linear spans need only their ends.
constexpr int CurvedSamples = 64;

int32_t spanCount(const SplineSegment& s) {
    const auto n = static_cast<int32_t>(s.points.size());
    if (n < 2) return 0;
    return s.closed ? n : n - 1;
}

Vector pointAt(const SplineSegment& s, int32_t i) {
    const auto n = static_cast<int32_t>(s.points.size());
    if (s.closed) return s.points[static_cast<size_t>(((i % n) + n) % n)];
    // Open ends continue in a straight line, so the curve leaves its end points along the
    // first and last span.
    if (i < 0) return s.points[0] * 2.0 - s.points[1];
    if (i >= n) return s.points[static_cast<size_t>(n - 1)] * 2.0 - s.points[static_cast<size_t>(n - 2)];
    return s.points[static_cast<size_t>(i)];
}

Vector evaluateSpan(const SplineSegment& s, int32_t span, double local) {
    const Vector p1 = pointAt(s, span), p2 = pointAt(s, span + 1);
    if (s.interpolation == host::splinetype::Linear) return p1 + (p2 - p1) * local;
    // Catmull-Rom: passes through every point with tangents from the neighbours.
    const Vector p0 = pointAt(s, span - 1), p3 = pointAt(s, span + 2);
    const double t = local, t2 = t * t, t3 = t2 * t;
    return (p1 * 2.0 + (p2 - p0) * t + (p0 * 2.0 - p1 * 5.0 + p2 * 4.0 - p3) * t2 +
            (p1 * 3.0 - p0 - p2 * 3.0 + p3) * t3) *
           0.5;
}

} // namespace

int32_t splineSegmentCount(const SplinePayload& spline) {
    if (spline.points.empty()) return 0;
    return spline.segments.empty() ? 1 : static_cast<int32_t>(spline.segments.size());
}

bool splineSegment(const SplinePayload& spline, const Container& data, int32_t segment, SplineSegment& out) {
    if (segment < 0 || segment >= splineSegmentCount(spline)) return false;
    size_t first = 0, count = spline.points.size();
    if (!spline.segments.empty()) {
        for (int32_t i = 0; i < segment; ++i)
            first += static_cast<size_t>(spline.segments[static_cast<size_t>(i)]);
        count = static_cast<size_t>(spline.segments[static_cast<size_t>(segment)]);
    }
    out.points = std::span<const Vector>(spline.points).subspan(first, count);
    out.closed = data.getBool(host::param::SplineClosed, false);
    out.interpolation = data.getInt(host::param::SplineType, host::splinetype::Cubic);
    return true;
}

double normaliseParameter(const SplineSegment& segment, double t) {
    if (std::isnan(t)) return 0.0;
    if (!segment.closed || std::isinf(t)) return std::clamp(t, 0.0, 1.0);
    if (t >= 0.0 && t <= 1.0) return t;
    return t - std::floor(t);
}

Vector evaluateSegment(const SplineSegment& segment, double t) {
    if (segment.points.empty()) return {};
    const int32_t spans = spanCount(segment);
    if (spans == 0) return segment.points[0];
    const double x = normaliseParameter(segment, t) * spans;
    const auto span = std::min(static_cast<int32_t>(x), spans - 1);
    return evaluateSpan(segment, span, x - span);
}

ArcLengthTable::ArcLengthTable(const SplineSegment& segment) : closed_(segment.closed) {
    const int32_t spans = spanCount(segment);
    lengths_.push_back(0.0);
    parameters_.push_back(0.0);
    if (spans == 0) return;
    const int samples = segment.interpolation == host::splinetype::Linear ? 1 : CurvedSamples;
    const int total = spans * samples;
    Vector previous = evaluateSpan(segment, 0, 0.0);
    for (int i = 1; i <= total; ++i) {
        const int32_t span = std::min((i - 1) / samples, spans - 1);
        const double local = static_cast<double>(i - span * samples) / samples;
        const Vector p = evaluateSpan(segment, span, local);
        lengths_.push_back(lengths_.back() + host::length(p - previous));
        parameters_.push_back(static_cast<double>(i) / total);
        previous = p;
    }
}

double ArcLengthTable::uniformToNatural(double u) const {
    const double v = normaliseParameter(SplineSegment{{}, closed_, 0}, u);
    const double total = length();
    if (total <= 0.0 || lengths_.size() < 2) return v;
    const double target = v * total;
    const auto it = std::upper_bound(lengths_.begin(), lengths_.end(), target);
    if (it == lengths_.end()) return 1.0;
    const auto i = static_cast<size_t>(it - lengths_.begin());
    if (i == 0) return 0.0;
    const double l0 = lengths_[i - 1], l1 = lengths_[i];
    const double f = l1 > l0 ? (target - l0) / (l1 - l0) : 0.0;
    return parameters_[i - 1] + (parameters_[i] - parameters_[i - 1]) * f;
}

} // namespace flumpet::scene
