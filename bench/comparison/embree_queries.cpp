#include "queries.h"

#include "scene/geometry/triangle_math.h"

#include <embree3/rtcore.h>

#include <cmath>
#include <limits>
#include <stdexcept>

namespace flumpet::compare {

namespace {

// Embree called directly, with the scene settings our index uses: the floor any index over it
// can reach.
class EmbreeQueries final : public QueryLibrary {
  public:
    EmbreeQueries() : device_(rtcNewDevice(nullptr)) {
        if (!device_) throw std::runtime_error("no Embree device");
    }
    ~EmbreeQueries() override {
        if (scene_) rtcReleaseScene(scene_);
        rtcReleaseDevice(device_);
    }

    std::string name() const override { return "raw Embree"; }
    void load(const TriangleMesh& mesh) override { mesh_ = &mesh; }

    void prepareBuild() override {
        if (scene_) rtcReleaseScene(scene_);
        scene_ = nullptr;
    }

    void build() override {
        scene_ = rtcNewScene(device_);
        rtcSetSceneFlags(scene_, RTC_SCENE_FLAG_ROBUST);
        RTCGeometry geometry = rtcNewGeometry(device_, RTC_GEOMETRY_TYPE_TRIANGLE);
        vertices_ = static_cast<float*>(rtcSetNewGeometryBuffer(
            geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 3 * sizeof(float), mesh_->points.size()));
        indices_ = static_cast<unsigned*>(rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_INDEX, 0,
                                                                  RTC_FORMAT_UINT3, 3 * sizeof(unsigned),
                                                                  mesh_->triangles.size()));
        for (size_t i = 0; i < mesh_->points.size(); ++i) {
            vertices_[3 * i] = static_cast<float>(mesh_->points[i].x);
            vertices_[3 * i + 1] = static_cast<float>(mesh_->points[i].y);
            vertices_[3 * i + 2] = static_cast<float>(mesh_->points[i].z);
        }
        for (size_t i = 0; i < mesh_->triangles.size(); ++i)
            for (size_t k = 0; k < 3; ++k)
                indices_[3 * i + k] = static_cast<unsigned>(mesh_->triangles[i][k]);
        rtcCommitGeometry(geometry);
        rtcAttachGeometry(scene_, geometry);
        rtcReleaseGeometry(geometry);
        rtcCommitScene(scene_);
    }

    QueryTotals rays(const Vector& origin, std::span<const Vector> directions, double length) override {
        QueryTotals totals;
        for (const Vector& d : directions) {
            RTCIntersectContext context;
            rtcInitIntersectContext(&context);
            RTCRayHit rayHit{};
            rayHit.ray.org_x = static_cast<float>(origin.x);
            rayHit.ray.org_y = static_cast<float>(origin.y);
            rayHit.ray.org_z = static_cast<float>(origin.z);
            rayHit.ray.dir_x = static_cast<float>(d.x);
            rayHit.ray.dir_y = static_cast<float>(d.y);
            rayHit.ray.dir_z = static_cast<float>(d.z);
            rayHit.ray.tfar = static_cast<float>(length);
            rayHit.ray.mask = ~0u;
            rayHit.hit.geomID = RTC_INVALID_GEOMETRY_ID;
            rtcIntersect1(scene_, &context, &rayHit);
            if (rayHit.hit.geomID == RTC_INVALID_GEOMETRY_ID) continue;
            ++totals.hits;
            totals.distance += rayHit.ray.tfar;
        }
        return totals;
    }

    QueryTotals closest(std::span<const Vector> points) override {
        QueryTotals totals;
        for (const Vector& p : points) {
            RTCPointQuery query{};
            query.x = static_cast<float>(p.x);
            query.y = static_cast<float>(p.y);
            query.z = static_cast<float>(p.z);
            query.radius = std::numeric_limits<float>::infinity();
            RTCPointQueryContext context;
            rtcInitPointQueryContext(&context);
            Search search{this, p};
            rtcPointQuery(scene_, &query, &context, &Search::visit, &search);
            if (!std::isfinite(search.best2)) continue;
            ++totals.hits;
            totals.distance += std::sqrt(search.best2);
        }
        return totals;
    }

  private:
    struct Search {
        const EmbreeQueries* self;
        Vector point;
        double best2 = std::numeric_limits<double>::infinity();

        static bool visit(RTCPointQueryFunctionArguments* args) {
            auto* s = static_cast<Search*>(args->userPtr);
            const unsigned* t = s->self->indices_ + 3 * args->primID;
            const auto corner = [&](int k) {
                const float* v = s->self->vertices_ + 3 * t[k];
                return Vector{v[0], v[1], v[2]};
            };
            const Vector q = scene::closestPointOnTriangle(s->point, corner(0), corner(1), corner(2));
            const double d2 = host::dot(q - s->point, q - s->point);
            if (d2 >= s->best2) return false;
            s->best2 = d2;
            args->query->radius = static_cast<float>(std::sqrt(d2));
            return true;
        }
    };

    RTCDevice device_;
    RTCScene scene_ = nullptr;
    const TriangleMesh* mesh_ = nullptr;
    float* vertices_ = nullptr;
    unsigned* indices_ = nullptr;
};

} // namespace

std::unique_ptr<QueryLibrary> embreeQueries() {
    return std::make_unique<EmbreeQueries>();
}

} // namespace flumpet::compare
