#include "queries.h"

#include "host/geometry_handles.h"
#include "scene/engine.h"

namespace flumpet::compare {

namespace {

class OurQueries final : public QueryLibrary {
  public:
    std::string name() const override { return "ours"; }

    void load(const TriangleMesh& mesh) override {
        std::vector<host::Polygon> polygons;
        polygons.reserve(mesh.triangles.size());
        for (const auto& t : mesh.triangles)
            polygons.push_back({t[0], t[1], t[2], t[2]});
        points_ = mesh.points;
        mesh_ = host::PolygonObject(host::Object(&engine_, engine_.allocObject(host::type::Polygon)));
        doc_.insertLast(mesh_);
        mesh_.setMesh(points_, polygons);
    }

    // The same points again make a new mesh state, so that the next use builds a new index.
    // The previous index is released here, outside the timing, as the raw Embree side releases
    // its scene before it builds: the engine's cache would otherwise keep it for an undo.
    void prepareBuild() override {
        collider_.reset();
        distance_.reset();
        engine_.geometry().releaseSpatialIndices();
        mesh_.setPoints(points_);
    }

    void build() override {
        collider_ = engine_.geometry().newRayCollider();
        collider_->init(mesh_.id(), true);
        distance_ = engine_.geometry().newDistanceQuery();
        distance_->init(mesh_.id());
    }

    QueryTotals rays(const Vector& origin, std::span<const Vector> directions, double length) override {
        QueryTotals totals;
        for (const Vector& d : directions) {
            host::RayHit hit;
            if (collider_->intersect(origin, d, length, false) && collider_->nearestIntersection(hit)) {
                ++totals.hits;
                totals.distance += hit.distance;
            }
        }
        return totals;
    }

    QueryTotals closest(std::span<const Vector> points) override {
        QueryTotals totals;
        for (const Vector& p : points) {
            host::MeshPrimitiveInfo info;
            info.type = host::meshprimitive::Polygon;
            double distance = 0.0;
            if (distance_->closestMeshPrimitive(p, info, distance)) {
                ++totals.hits;
                totals.distance += distance;
            }
        }
        return totals;
    }

  private:
    scene::Engine engine_;
    host::Document doc_{&engine_, engine_.newDocument()};
    host::PolygonObject mesh_;
    std::vector<Vector> points_;
    std::unique_ptr<host::RayCollider> collider_;
    std::unique_ptr<host::DistanceQuery> distance_;
};

} // namespace

std::unique_ptr<QueryLibrary> ourQueries() {
    return std::make_unique<OurQueries>();
}

} // namespace flumpet::compare
