#include "rope/rope_settings.h"

#include "host/geometry.h"
#include "parameters.h"

namespace flumpet {

namespace {

/// The curve in the parameter; a curve without knots, or none at all, reads as flat `value`.
host::SplineCurve curveOr(const host::Container& data, int32_t id, double value) {
    const host::SplineCurve* curve = data.getCurve(id);
    if (curve && !curve->knots().empty()) return *curve;
    host::SplineCurve flat;
    flat.insertKnot(0.0, value);
    flat.insertKnot(1.0, value);
    return flat;
}

} // namespace

RopeSettings RopeSettings::read(const host::Object& generator) {
    RopeSettings s;
    const host::Container data = generator.data();
    const host::Document doc = generator.document();
    s.count = data.getInt(ROPE_JOINTS_AMOUNT);
    s.radius = data.getFloat(ROPE_RADIUS);
    s.endsFixed = data.getBool(ROPE_ENDS_FIXED);
    s.controller1 = doc.resolve(data.getLinkId(ROPE_CONTROLLER_1));
    s.controller2 = doc.resolve(data.getLinkId(ROPE_CONTROLLER_2));
    s.piece = doc.resolve(data.getLinkId(ROPE_PIECE_INSTANCE));
    s.radiusScale = curveOr(data, ROPE_RADIUS_SCALE, 1.0);
    s.distribution = curveOr(data, ROPE_AMOUNT_DISTRIBUTION, 0.0);
    return s;
}

host::SplineObject ropeSpline(const host::Object& generator) {
    for (host::Object child = generator.firstChild(); child.alive(); child = child.next())
        if (child.type() == host::type::Spline) return host::SplineObject(child);
    return {};
}

std::string segmentSuffix(int32_t segments, int32_t segment) {
    return segments <= 1 ? std::string{} : "_Segment_" + std::to_string(segment);
}

SegmentPath::SegmentPath(const host::SplineObject& spline) : spline_(spline) {
    if (spline_.host()) mapper_ = spline_.host()->geometry().newSplineLengthMapper();
}

bool SegmentPath::select(int32_t segment) {
    segment_ = segment;
    return mapper_ && mapper_->init(spline_.id(), segment);
}

host::Vector SegmentPath::at(double u) const {
    if (!mapper_) return {};
    return spline_.globalMatrix() * spline_.pointAt(segment_, mapper_->uniformToNatural(u));
}

} // namespace flumpet
