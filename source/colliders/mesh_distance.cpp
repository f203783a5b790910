#include "colliders/mesh_distance.h"

#include "host/geometry.h"

namespace flumpet {

MeshDistance meshDistance(const host::Object& object, const host::Object& mesh) {
    host::Host* host = mesh.host() ? mesh.host() : object.host();
    if (!host) return {};
    if (!mesh.isInstanceOf(host::type::Polygon)) {
        host->consoleLine("Flumpet Error: node is not IsInstanceOf(Opolygon)");
        return {};
    }
    const host::Object cache = mesh.deformCache();
    const host::Object target = cache.alive() ? cache : mesh;
    auto query = host->geometry().newDistanceQuery();
    if (!query || !query->init(target.id())) {
        host->consoleLine("Failed to initialize DistanceQueryInterfacae for " + target.name());
        return {};
    }
    host::MeshPrimitiveInfo info;
    info.type = host::meshprimitive::Polygon;
    double distance = 0.0;
    if (!query->closestMeshPrimitive(object.globalPosition(), info, distance)) return {};
    // The query numbers a quad's two triangles apart: +(index + 1) and -(index + 1).
    const int64_t polygon = info.k < 0 ? -1 - info.k : info.k - 1;
    return {static_cast<float>(distance), polygon};
}

} // namespace flumpet
