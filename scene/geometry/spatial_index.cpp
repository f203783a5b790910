#include "scene/geometry/spatial_index.h"

#include "scene/geometry/mesh_adjacency.h"
#include "scene/geometry/triangle_math.h"

#include <embree3/rtcore.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

namespace flumpet::scene {

namespace {

/// Indices beyond this many triangles in all are dropped, oldest first (the newest stays).
constexpr size_t TriangleBudget = 4'000'000;

RTCScene sceneOf(void* p) {
    return static_cast<RTCScene>(p);
}

} // namespace

// --- Device -----------------------------------------------------------------------------------

EmbreeDevice::~EmbreeDevice() {
    if (device_) rtcReleaseDevice(static_cast<RTCDevice>(device_));
}

void* EmbreeDevice::get() {
    if (!device_ && !failed_) {
        device_ = rtcNewDevice(nullptr);
        failed_ = device_ == nullptr;
    }
    return device_;
}

// --- Index ------------------------------------------------------------------------------------

SpatialIndex::~SpatialIndex() {
    if (scene_) rtcReleaseScene(sceneOf(scene_));
}

std::unique_ptr<SpatialIndex> SpatialIndex::build(EmbreeDevice& device, const MeshPayload& mesh,
                                                  const Matrix& placement) {
    auto rtcDevice = static_cast<RTCDevice>(device.get());
    if (!rtcDevice) return nullptr;
    std::unique_ptr<SpatialIndex> index(new SpatialIndex());
    if (placement == Matrix{}) {
        index->points_ = mesh.points;
    } else {
        std::vector<Vector> placed;
        placed.reserve(mesh.points.size());
        for (const Vector& p : mesh.points)
            placed.push_back(placement * p);
        index->points_ = std::move(placed);
    }
    // Polygon numbers + 1 must fit the triangle record.
    if (mesh.polygons.size() >= static_cast<size_t>(std::numeric_limits<int32_t>::max())) return nullptr;
    index->allTriangles_ = std::all_of(mesh.polygons.begin(), mesh.polygons.end(),
                                       [](const Polygon& p) { return p.isTriangle(); });
    if (index->allTriangles_) {
        index->polygons_ = mesh.polygons;
    } else {
        index->triangles_.reserve(mesh.polygons.size() * 2);
        for (size_t i = 0; i < mesh.polygons.size(); ++i) {
            const Polygon& p = mesh.polygons[i];
            const auto k = static_cast<int32_t>(i) + 1;
            index->triangles_.push_back({p.a, p.b, p.c, k});
            if (!p.isTriangle()) index->triangles_.push_back({p.a, p.c, p.d, -k});
        }
    }

    index->planes_ = HugePageArray<HitPlane>(index->triangleCount());
    for (size_t i = 0; i < index->planes_.size(); ++i) {
        const Triangle t = index->triangle(static_cast<unsigned>(i));
        const Vector& a = index->points_[static_cast<size_t>(t.a)];
        const Vector& b = index->points_[static_cast<size_t>(t.b)];
        const Vector& c = index->points_[static_cast<size_t>(t.c)];
        const Vector normal = host::cross(b - a, c - a);
        index->planes_[i] = {normal, host::dot(normal, a)};
    }

    RTCScene scene = rtcNewScene(rtcDevice);
    if (!scene) return nullptr;
    index->scene_ = scene;
    rtcSetSceneFlags(scene, RTC_SCENE_FLAG_ROBUST);
    if (!index->empty()) {
        RTCGeometry geometry = rtcNewGeometry(rtcDevice, RTC_GEOMETRY_TYPE_TRIANGLE);
        if (!geometry) return nullptr;
        auto* vertices = static_cast<float*>(rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_VERTEX, 0,
                                                                     RTC_FORMAT_FLOAT3, 3 * sizeof(float),
                                                                     index->points_.size()));
        unsigned* indices = nullptr;
        if (index->allTriangles_) {
            // A triangle's a, b, c lead its record: Embree reads them in place, stepping over d.
            static_assert(sizeof(Polygon) == 4 * sizeof(int32_t) && offsetof(Polygon, a) == 0);
            rtcSetSharedGeometryBuffer(geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3,
                                       index->polygons_.data(), 0, sizeof(Polygon), index->polygons_.size());
        } else {
            indices = static_cast<unsigned*>(rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_INDEX, 0,
                                                                     RTC_FORMAT_UINT3, 3 * sizeof(unsigned),
                                                                     index->triangles_.size()));
        }
        if (!vertices || (!index->allTriangles_ && !indices)) {
            rtcReleaseGeometry(geometry);
            return nullptr;
        }
        for (size_t i = 0; i < index->points_.size(); ++i) {
            vertices[3 * i] = static_cast<float>(index->points_[i].x);
            vertices[3 * i + 1] = static_cast<float>(index->points_[i].y);
            vertices[3 * i + 2] = static_cast<float>(index->points_[i].z);
        }
        for (size_t i = 0; indices && i < index->triangles_.size(); ++i) {
            indices[3 * i] = static_cast<unsigned>(index->triangles_[i].a);
            indices[3 * i + 1] = static_cast<unsigned>(index->triangles_[i].b);
            indices[3 * i + 2] = static_cast<unsigned>(index->triangles_[i].c);
        }
        rtcCommitGeometry(geometry);
        rtcAttachGeometry(scene, geometry);
        rtcReleaseGeometry(geometry);
    }
    rtcCommitScene(scene);
    if (rtcGetDeviceError(rtcDevice) != RTC_ERROR_NONE) return nullptr;
    return index;
}

bool SpatialIndex::intersect(const Vector& origin, const Vector& direction, double length, bool testOnly,
                             host::RayHit& out) const {
    if (empty() || !(length > 0.0) || !host::isFinite(origin) || !host::isFinite(direction)) return false;
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    RTCRayHit rayHit{};
    RTCRay& ray = rayHit.ray;
    ray.org_x = static_cast<float>(origin.x);
    ray.org_y = static_cast<float>(origin.y);
    ray.org_z = static_cast<float>(origin.z);
    ray.dir_x = static_cast<float>(direction.x);
    ray.dir_y = static_cast<float>(direction.y);
    ray.dir_z = static_cast<float>(direction.z);
    ray.tnear = 0.0f;
    ray.tfar = std::isfinite(length) ? static_cast<float>(length) : std::numeric_limits<float>::infinity();
    ray.mask = ~0u;
    if (testOnly) {
        rtcOccluded1(sceneOf(scene_), &context, &ray);
        return ray.tfar < 0.0f;
    }
    rayHit.hit.geomID = RTC_INVALID_GEOMETRY_ID;
    rayHit.hit.primID = RTC_INVALID_GEOMETRY_ID;
    rtcIntersect1(sceneOf(scene_), &context, &rayHit);
    if (rayHit.hit.geomID == RTC_INVALID_GEOMETRY_ID) return false;

    const unsigned primID = rayHit.hit.primID;
    const HitPlane& plane = planes_[primID];
    const double along = host::dot(plane.normal, direction);
    // The single-precision distance, refined on the exact plane; a ray along the plane, or a
    // degenerate triangle, keeps Embree's answer.
    double t = ray.tfar;
    const double exact = (plane.offset - host::dot(plane.normal, origin)) / along;
    if (std::isfinite(exact) && std::abs(exact - t) <= 1e-3 * std::max(1.0, t)) t = exact;
    t = std::clamp(t, 0.0, length);
    out.distance = t;
    out.position = origin + direction * t;
    // A mesh of triangles only numbers its triangles as its polygons: no polygon read.
    out.polygon = allTriangles_ ? static_cast<int32_t>(primID) : std::abs(triangles_[primID].k) - 1;
    out.backface = along > 0.0;
    return true;
}

struct ClosestSearch {
    const SpatialIndex* index = nullptr;
    Vector point;
    double best2 = std::numeric_limits<double>::infinity();
    Vector bestPoint;
    int64_t k = 0;

    static bool visit(RTCPointQueryFunctionArguments* args) {
        auto* self = static_cast<ClosestSearch*>(args->userPtr);
        const SpatialIndex::Triangle tri = self->index->triangle(args->primID);
        const auto& pts = self->index->points_;
        const Vector q =
            closestPointOnTriangle(self->point, pts[static_cast<size_t>(tri.a)],
                                   pts[static_cast<size_t>(tri.b)], pts[static_cast<size_t>(tri.c)]);
        const Vector d = q - self->point;
        const double d2 = host::dot(d, d);
        // Ties go to the lower polygon, then to its first triangle, whatever the visiting order.
        const auto rank = [](int64_t k) { return 2 * std::abs(k) + (k < 0 ? 1 : 0); };
        if (d2 < self->best2 || (d2 == self->best2 && rank(tri.k) < rank(self->k))) {
            self->best2 = d2;
            self->bestPoint = q;
            self->k = tri.k;
            // Shrink the search, rounding up so that single precision never cuts off a tie.
            const auto radius =
                std::nextafter(static_cast<float>(std::sqrt(d2)), std::numeric_limits<float>::max());
            if (radius < args->query->radius) {
                args->query->radius = radius;
                return true;
            }
        }
        return false;
    }
};

bool SpatialIndex::closest(const Vector& point, Closest& out) const {
    if (empty() || !host::isFinite(point)) return false;
    RTCPointQuery query{};
    query.x = static_cast<float>(point.x);
    query.y = static_cast<float>(point.y);
    query.z = static_cast<float>(point.z);
    query.time = 0.0f;
    query.radius = std::numeric_limits<float>::infinity();
    RTCPointQueryContext context;
    rtcInitPointQueryContext(&context);
    ClosestSearch search;
    search.index = this;
    search.point = point;
    rtcPointQuery(sceneOf(scene_), &query, &context, &ClosestSearch::visit, &search);
    if (search.k == 0) return false;
    out.distance = std::sqrt(search.best2);
    out.point = search.bestPoint;
    out.k = search.k;
    return true;
}

// --- Scan -------------------------------------------------------------------------------------

namespace {

/// Squared distance from p to the box around a, b, c: never more than to the triangle.
double boxDistance2(const Vector& p, const Vector& a, const Vector& b, const Vector& c) {
    const auto axis = [](double q, double x, double y, double z) {
        const double low = std::min({x, y, z}), high = std::max({x, y, z});
        const double d = q < low ? low - q : (q > high ? q - high : 0.0);
        return d * d;
    };
    return axis(p.x, a.x, b.x, c.x) + axis(p.y, a.y, b.y, c.y) + axis(p.z, a.z, b.z, c.z);
}

} // namespace

bool closestByScan(std::span<const Vector> points, std::span<const Polygon> polygons, const Matrix& placement,
                   const Vector& point, SpatialIndex::Closest& out) {
    if (!host::isFinite(point)) return false;
    const bool placed = !(placement == Matrix{});
    const auto corner = [&](int32_t i) {
        const Vector& p = points[static_cast<size_t>(i)];
        return placed ? placement * p : p;
    };
    double best2 = std::numeric_limits<double>::infinity();
    Vector bestPoint;
    int64_t bestK = 0;
    // Triangles are visited in rank order (a polygon's first triangle, then its second), so a
    // tie never replaces the lower rank: the rule the index applies explicitly.
    const auto visit = [&](const Vector& a, const Vector& b, const Vector& c, int64_t k) {
        // The box bound is a true lower bound; the margin keeps rounding from skipping a
        // triangle whose computed distance would come out just below it.
        if (boxDistance2(point, a, b, c) > best2 * (1.0 + 1e-9)) return;
        const Vector q = closestPointOnTriangle(point, a, b, c);
        const double d2 = host::dot(q - point, q - point);
        if (d2 < best2) {
            best2 = d2;
            bestPoint = q;
            bestK = k;
        }
    };
    for (size_t i = 0; i < polygons.size(); ++i) {
        const Polygon& p = polygons[i];
        const auto k = static_cast<int64_t>(i) + 1;
        const Vector a = corner(p.a), b = corner(p.b), c = corner(p.c);
        visit(a, b, c, k);
        if (!p.isTriangle()) visit(a, c, corner(p.d), -k);
    }
    if (bestK == 0) return false;
    out.distance = std::sqrt(best2);
    out.point = bestPoint;
    out.k = bestK;
    return true;
}

// --- Cache ------------------------------------------------------------------------------------

std::shared_ptr<const SpatialIndex> SpatialIndexCache::find(const MeshPayload& mesh,
                                                            const Matrix& placement) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->stamp == mesh.stamp && it->placement == placement) {
            entries_.splice(entries_.begin(), entries_, it);
            return entries_.front().index;
        }
    }
    return nullptr;
}

std::shared_ptr<const SpatialIndex> SpatialIndexCache::get(const MeshPayload& mesh, const Matrix& placement) {
    if (auto kept = find(mesh, placement)) return kept;
    std::shared_ptr<const SpatialIndex> index = SpatialIndex::build(device_, mesh, placement);
    if (!index) return nullptr;
    ++builds_;
    entries_.push_front({mesh.stamp, placement, index});
    size_t triangles = 0, kept = 0;
    for (auto it = entries_.begin(); it != entries_.end();) {
        triangles += it->index->triangleCount();
        ++kept;
        if (it != entries_.begin() && (triangles > TriangleBudget || kept > capacity_)) {
            triangles -= it->index->triangleCount();
            --kept;
            it = entries_.erase(it);
        } else {
            ++it;
        }
    }
    return index;
}

} // namespace flumpet::scene
