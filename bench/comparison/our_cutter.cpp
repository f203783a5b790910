#include "cutters.h"

#include "bench/plane_cut.h"
#include "host/geometry_handles.h"
#include "scene/engine.h"

#include <stdexcept>

namespace flumpet::compare {

namespace {

class OurCutter final : public Cutter {
  public:
    std::string name() const override { return "ours (kernel transaction)"; }

    void load(const TriangleMesh& mesh) override {
        std::vector<host::Polygon> polygons;
        polygons.reserve(mesh.triangles.size());
        for (const auto& t : mesh.triangles)
            polygons.push_back({t[0], t[1], t[2], t[2]});
        base_ = host::PolygonObject(host::Object(&engine_, engine_.allocObject(host::type::Polygon)));
        doc_.insertLast(base_);
        base_.setMesh(mesh.points, polygons);
    }

    void prepare() override { copy_ = host::PolygonObject(base_.clone()); }

    void cut(const Plane& plane) override {
        if (!bench::planeCut(copy_, plane.origin, plane.normal)) throw std::runtime_error("our cut failed");
    }

    double keptAreaAndClear() override {
        double area = 0.0;
        const auto points = copy_.points();
        for (const host::Polygon& p : copy_.polygons()) {
            area += triangleArea(points[p.a], points[p.b], points[p.c]);
            if (!p.isTriangle()) area += triangleArea(points[p.a], points[p.c], points[p.d]);
        }
        copy_.free();
        return area;
    }

  private:
    scene::Engine engine_;
    host::Document doc_{&engine_, engine_.newDocument()};
    host::PolygonObject base_;
    host::PolygonObject copy_;
};

} // namespace

std::unique_ptr<Cutter> ourCutter() {
    return std::make_unique<OurCutter>();
}

} // namespace flumpet::compare
