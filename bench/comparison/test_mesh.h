// The closed triangle meshes every library gets, and the area a cut keeps.
#pragma once

#include "host/math.h"

#include <array>
#include <cstdint>
#include <vector>

namespace flumpet::compare {

using host::Vector;

struct TriangleMesh {
    std::vector<Vector> points;
    std::vector<std::array<int32_t, 3>> triangles;
};

/// The lumpy sphere of about `triangles` triangles, triangulated by our own command.
TriangleMesh closedMesh(int64_t triangles);

struct Plane {
    Vector origin;
    Vector normal;
};

/// Area of a triangle's corners (any winding).
double triangleArea(const Vector& a, const Vector& b, const Vector& c);

/// Area of the part of the mesh in front of the plane, each triangle clipped on its own: what
/// every cut must keep.
double areaInFront(const TriangleMesh& mesh, const Plane& plane);

} // namespace flumpet::compare
