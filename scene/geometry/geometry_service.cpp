#include "scene/geometry/geometry_service.h"

#include "host/ids.h"
#include "scene/engine.h"
#include "scene/geometry/modeling_commands.h"
#include "scene/geometry/modeling_kernel.h"
#include "scene/geometry/payloads.h"
#include "scene/geometry/spline_eval.h"

#include <algorithm>
#include <cmath>

namespace flumpet::scene {

using host::WeightEntry;

namespace {

// --- Queries ----------------------------------------------------------------------------------

class EngineRayCollider final : public host::RayCollider {
  public:
    EngineRayCollider(Engine& engine, SpatialIndexCache& indices) : engine_(engine), indices_(indices) {}

    bool init(NodeId object, bool) override {
        index_.reset();
        hit_.reset();
        const MeshPayload* m = meshOf(engine_.find(object));
        if (!m) return false;
        index_ = indices_.get(*m, Matrix{});
        return index_ != nullptr;
    }

    bool intersect(const Vector& origin, const Vector& direction, double length, bool testOnly) override {
        hit_.reset();
        const Vector unit = host::normalise(direction);
        if (!index_ || unit == Vector{} || !host::isFinite(unit)) return false;
        host::RayHit hit;
        if (!index_->intersect(origin, unit, length, testOnly, hit)) return false;
        if (!testOnly) hit_ = hit;
        return true;
    }

    bool nearestIntersection(host::RayHit& out) const override {
        if (!hit_) return false;
        out = *hit_;
        return true;
    }

  private:
    Engine& engine_;
    SpatialIndexCache& indices_;
    // A snapshot of the mesh's index: it stays valid whatever happens to the mesh later.
    std::shared_ptr<const SpatialIndex> index_;
    std::optional<host::RayHit> hit_;
};

/// True when m scales every distance by the same factor (rotation, mirror, uniform scale).
bool isSimilarity(const Matrix& m, double& scale) {
    const double a = host::length(m.v1), b = host::length(m.v2), c = host::length(m.v3);
    scale = a;
    if (a == 0.0) return false;
    const double tolerance = 1e-9 * a;
    const double t2 = 1e-9 * a * a;
    return std::abs(a - b) <= tolerance && std::abs(a - c) <= tolerance &&
           std::abs(host::dot(m.v1, m.v2)) <= t2 && std::abs(host::dot(m.v2, m.v3)) <= t2 &&
           std::abs(host::dot(m.v3, m.v1)) <= t2;
}

class EngineDistanceQuery final : public host::DistanceQuery {
  public:
    EngineDistanceQuery(Engine& engine, SpatialIndexCache& indices) : engine_(engine), indices_(indices) {}

    bool init(NodeId mesh) override {
        index_.reset();
        snapshot_.points.clear();
        snapshot_.polygons.clear();
        scans_ = 0;
        ready_ = false;
        const MeshPayload* m = meshOf(engine_.find(mesh));
        if (!m) return false;
        ready_ = true;
        placement_ = engine_.globalMatrix(mesh);
        // A rigid (or uniformly scaled) placement reuses the index in object coordinates;
        // any other is indexed as placed.
        placed_ = !isSimilarity(placement_, scale_);
        if (!placed_) inverse_ = host::inverse(placement_);
        indexPlacement_ = placed_ ? placement_ : Matrix{};
        // The index is built only once the queries have earned it (see closest); until then
        // the query holds the mesh as it is now.
        index_ = indices_.find(*m, indexPlacement_);
        if (!index_) {
            snapshot_.points = m->points;
            snapshot_.polygons = m->polygons;
            snapshot_.stamp = m->stamp;
        }
        return true;
    }

    bool closestMeshPrimitive(const Vector& point, host::MeshPrimitiveInfo& info,
                              double& distance) const override {
        if (!ready_ || info.type != host::meshprimitive::Polygon) return false;
        SpatialIndex::Closest found;
        if (placed_) {
            if (!closest(point, found)) return false;
            info.point = found.point;
            distance = found.distance;
        } else {
            if (!closest(inverse_ * point, found)) return false;
            info.point = placement_ * found.point;
            distance = found.distance * scale_;
        }
        info.k = found.k;
        return true;
    }

  private:
    /// A scan costs a few per cent of an index build: a mesh asked once or twice (the
    /// nearest part of each piece a bone is cut into) never pays for an index.
    static constexpr int ScansBeforeIndex = 8;

    /// In the index's coordinates.
    bool closest(const Vector& point, SpatialIndex::Closest& found) const {
        if (!index_ && scans_ >= ScansBeforeIndex) {
            index_ = indices_.get(snapshot_, indexPlacement_);
            // Without an index (no device) every query scans.
            if (index_) {
                snapshot_.points.clear();
                snapshot_.polygons.clear();
            }
        }
        if (index_) return index_->closest(point, found);
        ++scans_;
        return closestByScan(snapshot_.points, snapshot_.polygons, indexPlacement_, point, found);
    }

    Engine& engine_;
    SpatialIndexCache& indices_;
    // Built on demand by a const query, hence mutable.
    mutable std::shared_ptr<const SpatialIndex> index_;
    mutable MeshPayload snapshot_;
    mutable int scans_ = 0;
    Matrix placement_, inverse_, indexPlacement_;
    double scale_ = 1.0;
    bool placed_ = false;
    bool ready_ = false;
};

class EngineSplineLengthMapper final : public host::SplineLengthMapper {
  public:
    explicit EngineSplineLengthMapper(Engine& engine) : engine_(engine) {}

    bool init(NodeId spline, int32_t segment) override {
        Node* n = engine_.find(spline);
        const SplinePayload* s = splineOf(n);
        SplineSegment view;
        if (!s || !splineSegment(*s, n->data, segment, view)) {
            table_ = {};
            return false;
        }
        table_ = ArcLengthTable(view);
        return true;
    }
    double uniformToNatural(double u) const override { return table_.uniformToNatural(u); }
    double length() const override { return table_.length(); }

  private:
    Engine& engine_;
    ArcLengthTable table_;
};

// --- Weights ----------------------------------------------------------------------------------

WeightPayload::Joint* jointAt(WeightPayload* w, int32_t index) {
    if (!w || index < 0 || static_cast<size_t>(index) >= w->joints.size()) return nullptr;
    return &w->joints[static_cast<size_t>(index)];
}

bool validWeight(double w) {
    return std::isfinite(w) && w >= 0.0;
}

} // namespace

// --- Polygon objects --------------------------------------------------------------------------

std::span<const Vector> GeometryService::points(NodeId object) {
    const MeshPayload* m = meshOf(engine_.find(object));
    return m ? std::span<const Vector>(m->points) : std::span<const Vector>{};
}

std::span<const host::Polygon> GeometryService::polygons(NodeId object) {
    const MeshPayload* m = meshOf(engine_.find(object));
    return m ? std::span<const host::Polygon>(m->polygons) : std::span<const host::Polygon>{};
}

bool GeometryService::setPoints(NodeId object, std::span<const Vector> points) {
    Node* n = engine_.find(object);
    MeshPayload* m = meshOf(n);
    if (!m || points.size() != m->points.size() || !allFinite(points)) return false;
    m->points.assign(points); // a copy first, so points may be a view of the mesh itself
    m->deformed.reset();
    m->touch();
    engine_.markDirty(n, host::dirty::Data);
    return true;
}

bool GeometryService::setMesh(NodeId object, std::span<const Vector> points,
                              std::span<const host::Polygon> polygons) {
    Node* n = engine_.find(object);
    MeshPayload* m = meshOf(n);
    if (!m || !allFinite(points)) return false;
    for (const auto& p : polygons)
        if (!polygonInRange(p, points.size())) return false;
    m->points.assign(points);
    m->polygons.assign(polygons);
    m->pointSelection.clear();
    m->polygonSelection.clear();
    m->deformed.reset();
    m->touch();
    engine_.markDirty(n, host::dirty::Data);
    return true;
}

host::Selection GeometryService::pointSelection(NodeId object) {
    const MeshPayload* m = meshOf(engine_.find(object));
    return m ? m->pointSelection : host::Selection{};
}

host::Selection GeometryService::polygonSelection(NodeId object) {
    const MeshPayload* m = meshOf(engine_.find(object));
    return m ? m->polygonSelection : host::Selection{};
}

bool GeometryService::setPointSelection(NodeId object, const host::Selection& selection) {
    Node* n = engine_.find(object);
    MeshPayload* m = meshOf(n);
    if (!m || static_cast<size_t>(selection.extent()) > m->points.size()) return false;
    m->pointSelection = selection;
    engine_.markDirty(n, host::dirty::Data);
    return true;
}

bool GeometryService::setPolygonSelection(NodeId object, const host::Selection& selection) {
    Node* n = engine_.find(object);
    MeshPayload* m = meshOf(n);
    if (!m || static_cast<size_t>(selection.extent()) > m->polygons.size()) return false;
    m->polygonSelection = selection;
    engine_.markDirty(n, host::dirty::Data);
    return true;
}

bool GeometryService::setDeformedPoints(NodeId object, std::span<const Vector> points) {
    Node* n = engine_.find(object);
    MeshPayload* m = meshOf(n);
    if (!m || points.size() != m->points.size() || !allFinite(points)) return false;
    m->deformed.emplace().assign(points);
    m->deformStamp = newGeometryStamp();
    engine_.markDirty(n, host::dirty::Cache);
    return true;
}

void GeometryService::clearDeformCache(NodeId object) {
    Node* n = engine_.find(object);
    MeshPayload* m = meshOf(n);
    if (!m || !m->deformed) return;
    m->deformed.reset();
    engine_.markDirty(n, host::dirty::Cache);
}

void GeometryService::dropCacheNode(const CacheNode& cache) {
    Node* c = engine_.find(cache.node);
    // A cache node that the caller inserted somewhere is theirs now.
    if (c && !c->document && !c->parent && !c->owner) engine_.destroySubtree(c);
}

NodeId GeometryService::deformCache(NodeId object) {
    for (auto it = deformCaches_.begin(); it != deformCaches_.end();) {
        if (engine_.find(it->first)) {
            ++it;
            continue;
        }
        dropCacheNode(it->second);
        it = deformCaches_.erase(it);
    }
    Node* n = engine_.find(object);
    const MeshPayload* m = meshOf(n);
    const auto known = deformCaches_.find(object);
    if (!m || !m->deformed) {
        if (known != deformCaches_.end()) {
            dropCacheNode(known->second);
            deformCaches_.erase(known);
        }
        return host::NoNode;
    }
    Node* cache = known != deformCaches_.end() ? engine_.find(known->second.node) : nullptr;
    const MeshPayload* cached = meshOf(cache);
    const bool current = cached && !cache->document && !cache->parent &&
                         known->second.stamp == m->deformStamp && cached->stamp == m->deformStamp;
    if (!current) {
        if (known != deformCaches_.end()) dropCacheNode(known->second);
        cache = engine_.createNode(NodeKind::Object, host::type::Polygon);
        auto mesh = std::make_unique<MeshPayload>();
        mesh->points = *m->deformed;
        mesh->polygons = m->polygons;
        mesh->pointSelection = m->pointSelection;
        mesh->polygonSelection = m->polygonSelection;
        mesh->stamp = m->deformStamp;
        cache->payload = std::move(mesh);
        deformCaches_[object] = {cache->id, m->deformStamp};
    }
    cache->name = n->name;
    cache->local = engine_.globalMatrix(object);
    return cache->id;
}

bool GeometryService::handleMessage(Node& node, int32_t type) {
    WeightPayload* w = weightsOf(&node);
    if (!w || type != host::msg::Update) return false;
    // Weights of points the mesh no longer has are dropped.
    if (const MeshPayload* m = meshOf(node.owner)) {
        const auto count = static_cast<int32_t>(m->points.size());
        for (auto& j : w->joints)
            if (!j.weights.empty() && j.weights.back().point >= count)
                std::erase_if(j.weights.edit(), [&](const WeightEntry& e) { return e.point >= count; });
    }
    engine_.markDirty(&node, host::dirty::Data);
    return true;
}

// --- Modeling ---------------------------------------------------------------------------------

host::ModelingResult GeometryService::modelingCommand(int32_t command, NodeId object, int32_t mode,
                                                      const Container& settings, NodeId doc) {
    Node* n = engine_.find(object);
    if (!meshOf(n)) return {};
    if (doc != host::NoNode && modelingCommandChangesObject(command) && n->document && n->document->id == doc)
        engine_.addUndo(doc, host::undo::Change, object);
    return runModelingCommand(engine_, command, *n, mode, settings, &adjacency_);
}

std::unique_ptr<host::ModelingTransaction> GeometryService::openModeling(NodeId object, int32_t) {
    return ModelingKernel::open(engine_, object);
}

std::unique_ptr<host::RayCollider> GeometryService::newRayCollider() {
    return std::make_unique<EngineRayCollider>(engine_, indices_);
}

std::unique_ptr<host::DistanceQuery> GeometryService::newDistanceQuery() {
    return std::make_unique<EngineDistanceQuery>(engine_, indices_);
}

// --- Splines ----------------------------------------------------------------------------------

std::span<const Vector> GeometryService::splinePoints(NodeId spline) {
    const SplinePayload* s = splineOf(engine_.find(spline));
    return s ? std::span<const Vector>(s->points) : std::span<const Vector>{};
}

std::span<const int32_t> GeometryService::splineSegmentSizes(NodeId spline) {
    const SplinePayload* s = splineOf(engine_.find(spline));
    return s ? std::span<const int32_t>(s->segments) : std::span<const int32_t>{};
}

bool GeometryService::setSpline(NodeId spline, std::span<const Vector> points,
                                std::span<const int32_t> segmentSizes) {
    Node* n = engine_.find(spline);
    SplinePayload* s = splineOf(n);
    if (!s || !allFinite(points)) return false;
    size_t total = 0;
    for (int32_t size : segmentSizes) {
        if (size < 1) return false;
        total += static_cast<size_t>(size);
    }
    if (!segmentSizes.empty() && total != points.size()) return false;
    s->points.assign(points);
    s->segments.assign(segmentSizes.begin(), segmentSizes.end());
    engine_.markDirty(n, host::dirty::Data);
    return true;
}

int32_t GeometryService::splineSegmentCount(NodeId spline) {
    const SplinePayload* s = splineOf(engine_.find(spline));
    return s ? scene::splineSegmentCount(*s) : 0;
}

Vector GeometryService::splinePoint(NodeId spline, int32_t segment, double t) {
    Node* n = engine_.find(spline);
    const SplinePayload* s = splineOf(n);
    SplineSegment view;
    if (!s || !splineSegment(*s, n->data, segment, view)) return {};
    return evaluateSegment(view, t);
}

std::unique_ptr<host::SplineLengthMapper> GeometryService::newSplineLengthMapper() {
    return std::make_unique<EngineSplineLengthMapper>(engine_);
}

// --- Joints -----------------------------------------------------------------------------------

bool GeometryService::bone(NodeId joint, Matrix& frame, double& length) {
    Node* j = engine_.find(joint);
    frame = Matrix{};
    length = 0.0;
    if (!j || !j->isObject() || j->type != host::type::Joint) return false;
    const Matrix m = engine_.globalMatrix(joint);
    const Node* child = j->firstChild;
    while (child && child->type != host::type::Joint)
        child = child->next;
    const Vector along = child ? engine_.globalMatrix(child->id).off - m.off : Vector{};
    length = host::length(along);
    if (length == 0.0 || !std::isfinite(length)) {
        length = 0.0;
        frame = {m.off, host::normalise(m.v1), host::normalise(m.v2), host::normalise(m.v3)};
        return true;
    }
    // Z along the bone; X as close to the joint's own X as the bone allows (its Y when X runs
    // along the bone).
    const Vector z = along / length;
    Vector x = host::normalise(m.v1 - z * host::dot(m.v1, z));
    if (host::length(x) < 0.5) x = host::normalise(m.v2 - z * host::dot(m.v2, z));
    if (host::length(x) < 0.5) {
        const Vector helper = std::abs(z.x) < 0.9 ? Vector{1, 0, 0} : Vector{0, 1, 0};
        x = host::normalise(helper - z * host::dot(helper, z));
    }
    frame = {m.off, x, host::cross(z, x), z};
    return true;
}

// --- Weight tags ------------------------------------------------------------------------------

int32_t GeometryService::weightJointCount(NodeId tag) {
    const WeightPayload* w = weightsOf(engine_.find(tag));
    return w ? static_cast<int32_t>(w->joints.size()) : 0;
}

NodeId GeometryService::weightJoint(NodeId tag, int32_t index) {
    const WeightPayload::Joint* j = jointAt(weightsOf(engine_.find(tag)), index);
    return j ? j->id : host::NoNode;
}

int32_t GeometryService::weightJointIndex(NodeId tag, NodeId joint) {
    const WeightPayload* w = weightsOf(engine_.find(tag));
    if (!w || joint == host::NoNode) return -1;
    for (size_t i = 0; i < w->joints.size(); ++i)
        if (w->joints[i].id == joint) return static_cast<int32_t>(i);
    return -1;
}

int32_t GeometryService::addWeightJoint(NodeId tag, NodeId joint) {
    Node* n = engine_.find(tag);
    WeightPayload* w = weightsOf(n);
    if (!w || joint == host::NoNode) return -1;
    const int32_t existing = weightJointIndex(tag, joint);
    if (existing >= 0) return existing;
    w->joints.push_back({joint, {}});
    engine_.markDirty(n, host::dirty::Data);
    return static_cast<int32_t>(w->joints.size()) - 1;
}

double GeometryService::weight(NodeId tag, int32_t jointIndex, int32_t point) {
    const WeightPayload::Joint* j = jointAt(weightsOf(engine_.find(tag)), jointIndex);
    if (!j) return 0.0;
    const auto it = std::lower_bound(j->weights.begin(), j->weights.end(), point,
                                     [](const WeightEntry& e, int32_t p) { return e.point < p; });
    return (it != j->weights.end() && it->point == point) ? it->weight : 0.0;
}

std::span<const WeightEntry> GeometryService::weights(NodeId tag, int32_t jointIndex) {
    const WeightPayload::Joint* j = jointAt(weightsOf(engine_.find(tag)), jointIndex);
    return j ? std::span<const WeightEntry>(j->weights) : std::span<const WeightEntry>{};
}

int32_t GeometryService::weightCount(NodeId tag, int32_t jointIndex) {
    return static_cast<int32_t>(weights(tag, jointIndex).size());
}

bool GeometryService::setWeight(NodeId tag, int32_t jointIndex, int32_t point, double value) {
    Node* n = engine_.find(tag);
    WeightPayload::Joint* j = jointAt(weightsOf(n), jointIndex);
    if (!j || point < 0 || !validWeight(value)) return false;
    const auto found = std::lower_bound(j->weights.begin(), j->weights.end(), point,
                                        [](const WeightEntry& e, int32_t p) { return e.point < p; });
    const bool present = found != j->weights.end() && found->point == point;
    if (!present && value == 0.0) return true;
    const auto at = found - j->weights.begin();
    std::vector<WeightEntry>& entries = j->weights.edit();
    if (value == 0.0)
        entries.erase(entries.begin() + at);
    else if (present)
        entries[static_cast<size_t>(at)].weight = value;
    else
        entries.insert(entries.begin() + at, {point, value});
    engine_.markDirty(n, host::dirty::Data);
    return true;
}

bool GeometryService::setWeights(NodeId tag, int32_t jointIndex, std::span<const WeightEntry> entries) {
    Node* n = engine_.find(tag);
    WeightPayload::Joint* j = jointAt(weightsOf(n), jointIndex);
    if (!j) return false;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].point < 0 || !validWeight(entries[i].weight)) return false;
        if (i > 0 && entries[i].point <= entries[i - 1].point) return false;
    }
    std::vector<WeightEntry> kept;
    kept.reserve(entries.size());
    for (const WeightEntry& e : entries)
        if (e.weight > 0.0) kept.push_back(e);
    j->weights = std::move(kept);
    engine_.markDirty(n, host::dirty::Data);
    return true;
}

} // namespace flumpet::scene
