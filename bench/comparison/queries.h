// The spatial queries being compared: building an index over a mesh, nearest ray hits and
// closest points; ours through the host's ray collider and distance query, raw Embree, and
// CGAL's AABB tree.
#pragma once

#include "test_mesh.h"

#include <memory>
#include <span>
#include <string>

namespace flumpet::compare {

/// What a batch of queries found, to check that the libraries agree.
struct QueryTotals {
    int hits = 0;
    double distance = 0.0;
};

class QueryLibrary {
  public:
    virtual ~QueryLibrary() = default;
    virtual std::string name() const = 0;
    /// Readies the mesh once per size; not timed.
    virtual void load(const TriangleMesh& mesh) = 0;
    /// Readies a fresh build (drops the last index); not timed.
    virtual void prepareBuild() {}
    /// The timed build of the index.
    virtual void build() = 0;
    /// Nearest hits of rays from one origin along unit directions, up to length.
    virtual QueryTotals rays(const Vector& origin, std::span<const Vector> directions, double length) = 0;
    /// Closest points of the mesh to each point.
    virtual QueryTotals closest(std::span<const Vector> points) = 0;
};

std::unique_ptr<QueryLibrary> ourQueries();
std::unique_ptr<QueryLibrary> embreeQueries();
std::unique_ptr<QueryLibrary> cgalQueries();

} // namespace flumpet::compare
