// Closed triangle surfaces from signed distance fields, for generated sample characters.
#pragma once

#include "host/math.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace flumpet::app {

struct TriangleMesh {
    std::vector<host::Vector> points;
    /// Counter-clockwise seen from outside.
    std::vector<std::array<int32_t, 3>> triangles;
};

/// A signed field: negative inside the solid, positive outside (scene units).
using SignedField = std::function<double(const host::Vector&)>;

/// The zero set of the field inside the box [lo, hi], sampled on a grid of the given spacing
/// and cut into triangles cell by cell (six tetrahedra per cell, so that neighbouring cells
/// always agree and the surface has no cracks). Points on a shared edge are shared. Blocks of
/// cells farther from the surface than `lipschitz` x their size allows are skipped, so the cost
/// follows the surface, not the box. The solid must not touch the box.
TriangleMesh polygonise(const SignedField& field, const host::Vector& lo, const host::Vector& hi, double spacing,
                        double lipschitz = 1.25);

/// Drops every connected piece but the one with the most triangles, and the points it leaves
/// unused.
void keepLargestPiece(TriangleMesh& mesh);

} // namespace flumpet::app
