// The host's geometry services: polygon meshes and their selections, modeling commands, the
// modeling kernel, ray and closest-polygon queries, splines, joints and weights.
//
// Reached through Host::geometry(). Everything is addressed by node id; an id that is gone, or a
// node of the wrong type, answers the neutral value (empty, false, 0, -1) instead of failing.
// Positions are in the object's own coordinates unless a comment says otherwise.
#pragma once

#include "host/selection.h"
#include "host/values.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace flumpet::host {

/// A polygon: four point indices; a triangle repeats its third point (c == d).
struct Polygon {
    int32_t a = 0, b = 0, c = 0, d = 0;
    constexpr bool isTriangle() const { return c == d; }
    constexpr bool operator==(const Polygon&) const = default;
};

/// What a modeling command answers: success, and the objects it made (free, outside any
/// document; the caller inserts or frees them).
struct ModelingResult {
    bool success = false;
    std::vector<NodeId> objects;
};

/// An open modeling transaction on one polygon object. Edits are held until commit; indices stay
/// those of the object when the transaction was opened, and new points and polygons get indices
/// after the existing ones (so a new element never has index 0). Inside the transaction a polygon
/// may hold any number of points. Destroying the transaction releases it; nothing uncommitted is
/// applied.
class ModelingTransaction {
  public:
    virtual ~ModelingTransaction() = default;
    /// True when p1 and p2 follow each other (either way round) in the live polygon.
    virtual bool isValidEdge(int32_t polygon, int32_t p1, int32_t p2) const = 0;
    /// True when the polygon exists, is not deleted and has at least three points.
    virtual bool isValidPolygon(int32_t polygon) const = 0;
    /// Inserts a new point at p1 + t * (p2 - p1) into every live polygon that has the edge p1-p2;
    /// answers its index, or 0 when no live polygon has that edge.
    virtual int32_t splitEdge(int32_t p1, int32_t p2, double t) = 0;
    /// Moves a live point (object coordinates). False for a deleted or unknown point or a
    /// position that is not finite.
    virtual bool setPoint(int32_t point, const Vector& position, int32_t flags) = 0;
    /// Cuts a live polygon along the diagonal p1-p2 (two of its points, not neighbours): the
    /// polygon keeps the points from p1 to p2, a new polygon takes those from p2 to p1. Answers
    /// the new polygon's index, or 0 on failure.
    virtual int32_t splitPolygon(int32_t polygon, int32_t p1, int32_t p2) = 0;
    /// Deletes a live point and every polygon that uses it.
    virtual bool deletePoint(int32_t point) = 0;
    /// Applies every edit to the object: deleted elements go, the rest keep their order (new
    /// ones after the old), polygons of more than four points become triangles, and only valid
    /// triangles and quads remain. False when the object is gone or was changed by other means
    /// since the transaction was opened. The transaction is closed afterwards.
    virtual bool commit(int32_t flags) = 0;
    /// Drops every uncommitted edit and closes the transaction.
    virtual void release() = 0;
};

/// Nearest hit of a ray (object coordinates).
struct RayHit {
    Vector position;
    /// Distance from the ray's origin along its unit direction.
    double distance = 0.0;
    int32_t polygon = -1;
    /// True when the ray meets the polygon's back (the side its winding turns away from).
    bool backface = false;
};

/// Ray queries against one polygon object, in its own coordinates.
class RayCollider {
  public:
    virtual ~RayCollider() = default;
    /// Prepares the collider for an object. The spatial index follows every change of the mesh,
    /// so `force` never needs to rebuild one for an unchanged mesh. False for an object that is
    /// not a polygon object.
    virtual bool init(NodeId object, bool force) = 0;
    /// Casts a ray from origin along direction, up to `length`. The direction is normalised
    /// first, so `length` is a distance whatever the direction's own length; a zero or
    /// non-finite direction hits nothing. With testOnly only hit or miss is found, and
    /// nearestIntersection answers false.
    virtual bool intersect(const Vector& origin, const Vector& direction, double length, bool testOnly) = 0;
    /// The nearest hit of the last intersect; false when it found none.
    virtual bool nearestIntersection(RayHit& out) const = 0;
};

/// The primitive record of a distance query.
struct MeshPrimitiveInfo {
    /// In: the kind of primitive asked for (host::meshprimitive). Out: the kind found.
    int32_t type = 0;
    /// Out: polygon index + 1 when the closest point lies on a polygon's first triangle
    /// (a, b, c); -(polygon index + 1) when it lies on a quad's second triangle (a, c, d).
    int64_t k = 0;
    /// Out: the closest point on the mesh (world coordinates).
    Vector point;
};

/// Closest-polygon queries against one polygon object, in world coordinates: the mesh is placed
/// by the object's global matrix as it is when the query is initialised.
class DistanceQuery {
  public:
    virtual ~DistanceQuery() = default;
    /// False for an object that is not a polygon object.
    virtual bool init(NodeId mesh) = 0;
    /// The closest polygon to a world point; false when the mesh has no polygon or the kind
    /// asked for in info.type is not host::meshprimitive::Polygon.
    virtual bool closestMeshPrimitive(const Vector& point, MeshPrimitiveInfo& info,
                                      double& distance) const = 0;
};

/// Arc-length parameterisation of one spline segment.
class SplineLengthMapper {
  public:
    virtual ~SplineLengthMapper() = default;
    /// False when the object is not a spline or has no such segment.
    virtual bool init(NodeId spline, int32_t segment) = 0;
    /// The natural parameter at fraction u of the segment's length. u is clamped to 0 .. 1 on an
    /// open spline and wraps around on a closed one (1 stays 1).
    virtual double uniformToNatural(double u) const = 0;
    /// The segment's length (spline coordinates).
    virtual double length() const = 0;
};

/// One non-zero weight of a joint: a point and its weight.
struct WeightEntry {
    int32_t point = 0;
    double weight = 0.0;
    constexpr bool operator==(const WeightEntry&) const = default;
};

class GeometryServices {
  public:
    virtual ~GeometryServices() = default;

    // --- Polygon objects (type 5100) --------------------------------------------------------
    /// Read-only arrays, valid until the mesh changes; empty for other objects.
    virtual std::span<const Vector> points(NodeId object) = 0;
    virtual std::span<const Polygon> polygons(NodeId object) = 0;
    /// Replaces the points; the count must stay (polygons refer to them) and every position be
    /// finite. Like every change of the mesh, this drops the deform cache.
    virtual bool setPoints(NodeId object, std::span<const Vector> points) = 0;
    /// Replaces points and polygons together. False (nothing changed) for a position that is
    /// not finite or a polygon index out of range. Selections and the deform cache are dropped.
    virtual bool setMesh(NodeId object, std::span<const Vector> points,
                         std::span<const Polygon> polygons) = 0;
    virtual Selection pointSelection(NodeId object) = 0;
    virtual Selection polygonSelection(NodeId object) = 0;
    /// False when the selection names an index past the end.
    virtual bool setPointSelection(NodeId object, const Selection& selection) = 0;
    virtual bool setPolygonSelection(NodeId object, const Selection& selection) = 0;
    /// The deform cache is Host::deformCache.

    // --- Modeling ---------------------------------------------------------------------------
    /// Runs a modeling command (host::mcommand) on a polygon object with a mode
    /// (host::mcommandmode) and settings. With a document whose undo group is open and an
    /// object inserted in it, the change is recorded for undo.
    virtual ModelingResult modelingCommand(int32_t command, NodeId object, int32_t mode,
                                           const Container& settings, NodeId doc) = 0;
    /// Opens a modeling transaction; null when the object is not a polygon object.
    virtual std::unique_ptr<ModelingTransaction> openModeling(NodeId object, int32_t flags) = 0;

    // --- Queries ----------------------------------------------------------------------------
    virtual std::unique_ptr<RayCollider> newRayCollider() = 0;
    virtual std::unique_ptr<DistanceQuery> newDistanceQuery() = 0;

    // --- Spline objects (type 5101) ---------------------------------------------------------
    virtual std::span<const Vector> splinePoints(NodeId spline) = 0;
    /// Point counts of the segments; empty when the points form one segment.
    virtual std::span<const int32_t> splineSegmentSizes(NodeId spline) = 0;
    /// Replaces the points and segments. False for a position that is not finite, a segment
    /// size below 1, or sizes that do not add up to the point count.
    virtual bool setSpline(NodeId spline, std::span<const Vector> points,
                           std::span<const int32_t> segmentSizes) = 0;
    /// Number of segments; 0 for a spline without points.
    virtual int32_t splineSegmentCount(NodeId spline) = 0;
    /// The point of a segment at a natural parameter t (spline coordinates). The natural
    /// parameter runs evenly over the spans between the points: 0 is the first point, 1 the
    /// last (on a closed spline, the first again). t is clamped to 0 .. 1 on an open spline and
    /// wraps on a closed one. The zero vector for a segment that does not exist.
    virtual Vector splinePoint(NodeId spline, int32_t segment, double t) = 0;
    virtual std::unique_ptr<SplineLengthMapper> newSplineLengthMapper() = 0;

    // --- Joints (type 1019362) --------------------------------------------------------------
    /// The joint's bone: a world frame at the joint whose Z axis runs along the bone, and the
    /// bone's length. The bone runs to the joint's first child joint; without one the length is
    /// 0 and the frame is the joint's own (axes normalised). False for an object that is not a
    /// joint.
    virtual bool bone(NodeId joint, Matrix& frame, double& length) = 0;

    // --- Weight tags (type 1019365) ---------------------------------------------------------
    virtual int32_t weightJointCount(NodeId tag) = 0;
    /// The joint at an index as a weak link (resolve it in a document); NoNode when out of range.
    virtual NodeId weightJoint(NodeId tag, int32_t index) = 0;
    /// Index of a joint in the tag; -1 when absent.
    virtual int32_t weightJointIndex(NodeId tag, NodeId joint) = 0;
    /// Adds a joint (or finds it); answers its index, -1 on failure.
    virtual int32_t addWeightJoint(NodeId tag, NodeId joint) = 0;
    /// Weight of a joint at a point; 0 when either is unknown.
    virtual double weight(NodeId tag, int32_t jointIndex, int32_t point) = 0;
    /// The non-zero weights of a joint, by ascending point; valid until the tag changes.
    virtual std::span<const WeightEntry> weights(NodeId tag, int32_t jointIndex) = 0;
    /// Number of points with a non-zero weight for the joint.
    virtual int32_t weightCount(NodeId tag, int32_t jointIndex) = 0;
    /// Sets one weight (0 removes it). False for an unknown joint, a negative point or a weight
    /// that is negative or not finite.
    virtual bool setWeight(NodeId tag, int32_t jointIndex, int32_t point, double weight) = 0;
    /// Replaces all weights of a joint; entries must have ascending, distinct points and finite,
    /// non-negative weights (zeros are dropped).
    virtual bool setWeights(NodeId tag, int32_t jointIndex, std::span<const WeightEntry> weights) = 0;
};

/// Where the segment from p1 to p2 meets the plane through planePoint with normal planeNormal
/// (any length but zero). An end point closer to the plane than tolerance counts as on it (p1
/// first). False when the segment stays on one side or the normal is zero.
bool intersectSegmentPlane(const Vector& p1, const Vector& p2, const Vector& planePoint,
                           const Vector& planeNormal, double tolerance, Vector& out);

} // namespace flumpet::host
