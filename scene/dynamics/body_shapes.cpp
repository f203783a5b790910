#include "scene/dynamics/body_shapes.h"

#include "host/geometry_handles.h"
#include "host/ids.h"
#include "scene/dynamics/convex_parts.h"

#include <BulletCollision/CollisionShapes/btShapeHull.h>

#include <cmath>
#include <functional>
#include <tuple>

namespace flumpet::scene {

namespace {

using host::Vector;

/// The radius of the sphere that stands in for a body without geometry (scene units).
constexpr double StandInRadius = 0.05;
/// Hulls of more points than this are reduced to the points that shape them.
constexpr int ReducedHullAbove = 64;

btVector3 bt(const Vector& v) {
    return {static_cast<btScalar>(v.x), static_cast<btScalar>(v.y), static_cast<btScalar>(v.z)};
}

Vector scaled(const Vector& p, const Vector& s) { return {p.x * s.x, p.y * s.y, p.z * s.z}; }

/// One object's own geometry as a solid: its shape, with the shape's origin at its centroid,
/// where that centroid lies in the object's frame, and its volume.
struct Solid {
    std::unique_ptr<btCollisionShape> shape;
    btVector3 centre{0, 0, 0};
    double volume = 0.0;
};

/// A convex hull of the points, reduced to its outline when they are many, centred on its
/// centroid.
Solid hullOf(std::vector<btVector3> points) {
    if (points.size() < 4) return {};
    Solid solid;
    std::tie(solid.volume, solid.centre) = hullVolume(points);
    for (btVector3& p : points) p -= solid.centre;
    auto full = std::make_unique<btConvexHullShape>();
    for (const btVector3& p : points) full->addPoint(p, false);
    full->recalcLocalAabb();
    solid.shape = std::move(full);
    if (points.size() <= ReducedHullAbove) return solid;
    btShapeHull outline(static_cast<btConvexHullShape*>(solid.shape.get()));
    if (outline.buildHull(solid.shape->getMargin()) && outline.numVertices() >= 4)
        solid.shape = std::make_unique<btConvexHullShape>(&outline.getVertexPointer()->getX(), outline.numVertices());
    return solid;
}

/// The turn that takes +Y to a primitive's axis (host::primitive::Axis).
btQuaternion axisTurn(int32_t axis) {
    const btScalar half = static_cast<btScalar>(M_PI / 2);
    switch (axis) {
    case 0: return btQuaternion(btVector3(0, 0, 1), -half); // +X
    case 1: return btQuaternion(btVector3(0, 0, 1), half);  // -X
    case 3: return btQuaternion(btVector3(1, 0, 0), 2 * half); // -Y
    case 4: return btQuaternion(btVector3(1, 0, 0), half);  // +Z
    case 5: return btQuaternion(btVector3(1, 0, 0), -half); // -Z
    default: return btQuaternion::getIdentity();            // +Y
    }
}

/// A cone or cylinder as the hull of its two end circles along +Y, turned to its axis.
Solid roundShape(double top, double bottom, double height, int32_t axis, const Vector& s) {
    std::vector<btVector3> points;
    const btQuaternion turn = axisTurn(axis);
    constexpr int Sides = 16;
    for (int i = 0; i < Sides; ++i) {
        const double a = 2 * M_PI * i / Sides;
        for (const auto& [r, y] : {std::pair{top, height / 2}, std::pair{bottom, -height / 2}}) {
            const btVector3 local = quatRotate(turn, btVector3(static_cast<btScalar>(r * std::cos(a)), static_cast<btScalar>(y),
                                                               static_cast<btScalar>(r * std::sin(a))));
            points.push_back(bt(scaled({local.x(), local.y(), local.z()}, s)));
        }
    }
    return hullOf(points);
}

/// A primitive's geometry in its own (unscaled) frame; without a shape for anything else.
Solid ownShape(const host::Object& o, const Vector& s) {
    const host::Container data = o.data();
    namespace p = host::primitive;
    switch (o.type()) {
    case host::type::Cube: {
        const Vector size = scaled(data.getVector(p::CubeSize, {200, 200, 200}), s);
        return {std::make_unique<btBoxShape>(bt(size * 0.5)), {0, 0, 0}, std::abs(size.x * size.y * size.z)};
    }
    case host::type::Sphere: {
        const double r = data.getFloat(p::SphereRadius, 100.0) * std::max({s.x, s.y, s.z});
        return {std::make_unique<btSphereShape>(static_cast<btScalar>(r)), {0, 0, 0}, 4.0 / 3.0 * M_PI * r * r * r};
    }
    case host::type::Cone:
        return roundShape(data.getFloat(p::ConeTopRadius, 0.0), data.getFloat(p::ConeBottomRadius, 100.0),
                          data.getFloat(p::ConeHeight, 200.0), data.getInt(p::Axis, 2), s);
    case host::type::Cylinder: {
        const double r = data.getFloat(p::CylinderRadius, 50.0);
        return roundShape(r, r, data.getFloat(p::CylinderHeight, 200.0), data.getInt(p::Axis, 2), s);
    }
    default: return {};
    }
}

/// One object's own geometry in its own (unscaled) frame as solids: a polygon piece as its
/// convex parts; none when it has no geometry.
std::vector<Solid> ownSolids(const host::Object& o, const Vector& s) {
    std::vector<Solid> out;
    if (o.type() == host::type::Polygon) {
        const host::PolygonObject mesh(o);
        std::vector<btVector3> points;
        for (const Vector& v : mesh.points()) points.push_back(bt(scaled(v, s)));
        for (auto& part : convexParts(std::move(points), mesh.polygons()))
            if (Solid solid = hullOf(std::move(part)); solid.shape) out.push_back(std::move(solid));
    } else if (Solid solid = ownShape(o, s); solid.shape) {
        out.push_back(std::move(solid));
    }
    return out;
}

void addShapes(const host::Object& o, const btTransform& toBody, BodyShape& shape,
               const std::function<bool(const host::Object&)>& isBody, bool root) {
    if (!root && isBody(o)) return;
    const Placement placed = splitPlacement(o.globalMatrix());
    for (Solid& own : ownSolids(o, placed.scale)) {
        shape.compound->addChildShape(toBody * placed.rigid * btTransform(btQuaternion::getIdentity(), own.centre),
                                      own.shape.get());
        shape.owned.push_back(std::move(own.shape));
        shape.volumes.push_back(own.volume);
    }
    for (host::Object child = o.firstChild(); child.alive(); child = child.next())
        addShapes(child, toBody, shape, isBody, false);
}

} // namespace

Placement splitPlacement(const host::Matrix& m) {
    Placement out;
    out.scale = host::scaleOf(m);
    // Gram-Schmidt keeps the turn a rotation even when the axes are skewed or one is missing.
    Vector x = host::normalise(m.v1), y = m.v2 - x * host::dot(m.v2, x);
    if (host::length(x) == 0.0) x = {1, 0, 0};
    y = host::normalise(y);
    if (host::length(y) == 0.0) y = host::normalise(host::cross(std::abs(x.x) < 0.9 ? Vector{1, 0, 0} : Vector{0, 1, 0}, x));
    const Vector z = host::cross(x, y);
    btMatrix3x3 basis(static_cast<btScalar>(x.x), static_cast<btScalar>(y.x), static_cast<btScalar>(z.x),
                      static_cast<btScalar>(x.y), static_cast<btScalar>(y.y), static_cast<btScalar>(z.y),
                      static_cast<btScalar>(x.z), static_cast<btScalar>(y.z), static_cast<btScalar>(z.z));
    out.rigid = btTransform(basis, bt(m.off));
    for (double* c : {&out.scale.x, &out.scale.y, &out.scale.z})
        if (*c == 0.0) *c = 1.0;
    return out;
}

host::Matrix joinPlacement(const btTransform& rigid, const Vector& scale) {
    const btMatrix3x3& b = rigid.getBasis();
    const btVector3& o = rigid.getOrigin();
    host::Matrix m;
    m.off = {o.x(), o.y(), o.z()};
    m.v1 = Vector{b[0][0], b[1][0], b[2][0]} * scale.x;
    m.v2 = Vector{b[0][1], b[1][1], b[2][1]} * scale.y;
    m.v3 = Vector{b[0][2], b[1][2], b[2][2]} * scale.z;
    return m;
}

BodyShape makeBodyShape(const host::Object& body, const btTransform& bodyFrame,
                        const std::function<bool(const host::Object&)>& isBody) {
    BodyShape shape;
    auto compound = std::make_unique<btCompoundShape>();
    shape.compound = compound.get();
    shape.owned.push_back(std::move(compound));
    addShapes(body, bodyFrame.inverse(), shape, isBody, true);
    if (shape.compound->getNumChildShapes() == 0) {
        auto standIn = std::make_unique<btSphereShape>(static_cast<btScalar>(StandInRadius));
        shape.compound->addChildShape(btTransform::getIdentity(), standIn.get());
        shape.owned.push_back(std::move(standIn));
        shape.volumes.push_back(4.0 / 3.0 * M_PI * std::pow(StandInRadius, 3));
    }
    return shape;
}

} // namespace flumpet::scene
