// The embedded host's geometry services: meshes, modeling, queries, splines, joints, weights.
#pragma once

#include "host/geometry.h"
#include "scene/geometry/mesh_adjacency.h"
#include "scene/geometry/point_remap.h"
#include "scene/geometry/spatial_index.h"
#include "scene/node.h"

#include <unordered_map>

namespace flumpet::scene {

class Engine;

class GeometryService final : public host::GeometryServices {
  public:
    explicit GeometryService(Engine& engine) : engine_(engine) {}

    // --- Engine-side operations (not part of the binding) ----------------------------------
    /// Gives a polygon object a deform cache: deformed positions of its points (same count,
    /// finite). The cache goes again with the next change of the mesh.
    bool setDeformedPoints(NodeId object, std::span<const Vector> points);
    void clearDeformCache(NodeId object);
    /// The deform cache as a polygon object (free, owned by the engine), made on request and
    /// kept while the deformed positions stay; NoNode when the object has none.
    NodeId deformCache(NodeId object);
    /// Messages the geometry nodes answer themselves; false when the message is not theirs.
    bool handleMessage(Node& node, int32_t type);
    /// How many spatial indices were built so far.
    uint64_t spatialIndexBuilds() const { return indices_.builds(); }
    /// Drops the kept spatial indices, for memory: queries that hold one keep it, and the next
    /// query of a mesh builds again.
    void releaseSpatialIndices() { indices_.clear(); }
    /// The weights of a tag by point, kept for the last state of weights asked for.
    std::shared_ptr<const WeightsByPoint> weightsByPoint(const WeightPayload& weights, size_t pointCount) {
        return weightsByPoint_.get(weights, pointCount);
    }

    // --- host::GeometryServices ------------------------------------------------------------
    std::span<const Vector> points(NodeId object) override;
    std::span<const host::Polygon> polygons(NodeId object) override;
    bool setPoints(NodeId object, std::span<const Vector> points) override;
    bool setMesh(NodeId object, std::span<const Vector> points,
                 std::span<const host::Polygon> polygons) override;
    host::Selection pointSelection(NodeId object) override;
    host::Selection polygonSelection(NodeId object) override;
    bool setPointSelection(NodeId object, const host::Selection& selection) override;
    bool setPolygonSelection(NodeId object, const host::Selection& selection) override;
    host::ModelingResult modelingCommand(int32_t command, NodeId object, int32_t mode,
                                         const Container& settings, NodeId doc) override;
    std::unique_ptr<host::ModelingTransaction> openModeling(NodeId object, int32_t flags) override;
    std::unique_ptr<host::RayCollider> newRayCollider() override;
    std::unique_ptr<host::DistanceQuery> newDistanceQuery() override;
    std::span<const Vector> splinePoints(NodeId spline) override;
    std::span<const int32_t> splineSegmentSizes(NodeId spline) override;
    bool setSpline(NodeId spline, std::span<const Vector> points,
                   std::span<const int32_t> segmentSizes) override;
    int32_t splineSegmentCount(NodeId spline) override;
    Vector splinePoint(NodeId spline, int32_t segment, double t) override;
    std::unique_ptr<host::SplineLengthMapper> newSplineLengthMapper() override;
    bool bone(NodeId joint, Matrix& frame, double& length) override;
    int32_t weightJointCount(NodeId tag) override;
    NodeId weightJoint(NodeId tag, int32_t index) override;
    int32_t weightJointIndex(NodeId tag, NodeId joint) override;
    int32_t addWeightJoint(NodeId tag, NodeId joint) override;
    double weight(NodeId tag, int32_t jointIndex, int32_t point) override;
    std::span<const host::WeightEntry> weights(NodeId tag, int32_t jointIndex) override;
    int32_t weightCount(NodeId tag, int32_t jointIndex) override;
    bool setWeight(NodeId tag, int32_t jointIndex, int32_t point, double weight) override;
    bool setWeights(NodeId tag, int32_t jointIndex, std::span<const host::WeightEntry> weights) override;

  private:
    struct CacheNode {
        NodeId node = host::NoNode;
        uint64_t stamp = 0;
    };
    /// Frees a cache node that is still the engine's own (free and unchanged).
    void dropCacheNode(const CacheNode& cache);

    Engine& engine_;
    SpatialIndexCache indices_;
    PointPolygonsCache adjacency_;
    WeightsByPointCache weightsByPoint_;
    std::unordered_map<NodeId, CacheNode> deformCaches_;
};

} // namespace flumpet::scene
