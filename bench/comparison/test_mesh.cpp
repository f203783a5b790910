#include "test_mesh.h"

#include "bench/sphere_mesh.h"
#include "host/geometry_handles.h"
#include "scene/engine.h"

namespace flumpet::compare {

TriangleMesh closedMesh(int64_t triangles) {
    const bench::SphereMesh sphere = bench::lumpySphere(triangles);
    scene::Engine engine;
    host::Document doc{&engine, engine.newDocument()};
    host::PolygonObject mesh(host::Object(&engine, engine.allocObject(host::type::Polygon)));
    doc.insertLast(mesh);
    mesh.setMesh(sphere.points, sphere.polygons);
    mesh.modelingCommand(host::mcommand::Triangulate, host::mcommandmode::All);
    TriangleMesh out;
    out.points.assign(mesh.points().begin(), mesh.points().end());
    for (const host::Polygon& p : mesh.polygons())
        out.triangles.push_back({p.a, p.b, p.c});
    return out;
}

double triangleArea(const Vector& a, const Vector& b, const Vector& c) {
    return host::length(host::cross(b - a, c - a)) / 2;
}

double areaInFront(const TriangleMesh& mesh, const Plane& plane) {
    double total = 0.0;
    for (const auto& t : mesh.triangles) {
        Vector kept[4];
        int n = 0;
        for (int i = 0; i < 3; ++i) {
            const Vector& p = mesh.points[static_cast<size_t>(t[static_cast<size_t>(i)])];
            const Vector& q = mesh.points[static_cast<size_t>(t[static_cast<size_t>((i + 1) % 3)])];
            const double dp = host::dot(p - plane.origin, plane.normal),
                         dq = host::dot(q - plane.origin, plane.normal);
            if (dp >= 0) kept[n++] = p;
            if ((dp < 0) != (dq < 0)) kept[n++] = p + (q - p) * (dp / (dp - dq));
        }
        for (int i = 1; i + 1 < n; ++i)
            total += triangleArea(kept[0], kept[i], kept[i + 1]);
    }
    return total;
}

} // namespace flumpet::compare
