#include "queries.h"

#include <CGAL/AABB_face_graph_triangle_primitive.h>
#include <CGAL/AABB_traits.h>
#include <CGAL/AABB_tree.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Surface_mesh.h>

#include <cmath>
#include <vector>

namespace flumpet::compare {

namespace {

using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using Point = Kernel::Point_3;
using Mesh = CGAL::Surface_mesh<Point>;
using Primitive = CGAL::AABB_face_graph_triangle_primitive<Mesh>;
using Tree = CGAL::AABB_tree<CGAL::AABB_traits<Kernel, Primitive>>;

class CgalQueries final : public QueryLibrary {
  public:
    std::string name() const override { return "CGAL AABB tree"; }

    void load(const TriangleMesh& mesh) override {
        tree_.reset();
        mesh_.clear();
        std::vector<Mesh::Vertex_index> vertices;
        vertices.reserve(mesh.points.size());
        for (const Vector& p : mesh.points)
            vertices.push_back(mesh_.add_vertex(Point(p.x, p.y, p.z)));
        for (const auto& t : mesh.triangles)
            mesh_.add_face(vertices[static_cast<size_t>(t[0])], vertices[static_cast<size_t>(t[1])],
                           vertices[static_cast<size_t>(t[2])]);
    }

    void prepareBuild() override { tree_.reset(); }

    void build() override {
        tree_ = std::make_unique<Tree>(faces(mesh_).first, faces(mesh_).second, mesh_);
        tree_->build();
        tree_->accelerate_distance_queries();
    }

    QueryTotals rays(const Vector& origin, std::span<const Vector> directions, double length) override {
        QueryTotals totals;
        const Point from(origin.x, origin.y, origin.z);
        for (const Vector& d : directions) {
            const auto hit = tree_->first_intersection(Kernel::Ray_3(from, Kernel::Vector_3(d.x, d.y, d.z)));
            if (!hit) continue;
            const Point* at = boost::get<Point>(&hit->first);
            if (!at) continue;
            const double distance = std::sqrt(CGAL::to_double(CGAL::squared_distance(from, *at)));
            if (distance > length) continue;
            ++totals.hits;
            totals.distance += distance;
        }
        return totals;
    }

    QueryTotals closest(std::span<const Vector> points) override {
        QueryTotals totals;
        for (const Vector& p : points) {
            const Point q(p.x, p.y, p.z);
            const Point c = tree_->closest_point(q);
            ++totals.hits;
            totals.distance += std::sqrt(CGAL::to_double(CGAL::squared_distance(q, c)));
        }
        return totals;
    }

  private:
    Mesh mesh_;
    std::unique_ptr<Tree> tree_;
};

} // namespace

std::unique_ptr<QueryLibrary> cgalQueries() {
    return std::make_unique<CgalQueries>();
}

} // namespace flumpet::compare
