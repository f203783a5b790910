#include "cutters.h"

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_mesh_processing/clip.h>
#include <CGAL/Polygon_mesh_processing/measure.h>
#include <CGAL/Surface_mesh.h>

#include <vector>

namespace flumpet::compare {

namespace {

using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using Mesh = CGAL::Surface_mesh<Kernel::Point_3>;

class CgalClipCutter final : public Cutter {
  public:
    std::string name() const override { return "CGAL clip"; }

    void load(const TriangleMesh& mesh) override {
        base_.clear();
        std::vector<Mesh::Vertex_index> vertices;
        vertices.reserve(mesh.points.size());
        for (const Vector& p : mesh.points)
            vertices.push_back(base_.add_vertex(Kernel::Point_3(p.x, p.y, p.z)));
        for (const auto& t : mesh.triangles)
            base_.add_face(vertices[static_cast<size_t>(t[0])], vertices[static_cast<size_t>(t[1])],
                           vertices[static_cast<size_t>(t[2])]);
    }

    void prepare() override { copy_ = base_; }

    void cut(const Plane& plane) override {
        // CGAL keeps the negative side: the plane is turned round.
        const Vector& n = plane.normal;
        const Kernel::Plane_3 p(-n.x, -n.y, -n.z, host::dot(n, plane.origin));
        CGAL::Polygon_mesh_processing::clip(copy_, p);
    }

    double keptAreaAndClear() override {
        const double area = CGAL::to_double(CGAL::Polygon_mesh_processing::area(copy_));
        copy_ = Mesh();
        return area;
    }

  private:
    Mesh base_;
    Mesh copy_;
};

} // namespace

std::unique_ptr<Cutter> cgalClipCutter() {
    return std::make_unique<CgalClipCutter>();
}

} // namespace flumpet::compare
