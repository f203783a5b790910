// The modeling kernel: a transaction of topological edits on one polygon object.
//
// Opening copies the mesh and builds the point-to-polygon incidence once; every edit then costs
// in proportion to the polygons around the points it touches. Polygons the transaction changes
// are held as loops of any length; the others are read from the copy as they were.
#pragma once

#include "host/geometry.h"
#include "scene/geometry/mesh_adjacency.h"
#include "scene/node.h"

#include <unordered_map>
#include <vector>

namespace flumpet::scene {

class Engine;

class ModelingKernel final : public host::ModelingTransaction {
  public:
    /// Null when the node is not a polygon object.
    static std::unique_ptr<ModelingKernel> open(Engine& engine, NodeId object);

    bool isValidEdge(int32_t polygon, int32_t p1, int32_t p2) const override;
    bool isValidPolygon(int32_t polygon) const override;
    int32_t splitEdge(int32_t p1, int32_t p2, double t) override;
    bool setPoint(int32_t point, const Vector& position, int32_t flags) override;
    int32_t splitPolygon(int32_t polygon, int32_t p1, int32_t p2) override;
    bool deletePoint(int32_t point) override;
    bool commit(int32_t flags) override;
    void release() override;

  private:
    ModelingKernel(Engine& engine, NodeId object) : engine_(engine), object_(object) {}

    int32_t pointCount() const { return static_cast<int32_t>(positions_.size()); }
    int32_t polygonCount() const { return static_cast<int32_t>(polygonDeleted_.size()); }
    bool livePoint(int32_t p) const;
    bool livePolygon(int32_t p) const;
    /// The polygon's loop (the held one, or the unchanged polygon's corners) into scratch.
    const std::vector<int32_t>& loopOf(int32_t polygon, std::vector<int32_t>& scratch) const;
    /// The held loop of a polygon, made from its corners on first change.
    std::vector<int32_t>& editLoop(int32_t polygon);
    /// Live polygons that use the point, each once.
    void usersOf(int32_t point, std::vector<int32_t>& out) const;
    void addUser(int32_t point, int32_t polygon) { extraUsers_[point].push_back(polygon); }

    Engine& engine_;
    NodeId object_;
    bool open_ = true;
    uint64_t stamp_ = 0;
    int32_t oldPoints_ = 0;
    int32_t oldPolygons_ = 0;

    std::vector<Vector> positions_;
    std::vector<uint8_t> pointDeleted_;
    /// Sources of the points made here (point oldPoints_ + k), for selections and weights.
    struct MadePoint {
        int32_t a, b;
        double t;
    };
    std::vector<MadePoint> made_;

    std::vector<host::Polygon> polygons_;
    std::vector<uint8_t> polygonDeleted_;
    std::unordered_map<int32_t, std::vector<int32_t>> loops_;
    /// The polygon each new polygon was cut from (polygon oldPolygons_ + k).
    std::vector<int32_t> polygonSource_;

    PointPolygons users_;
    std::unordered_map<int32_t, std::vector<int32_t>> extraUsers_;
    mutable std::vector<int32_t> scratch_;
};

} // namespace flumpet::scene
