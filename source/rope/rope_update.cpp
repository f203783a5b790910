#include "rope/rope_update.h"

#include "command_context.h"
#include "host/ids.h"
#include "parameters.h"
#include "rope/rope_frame.h"
#include "rope/rope_settings.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

namespace flumpet {

namespace {

using host::Matrix;
using host::Vector;

/// The pieces of the current build, each kind in the order of the extra-objects list.
struct RopePieces {
    std::vector<host::Object> joints, cones, clones, connectors;

    /// Entries that no longer exist are skipped, and so are entries of the listed types that
    /// are not part of the rope on this spline (left by older builds or other commands), so
    /// that they neither move nor shift the indices of the rope's own pieces.
    static RopePieces collect(const host::Object& generator, const host::SplineObject& spline,
                              const RopeSettings& settings) {
        RopePieces p;
        const ListRef& extra = commandContext().extra;
        const host::Document doc = generator.document();
        std::vector<host::Object> entries;
        std::unordered_set<host::NodeId> listed;
        for (int32_t i = 0; i < extra.count(); ++i) {
            const host::Node node = extra.at(i, doc);
            if (!node.alive() || !node.isInstanceOf(host::type::AnyObject)) continue;
            entries.emplace_back(node.host(), node.id());
            listed.insert(node.id());
        }
        std::unordered_set<host::NodeId> joints;
        for (const host::Object& o : entries) {
            if (o.type() != host::type::Sphere) continue;
            const host::Object parent = o.parent();
            // A joint hangs on the spline, or on a controller: a linked one or a null the
            // build made (each segment makes its own pair when none is linked).
            if (!parent.alive()) continue;
            if (parent == spline || parent == settings.controller1 || parent == settings.controller2 ||
                (parent.type() == host::type::Null && listed.count(parent.id()))) {
                p.joints.push_back(o);
                joints.insert(o.id());
            }
        }
        const int32_t pieceType = settings.piece.alive() ? settings.piece.type() : 0;
        for (const host::Object& o : entries) {
            const int32_t type = o.type();
            if (type == host::type::Connector) {
                if (joints.count(o.data().getLinkId(host::forceparam::ObjectA))) p.connectors.push_back(o);
                continue;
            }
            if (!joints.count(o.parent().id())) continue;
            if (type == host::type::Cone) p.cones.push_back(o);
            else if (type == pieceType) p.clones.push_back(o);
        }
        return p;
    }
};

/// The object at index, empty past the end of the list.
host::Object at(const std::vector<host::Object>& list, size_t index) {
    return index < list.size() && list[index].alive() ? list[index] : host::Object{};
}

/// The world point p in the space of an object's parent, where its local position lives.
Vector inParentSpace(const host::Object& object, const Vector& p) {
    const host::Object parent = object.parent();
    return parent.alive() ? host::inverse(parent.globalMatrix()) * p : p;
}

class RopeUpdate {
  public:
    RopeUpdate(const host::Object& generator, int32_t id, const RopeSettings& settings,
               const host::SplineObject& spline, const SegmentPath& path, const RopePieces& pieces)
        : generator_(generator), id_(id), s_(settings), spline_(spline), path_(path), pieces_(pieces) {}

    /// Updates the pieces of the selected segment, then moves past them.
    void segment() {
        for (int32_t j = 0; j <= s_.count; ++j) piece(j);
        // Connectors go after every joint has moved: each is placed by its joint's successor.
        if (distributing())
            for (int32_t j = 1; j <= s_.count; ++j) placeConnector(j, at(pieces_.joints, jointBase_ + j));
        jointBase_ += static_cast<size_t>(s_.count) + 1;
        base_ += static_cast<size_t>(s_.count);
    }

  private:
    bool distributing() const { return id_ == ROPE_AMOUNT_DISTRIBUTION; }

    void piece(int32_t j) {
        const double u0 = static_cast<double>(j) / s_.count;
        const double u1 = static_cast<double>(j + 1) / s_.count;
        const double f0 = std::clamp(s_.radiusScale.valueAt(u0), 0.0, 1.0);
        const double f1 = std::clamp(s_.radiusScale.valueAt(u1), 0.0, 1.0);
        const double d0 = std::clamp(s_.distribution.valueAt(u0), -1.0, 1.0);
        const double d1 = std::clamp(s_.distribution.valueAt(u1), -1.0, 1.0);
        const host::Object joint = at(pieces_.joints, jointBase_ + j);
        const host::Object cone = at(pieces_.cones, base_ + j);
        const host::Object clone = at(pieces_.clones, base_ + j);
        if (joint && (id_ == ROPE_RADIUS_SCALE || id_ == ROPE_RADIUS))
            joint.setParameter(host::DescID(host::primitive::SphereRadius), f0 * s_.radius);

        const Vector p0 = path_.at(std::clamp(u0 + d0, 0.0, 1.0));
        const Vector p1 = path_.at(std::clamp(u1 + d1, 0.0, 1.0));
        const Matrix toSpline = host::inverse(spline_.globalMatrix());
        const float uniform = static_cast<float>(
            host::length(toSpline * path_.at(std::clamp(u0, 0.0, 1.0)) - toSpline * path_.at(std::clamp(u1, 0.0, 1.0))));
        const double pieceLength = host::length(toSpline * p0 - toSpline * p1);
        if (clone) {
            const float actual = static_cast<float>(pieceLength);
            const float ratio = actual > 0.0F ? uniform / actual : 0.0F;
            const double scale = (ratio == 0.0F ? 0.0 : 1.0 / ratio) * f0;
            clone.setLocalScale({scale, scale, scale});
        }
        if (distributing() && joint) place(j, joint, p0, p1);
        const Vector middle = (p0 + p1) * 0.5;
        if (distributing() && clone && joint) clone.setLocalPosition(host::inverse(joint.globalMatrix()) * middle);
        if (cone && joint) {
            cone.setParameter(host::DescID(host::primitive::ConeTopRadius), f0 * s_.radius);
            cone.setParameter(host::DescID(host::primitive::ConeBottomRadius), f1 * s_.radius);
            cone.setParameter(host::DescID(host::primitive::ConeHeight), pieceLength);
            if (distributing()) {
                cone.setGlobalMatrix(ropeFrame(p0, p1, joint.globalMatrix().v3));
                cone.setLocalPosition(host::inverse(joint.globalMatrix()) * middle);
            }
        }
    }

    void place(int32_t j, const host::Object& joint, const Vector& p0, const Vector& p1) const {
        const Vector up = joint.globalMatrix().v3;
        const host::Object& c1 = s_.controller1;
        const host::Object& c2 = s_.controller2;
        if (s_.endsFixed && j == 0 && c1) {
            c1.setGlobalMatrix(ropeFrame(p0, p1, up));
            joint.setGlobalMatrix(c1.globalMatrix());
        }
        if (j == s_.count) {
            if (s_.endsFixed && c2) {
                c2.setLocalPosition(inParentSpace(c2, p0));
                joint.setGlobalMatrix(c2.globalMatrix());
            } else {
                const host::Object parent = joint.parent();
                const Matrix space = parent.alive() ? parent.globalMatrix() : spline_.globalMatrix();
                joint.setLocalPosition(host::inverse(space) * p0);
            }
        } else {
            joint.setGlobalMatrix(ropeFrame(p0, p1, joint.globalMatrix().v3));
        }
        joint.setLocalScale({1.0, 1.0, 1.0});
    }

    /// The connector that ends at joint j sits just past it; the rope's last one looks back
    /// along the rope.
    void placeConnector(int32_t j, const host::Object& joint) const {
        const size_t index = jointBase_ + j;
        const host::Object next = index + 1 < pieces_.joints.size() ? at(pieces_.joints, index + 1) : joint;
        if (!joint || !next) return;
        const size_t connectorIndex = base_ + j - 1;
        const host::Object connector = at(pieces_.connectors, connectorIndex);
        if (!connector) return;
        const Matrix toGenerator = host::inverse(generator_.globalMatrix());
        const Vector here = joint.globalMatrix().off;
        connector.setLocalPosition(toGenerator * (here + (here - next.globalMatrix().off) * 0.01));
        if (connectorIndex + 1 != pieces_.connectors.size()) return;
        const host::Object previous = at(pieces_.joints, index - 1);
        if (!previous) return;
        const Vector before = previous.globalMatrix().off;
        connector.setLocalPosition(toGenerator * (here + (here - before) * 0.01));
        connector.setLocalScale({1.0, 1.0, 1.0});
        const Matrix current = connector.globalMatrix();
        Matrix aimed = ropeFrame(current.off, before, current.v2);
        aimed.off = current.off;
        connector.setGlobalMatrix(aimed);
    }

    const host::Object& generator_;
    const int32_t id_;
    const RopeSettings& s_;
    const host::SplineObject& spline_;
    const SegmentPath& path_;
    const RopePieces& pieces_;
    size_t jointBase_ = 0; ///< joints of the segments already done
    size_t base_ = 0;      ///< cones, clones and connectors of the segments already done
};

} // namespace

void updateRope(const host::Object& generator, int32_t changedId) {
    const host::SplineObject spline = ropeSpline(generator);
    if (!spline.alive()) return;
    SegmentPath path(spline);
    if (!path || !path.select(0)) return;
    const RopeSettings settings = RopeSettings::read(generator);
    // Without pieces there is nothing to size or place (and no fraction of a segment per piece).
    if (settings.count < 1) return;
    const RopePieces pieces = RopePieces::collect(generator, spline, settings);
    if (pieces.joints.empty()) return;
    RopeUpdate update(generator, changedId, settings, spline, path, pieces);
    const int32_t segments = spline.segmentCount();
    for (int32_t s = 0; s < segments; ++s) {
        if (!path.select(s)) return;
        update.segment();
    }
}

} // namespace flumpet
