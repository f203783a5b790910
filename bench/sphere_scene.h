// An engine with one document holding the benchmarks' lumpy sphere, triangulated.
#pragma once

#include "host/geometry_handles.h"
#include "scene/engine.h"
#include "sphere_mesh.h"

namespace flumpet::bench {

struct SphereScene {
    scene::Engine engine;
    host::Document doc{&engine, engine.newDocument()};
    host::PolygonObject mesh;

    explicit SphereScene(int64_t triangles) {
        const SphereMesh sphere = lumpySphere(triangles);
        mesh = host::PolygonObject(host::Object(&engine, engine.allocObject(host::type::Polygon)));
        doc.insertLast(mesh);
        mesh.setMesh(sphere.points, sphere.polygons);
        mesh.modelingCommand(host::mcommand::Triangulate, host::mcommandmode::All);
    }
    /// Bytes of the mesh's points and polygons.
    double meshBytes() const {
        return double(mesh.points().size() * sizeof(host::Vector) + mesh.polygons().size() * sizeof(host::Polygon));
    }
};

} // namespace flumpet::bench
