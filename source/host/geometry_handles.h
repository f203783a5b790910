// Handle views over the geometry services: a polygon object, a spline object, a weight tag and
// a joint's bone, in the style of the handles in host/nodes.h (weak, cheap to copy).
#pragma once

#include "host/geometry.h"
#include "host/nodes.h"

#include <memory>
#include <span>

namespace flumpet::host {

/// A polygon object (type 5100). Empty (every query neutral) for any other node.
class PolygonObject : public Object {
  public:
    PolygonObject() = default;
    explicit PolygonObject(const Object& o) : Object(o.isInstanceOf(type::Polygon) ? o : Object{}) {}

    std::span<const Vector> points() const { return host_ ? geo().points(id_) : std::span<const Vector>{}; }
    std::span<const Polygon> polygons() const {
        return host_ ? geo().polygons(id_) : std::span<const Polygon>{};
    }
    int32_t pointCount() const { return static_cast<int32_t>(points().size()); }
    int32_t polygonCount() const { return static_cast<int32_t>(polygons().size()); }
    bool setPoints(std::span<const Vector> p) const { return host_ && geo().setPoints(id_, p); }
    bool setMesh(std::span<const Vector> p, std::span<const Polygon> polys) const {
        return host_ && geo().setMesh(id_, p, polys);
    }
    Selection pointSelection() const { return host_ ? geo().pointSelection(id_) : Selection{}; }
    Selection polygonSelection() const { return host_ ? geo().polygonSelection(id_) : Selection{}; }
    bool setPointSelection(const Selection& s) const { return host_ && geo().setPointSelection(id_, s); }
    bool setPolygonSelection(const Selection& s) const { return host_ && geo().setPolygonSelection(id_, s); }

    ModelingResult modelingCommand(int32_t command, int32_t mode, const Container& settings = {},
                                   const Document& doc = {}) const {
        return host_ ? geo().modelingCommand(command, id_, mode, settings, doc.id()) : ModelingResult{};
    }
    std::unique_ptr<ModelingTransaction> openModeling(int32_t flags = modelingflag::None) const {
        return host_ ? geo().openModeling(id_, flags) : nullptr;
    }

  private:
    GeometryServices& geo() const { return host_->geometry(); }
};

/// A spline object (type 5101). Empty for any other node.
class SplineObject : public Object {
  public:
    SplineObject() = default;
    explicit SplineObject(const Object& o) : Object(o.isInstanceOf(type::Spline) ? o : Object{}) {}

    std::span<const Vector> points() const {
        return host_ ? geo().splinePoints(id_) : std::span<const Vector>{};
    }
    int32_t segmentCount() const { return host_ ? geo().splineSegmentCount(id_) : 0; }
    bool isClosed() const { return data().getBool(param::SplineClosed); }
    /// The point at a natural parameter of a segment (spline coordinates).
    Vector pointAt(int32_t segment, double t) const {
        return host_ ? geo().splinePoint(id_, segment, t) : Vector{};
    }
    /// An arc-length mapper initialised for a segment; null when the segment does not exist.
    std::unique_ptr<SplineLengthMapper> lengthMapper(int32_t segment) const {
        if (!host_) return nullptr;
        auto mapper = geo().newSplineLengthMapper();
        if (!mapper || !mapper->init(id_, segment)) return nullptr;
        return mapper;
    }

  private:
    GeometryServices& geo() const { return host_->geometry(); }
};

/// A weight tag (type 1019365). Empty for any other node.
class WeightTag : public Tag {
  public:
    WeightTag() = default;
    explicit WeightTag(const Tag& t) : Tag(t.type() == tagtype::Weight ? t : Tag{}) {}

    int32_t jointCount() const { return host_ ? geo().weightJointCount(id_) : 0; }
    /// The joint at an index, resolved in the tag's document; empty when it is gone.
    Object joint(int32_t index) const {
        if (!host_) return {};
        return document().resolve(geo().weightJoint(id_, index));
    }
    int32_t jointIndex(const Object& joint) const {
        return host_ ? geo().weightJointIndex(id_, joint.id()) : -1;
    }
    double weight(int32_t jointIndex, int32_t point) const {
        return host_ ? geo().weight(id_, jointIndex, point) : 0.0;
    }
    std::span<const WeightEntry> weights(int32_t jointIndex) const {
        return host_ ? geo().weights(id_, jointIndex) : std::span<const WeightEntry>{};
    }
    int32_t weightCount(int32_t jointIndex) const { return host_ ? geo().weightCount(id_, jointIndex) : 0; }
    int32_t addJoint(const Object& joint) const { return host_ ? geo().addWeightJoint(id_, joint.id()) : -1; }
    bool setWeight(int32_t jointIndex, int32_t point, double w) const {
        return host_ && geo().setWeight(id_, jointIndex, point, w);
    }
    bool setWeights(int32_t jointIndex, std::span<const WeightEntry> w) const {
        return host_ && geo().setWeights(id_, jointIndex, w);
    }

  private:
    GeometryServices& geo() const { return host_->geometry(); }
};

/// A joint's bone: world frame (Z along the bone) and length.
struct Bone {
    Matrix frame;
    double length = 0.0;
};

/// The bone of a joint; false (and a zero bone) for an object that is not a joint.
inline bool boneOf(const Object& joint, Bone& out) {
    out = {};
    return joint.host() && joint.host()->geometry().bone(joint.id(), out.frame, out.length);
}

} // namespace flumpet::host
