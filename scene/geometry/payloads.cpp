#include "scene/geometry/payloads.h"

#include "host/ids.h"

#include <algorithm>
#include <atomic>

namespace flumpet::scene {

uint64_t newGeometryStamp() {
    static std::atomic<uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

namespace {
template <typename T> void show(const SharedArray<T>& a, const ArrayVisitor& fn) {
    if (a.storage()) fn({a.storage(), a.bytes(), a.holders()});
}
} // namespace

void MeshPayload::visitArrays(const ArrayVisitor& fn) const {
    show(points, fn);
    show(polygons, fn);
    if (deformed) show(*deformed, fn);
}

void SplinePayload::visitArrays(const ArrayVisitor& fn) const { show(points, fn); }

void WeightPayload::visitArrays(const ArrayVisitor& fn) const {
    for (const Joint& j : joints) show(j.weights, fn);
}

std::unique_ptr<Payload> makeGeometryPayload(NodeKind kind, int32_t type) {
    if (kind == NodeKind::Object && type == host::type::Polygon) return std::make_unique<MeshPayload>();
    if (kind == NodeKind::Object && type == host::type::Spline) return std::make_unique<SplinePayload>();
    if (kind == NodeKind::Tag && type == host::tagtype::Weight) return std::make_unique<WeightPayload>();
    return nullptr;
}

MeshPayload* meshOf(Node* node) {
    if (!node || !node->isObject() || node->type != host::type::Polygon) return nullptr;
    return dynamic_cast<MeshPayload*>(node->payload.get());
}

SplinePayload* splineOf(Node* node) {
    if (!node || !node->isObject() || node->type != host::type::Spline) return nullptr;
    return dynamic_cast<SplinePayload*>(node->payload.get());
}

WeightPayload* weightsOf(Node* node) {
    if (!node || !node->isTag() || node->type != host::tagtype::Weight) return nullptr;
    return dynamic_cast<WeightPayload*>(node->payload.get());
}

bool polygonInRange(const Polygon& p, size_t pointCount) {
    const auto ok = [&](int32_t i) { return i >= 0 && static_cast<size_t>(i) < pointCount; };
    return ok(p.a) && ok(p.b) && ok(p.c) && ok(p.d);
}

bool allFinite(std::span<const Vector> points) {
    return std::all_of(points.begin(), points.end(), [](const Vector& v) { return host::isFinite(v); });
}

} // namespace flumpet::scene
