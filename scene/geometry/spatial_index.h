// A bounding-volume hierarchy over a mesh's triangles (Embree), for rays and closest points.
//
// Built once per mesh state: the cache hands out the same index for the same geometry stamp and
// placement until the mesh changes. Embree works in single precision; hits are refined in double
// precision on the triangles' planes and closest points on the mesh's own triangles.
#pragma once

#include "host/geometry.h"
#include "scene/geometry/huge_page_array.h"
#include "scene/geometry/payloads.h"

#include <cstdint>
#include <list>
#include <memory>
#include <span>
#include <vector>

namespace flumpet::scene {

class EmbreeDevice;

class SpatialIndex {
  public:
    ~SpatialIndex();
    SpatialIndex(const SpatialIndex&) = delete;
    SpatialIndex& operator=(const SpatialIndex&) = delete;

    /// Null when the device cannot build (the queries then find nothing).
    static std::unique_ptr<SpatialIndex> build(EmbreeDevice& device, const MeshPayload& mesh,
                                               const Matrix& placement);

    bool empty() const { return triangleCount() == 0; }
    size_t triangleCount() const { return allTriangles_ ? polygons_.size() : triangles_.size(); }
    /// Nearest hit along a unit direction within length; with testOnly, hit or miss only (out
    /// untouched).
    bool intersect(const Vector& origin, const Vector& unitDirection, double length, bool testOnly,
                   host::RayHit& out) const;

    struct Closest {
        double distance = 0.0;
        Vector point;
        /// Polygon index + 1, negated for a quad's second triangle.
        int64_t k = 0;
    };
    bool closest(const Vector& point, Closest& out) const;

  private:
    SpatialIndex() = default;

    struct Triangle {
        int32_t a, b, c;
        /// Polygon index + 1, negated for a quad's second triangle (a, c, d). 32 bits keep a
        /// record at 16 bytes: a million-triangle index touches less fresh memory.
        int32_t k;
    };
    /// The plane of an Embree triangle in double precision, normal scaled by twice the area.
    /// A hit reads this one record instead of the polygon and then its three points: at a
    /// million triangles each of those reads is a miss, and together they cost more than the
    /// whole traversal.
    struct alignas(32) HitPlane {
        Vector normal;
        double offset; // dot(normal, first corner)
    };
    static_assert(sizeof(HitPlane) == 32, "one record, half a cache line");

    /// Embree's triangle primID.
    Triangle triangle(unsigned primID) const {
        if (!allTriangles_) return triangles_[primID];
        const Polygon& p = polygons_[primID];
        return {p.a, p.b, p.c, static_cast<int32_t>(primID) + 1};
    }

    void* scene_ = nullptr; // RTCScene
    /// The mesh's own points when it is indexed where it stands (shared, not copied), else the
    /// points as placed.
    SharedArray<Vector> points_;
    /// A mesh of triangles only is indexed straight from its own polygon array (shared, and
    /// read by Embree in place): no triangle records at all.
    bool allTriangles_ = false;
    SharedArray<Polygon> polygons_;
    std::vector<Triangle> triangles_;
    /// By Embree's triangle primID.
    HugePageArray<HitPlane> planes_;

    friend struct ClosestSearch;
};

/// The closest point of the mesh as placed, found by visiting every triangle: for the first few
/// queries on a mesh state far cheaper than building an index. Answers as SpatialIndex::closest
/// does, ties included.
bool closestByScan(std::span<const Vector> points, std::span<const Polygon> polygons, const Matrix& placement,
                   const Vector& point, SpatialIndex::Closest& out);

/// The Embree device, made on first use.
class EmbreeDevice {
  public:
    EmbreeDevice() = default;
    ~EmbreeDevice();
    EmbreeDevice(const EmbreeDevice&) = delete;
    EmbreeDevice& operator=(const EmbreeDevice&) = delete;
    /// The RTCDevice, null when it cannot be made.
    void* get();

  private:
    void* device_ = nullptr;
    bool failed_ = false;
};

/// Keeps the indices of the last few mesh states.
class SpatialIndexCache {
  public:
    explicit SpatialIndexCache(size_t capacity = 8) : capacity_(capacity) {}
    /// The index of the mesh as placed by placement (identity for object coordinates).
    std::shared_ptr<const SpatialIndex> get(const MeshPayload& mesh, const Matrix& placement);
    /// The index when one is kept already, else null (nothing is built).
    std::shared_ptr<const SpatialIndex> find(const MeshPayload& mesh, const Matrix& placement);
    void clear() { entries_.clear(); }
    /// How many indices were built (for tests of the cache).
    uint64_t builds() const { return builds_; }

  private:
    struct Entry {
        uint64_t stamp;
        Matrix placement;
        std::shared_ptr<const SpatialIndex> index;
    };
    EmbreeDevice device_;
    std::list<Entry> entries_; // most recent first
    size_t capacity_;
    uint64_t builds_ = 0;
};

} // namespace flumpet::scene
