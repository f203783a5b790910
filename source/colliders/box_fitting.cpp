#include "colliders/box_fitting.h"

#include "host/geometry.h"
#include "random.h"

#include <algorithm>
#include <array>

namespace flumpet {

using host::DescID;
using host::Vector;

namespace {

constexpr float FirstDistance = 100.0F;
constexpr float NoNearestDistance = 5.0F;
constexpr double RayLength = 555.0;
constexpr double DirectionScale = 10.0;
constexpr int Rounds = 20;

/// A scatter factor in [-0.4, 0.4], in single precision.
float scatter() {
    return static_cast<float>(nextRandom()) / 40958.75F - 0.4F;
}

/// Casts along direction, then against it; appends the nearest hit's distance to the list.
void castBothWays(host::RayCollider* collider, const Vector& origin, const Vector& direction,
                  std::vector<float>& list) {
    if (!collider) return;
    if (!collider->intersect(origin, direction, RayLength, false) &&
        !collider->intersect(origin, -direction, RayLength, false))
        return;
    host::RayHit hit;
    list.push_back(collider->nearestIntersection(hit) ? static_cast<float>(host::distanceSingle(hit.position, origin))
                                                      : NoNearestDistance);
}

std::unique_ptr<host::RayCollider> colliderOn(host::Host& host, const host::Object& target) {
    auto collider = host.geometry().newRayCollider();
    if (collider && !collider->init(target.id(), true)) collider.reset();
    return collider;
}

} // namespace

FittingLists& fittingLists() {
    static FittingLists lists;
    return lists;
}

std::optional<float> fittedHalfWidth(const std::vector<float>& list) {
    if (std::all_of(list.begin(), list.end(), [](float d) { return d == FirstDistance; })) return std::nullopt;
    return *std::min_element(list.begin(), list.end());
}

FittingLists geRaySolver(const host::Object&, const host::Object& mesh, const host::Object& box) {
    FittingLists& lists = fittingLists();
    lists.x.push_back(FirstDistance);
    lists.z.push_back(FirstDistance);
    host::Host* host = mesh.host() ? mesh.host() : box.host();
    if (!host) return lists;

    const host::Object cache = mesh.deformCache();
    const host::Object target = cache.alive() ? cache : mesh;
    const host::Matrix boxMatrix = box.globalMatrix();
    const host::Matrix meshMatrix = mesh.globalMatrix();
    // Rays run in the mesh's own coordinates.
    const Vector origin = host::inverse(meshMatrix) * boxMatrix.off;
    const host::Matrix toMeshAxes = host::inverse(host::axesOnly(meshMatrix));

    auto alongX = colliderOn(*host, target);
    auto alongZ = colliderOn(*host, target);
    for (int round = 0; round < Rounds; ++round) {
        const float r1 = scatter(), r2 = scatter(), r3 = scatter(), r4 = scatter();
        const Vector dx = (boxMatrix.v1 + boxMatrix.v2 * r2 + boxMatrix.v3 * r1) * DirectionScale;
        const Vector dz = (boxMatrix.v1 * r4 + boxMatrix.v2 * r3 + boxMatrix.v3) * DirectionScale;
        castBothWays(alongX.get(), origin, toMeshAxes.transformDirection(dx), lists.x);
        castBothWays(alongZ.get(), origin, toMeshAxes.transformDirection(dz), lists.z);
    }
    return lists;
}

float simpleSolver(const host::Object& box) {
    const host::Tag tag = box.tag(host::tagtype::Constraint);
    if (!box.alive() || !tag.alive()) return 1.0F;
    host::Host& host = *box.host();
    const host::Document doc = box.document();
    // The tag's switch and measured value and the box's size change; nothing is made.
    doc.addUndo(host::undo::ChangeSmall, tag);
    doc.addUndo(host::undo::ChangeSmall, box);
    tag.setParameter(DescID(host::constraint::Measure), int32_t{1});
    host.updateScene(doc.id());
    const auto measured = static_cast<float>(
        tag.data().getContainer(host::constraint::ClampSettings).getFloat(host::constraint::MeasuredDistance));
    const double width = static_cast<double>(3.0F * measured);
    box.setParameter(DescID({host::primitive::CubeSize}, {host::param::VectorX}), width);
    box.setParameter(DescID({host::primitive::CubeSize}, {host::param::VectorZ}), width);
    tag.setParameter(DescID(host::constraint::Measure), int32_t{0});
    host.updateScene(doc.id());
    return measured;
}

} // namespace flumpet
