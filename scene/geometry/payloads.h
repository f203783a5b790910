// The data that polygon objects, spline objects and weight tags carry on their node.
#pragma once

#include "host/geometry.h"
#include "scene/geometry/shared_array.h"
#include "scene/node.h"

#include <optional>
#include <span>
#include <vector>

namespace flumpet::scene {

using host::Polygon;
using host::Selection;
using host::WeightEntry;

/// A new stamp for a geometry state. Stamps are never reused, so equal stamps mean equal
/// content (a copy keeps its original's stamp until either changes).
uint64_t newGeometryStamp();

/// A polygon object's mesh. Copies share the arrays until either writes.
struct MeshPayload final : Payload {
    SharedArray<Vector> points;
    SharedArray<Polygon> polygons;
    Selection pointSelection;
    Selection polygonSelection;
    /// The deform cache: deformed positions of the points (same count), when there is one.
    std::optional<SharedArray<Vector>> deformed;
    /// Changes with every change of points or polygons (not of selections).
    uint64_t stamp = newGeometryStamp();
    /// Changes with every change of the deformed positions.
    uint64_t deformStamp = 0;

    std::unique_ptr<Payload> clone() const override { return std::make_unique<MeshPayload>(*this); }
    void visitArrays(const ArrayVisitor& fn) const override;
    size_t ownBytes() const override {
        return sizeof(*this) + (static_cast<size_t>(pointSelection.extent()) + static_cast<size_t>(polygonSelection.extent())) / 8;
    }
    /// Records that points or polygons changed.
    void touch() { stamp = newGeometryStamp(); }
};

/// A spline object's points and segments. Interpolation and the closed flag are parameters.
struct SplinePayload final : Payload {
    SharedArray<Vector> points;
    /// Point counts of the segments; empty when all points form one segment.
    std::vector<int32_t> segments;

    std::unique_ptr<Payload> clone() const override { return std::make_unique<SplinePayload>(*this); }
    void visitArrays(const ArrayVisitor& fn) const override;
    size_t ownBytes() const override { return sizeof(*this) + segments.size() * sizeof(int32_t); }
};

/// A weight tag's joints (weak links) and, per joint, its non-zero weights by ascending point.
struct WeightPayload final : Payload {
    struct Joint {
        NodeId id = host::NoNode;
        SharedArray<WeightEntry> weights;
    };
    std::vector<Joint> joints;

    std::unique_ptr<Payload> clone() const override { return std::make_unique<WeightPayload>(*this); }
    void visitArrays(const ArrayVisitor& fn) const override;
    size_t ownBytes() const override { return sizeof(*this) + joints.size() * sizeof(Joint); }
    void visitLinks(const std::function<void(NodeId&)>& fn) override {
        for (Joint& j : joints)
            fn(j.id);
    }
};

/// The empty payload a new node of a kind and type starts with; null for types without one.
std::unique_ptr<Payload> makeGeometryPayload(NodeKind kind, int32_t type);

/// The payload of a node when it is of that kind, else null.
MeshPayload* meshOf(Node* node);
SplinePayload* splineOf(Node* node);
WeightPayload* weightsOf(Node* node);

/// True when every index of the polygon lies below pointCount and is not negative.
bool polygonInRange(const Polygon& p, size_t pointCount);
bool allFinite(std::span<const Vector> points);

} // namespace flumpet::scene
