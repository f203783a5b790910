#include "rope/rope_build.h"

#include "command_context.h"
#include "host/ids.h"
#include "joints/connectors.h"
#include "joints/record_created.h"
#include "joints/rig_bodies.h"
#include "parameters.h"
#include "random.h"
#include "rope/rope_frame.h"
#include "rope/rope_settings.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace flumpet {

namespace {

using host::Vector;

/// Angular limits of the rope's connectors: 40, 60 and 120 degrees.
constexpr float LimitA = 0.6981317F;
constexpr float LimitB = 1.0471976F;
constexpr float LimitC = 2.0943951F;
constexpr Vector ZAxis{0.0, 0.0, 1.0};

/// The types a new build clears away from the extra-objects list; anything else listed there
/// stays (unless it goes with a parent that is removed).
bool removedByRebuild(int32_t type) {
    static constexpr int32_t Types[] = {host::type::Connector,  host::type::Cube,         host::type::SubdivisionSurface,
                                        host::tagtype::Protection, host::type::Sphere,    host::type::Null,
                                        host::type::Cylinder,   host::tagtype::DynamicsBody, host::tagtype::Constraint,
                                        host::type::Tracer};
    return std::find(std::begin(Types), std::end(Types), type) != std::end(Types);
}

/// Deletes the objects of the previous build, in one undo group. The linked controllers are
/// spared, so the new build hangs its ends on them again; so is anything that holds the
/// generator, which must outlive its own command.
void removePreviousBuild(const host::Object& generator, const RopeSettings& settings) {
    const ListRef extra = ListRef::of(generator, ADDITIONAL_InEx_CREATED_OBJECTS);
    const host::Document doc = generator.document();
    std::vector<host::Node> entries;
    for (int32_t i = 0; i < extra.count(); ++i) entries.push_back(extra.at(i, doc));
    doc.startUndo();
    for (const host::Node& entry : entries) {
        // Entries gone since, or gone with a parent removed before them, are skipped.
        if (!entry.alive() || entry.document() != doc || !removedByRebuild(entry.type())) continue;
        if (entry == settings.controller1 || entry == settings.controller2) continue;
        const host::Object asObject(entry.host(), entry.id());
        if (entry.isInstanceOf(host::type::AnyObject) && asObject.isAncestorOf(generator)) continue;
        doc.addUndo(host::undo::DeleteObject, entry);
        entry.remove();
        entry.free();
    }
    doc.endUndo();
}

void paint(const host::Object& object, const Vector& colour) {
    object.setParameter(host::DescID(host::param::UseDisplayColour), int32_t{2});
    object.setParameter(host::DescID(host::param::DisplayColour), colour);
}

/// Builds the pieces of one spline segment and joins them.
class SegmentBuilder {
  public:
    SegmentBuilder(const host::Object& generator, const RopeSettings& settings, bool controllerLinked,
                   const host::SplineObject& spline, const SegmentPath& path, const std::string& suffix)
        : generator_(generator), settings_(settings), controllerLinked_(controllerLinked), spline_(spline),
          path_(path), suffix_(suffix), prefix_(spline.name() + suffix), host_(*generator.host()), doc_(generator.document()) {}

    void build() {
        for (int32_t n = 0; n <= settings_.count; ++n) makePiece(n);
        const host::Object group = makeObject(host::type::Null, "Generator: " + prefix_ + ": Connectors");
        const host::Object tracer = makeObject(host::type::Tracer, "Generator: " + prefix_ + ": Tracer");
        tracer.setParameter(host::DescID(host::tracerparam::Interpolation), int32_t{1});
        tracer.setParameter(host::DescID(host::tracerparam::LimitMode), int32_t{0});
        tracer.setParameter(host::DescID(host::tracerparam::Mode), int32_t{4});
        tracer.setParameter(host::DescID(host::tracerparam::Type), int32_t{1});
        const bool groupIn = insertLastOrFree(group, generator_);
        const bool tracerIn = insertLastOrFree(tracer, generator_);
        if (groupIn) listAndRecordNew(group, true);
        if (tracerIn) listAndRecordNew(tracer, true);
        walkChain(groupIn ? group : host::Object{}, tracerIn ? tracer : host::Object{});
    }

  private:
    host::Object makeObject(int32_t type, const std::string& name) const {
        const host::Object object(&host_, host_.allocObject(type));
        object.setName(name);
        return object;
    }

    void makePiece(int32_t n) {
        const int32_t count = settings_.count;
        const bool last = n == count;
        const double u0 = static_cast<double>(n) / count;
        const double u1 = static_cast<double>(n + 1) / count;
        const double f0 = settings_.radiusScale.valueAt(u0);
        const double f1 = settings_.radiusScale.valueAt(u1);
        const Vector p0 = path_.at(u0 + settings_.distribution.valueAt(u0));
        const Vector p1 = path_.at(u1 + settings_.distribution.valueAt(u1));
        const std::string number = std::to_string(n);

        const host::Object joint = makeObject(host::type::Sphere, prefix_ + "_joint_" + number);
        joint.setParameter(host::DescID(host::primitive::SphereType), int32_t{2});
        joint.setParameter(host::DescID(host::primitive::SphereRadius), f0 * settings_.radius);
        joint.setParameter(host::DescID(host::primitive::SphereSegments), int32_t{7});
        // One hue per piece, also for the last joint, so the colours of a rope do not depend
        // on whether its pieces carry cones.
        const Vector colour = host::hsvToRgb({randomInRange(0.1F, 0.9F), 0.81, 0.86});
        paint(joint, colour);
        host::Object cone;
        if (!last) {
            cone = makeObject(host::type::Cone, prefix_ + "_cone_" + number);
            cone.setParameter(host::DescID(host::primitive::Axis), int32_t{3});
            cone.setParameter(host::DescID(host::primitive::ConeTopRadius), f0 * settings_.radius);
            cone.setParameter(host::DescID(host::primitive::ConeBottomRadius), f1 * settings_.radius);
            cone.setParameter(host::DescID(host::primitive::ConeHeight), host::length(p0 - p1));
            cone.setParameter(host::DescID(host::primitive::ConeCaps), int32_t{0});
            cone.setParameter(host::DescID(host::primitive::ConeHeightSegments), int32_t{1});
            cone.setParameter(host::DescID(host::primitive::ConeRotationSegments), int32_t{8});
            paint(cone, colour);
        }

        host::Object anchor = spline_;
        if (settings_.endsFixed && (n == 0 || last)) {
            anchor = controllerFor(n, p0, p1);
            if (!anchor.alive()) {
                // One controller linked and not the other: this end is left out.
                joint.free();
                cone.free();
                return;
            }
            commandContext().overrides.insert(joint);
        }

        // Placed in the anchor's space while outside the document, where its own matrix is its
        // global one.
        const host::Matrix toAnchor = host::inverse(anchor.globalMatrix());
        const Vector a0 = toAnchor * p0;
        const Vector a1 = toAnchor * p1;
        if (!last) joint.setGlobalMatrix(ropeFrame(a0, a1, ZAxis));
        else joint.setLocalPosition(a0);
        joint.setLocalScale({1.0, 1.0, 1.0});
        const Vector coneAt = host::inverse(joint.globalMatrix()) * ((a0 + a1) * 0.5);
        if (cone) cone.setLocalPosition(coneAt);
        host::Object clone;
        if (!last && settings_.piece.alive()) clone = makeClone(n, colour, coneAt, toAnchor, a0, a1, f0);

        if (!joint.insertUnderLast(anchor)) {
            joint.free();
            cone.free();
            clone.free();
            return;
        }
        // Parents are recorded before their children, so that undo takes the children out first;
        // the lists name each piece's clone and cone before its joint.
        doc_.addUndo(host::undo::NewObject, joint);
        for (const host::Object& child : {clone, cone}) {
            if (!child.alive()) continue;
            if (!child.insertUnder(joint)) {
                child.free();
                continue;
            }
            listAndRecordNew(child, true);
        }
        chain_.push_back(joint);
        listNew(joint, true);
    }

    /// A copy of the piece instance scaled by how much the piece was stretched or squeezed
    /// along the spline: the ratio of the uniform piece length to the actual one, times f0.
    host::Object makeClone(int32_t n, const Vector& colour, const Vector& at, const host::Matrix& toAnchor,
                           const Vector& a0, const Vector& a1, double f0) const {
        const host::Object clone = settings_.piece.clone();
        if (!clone.alive()) return {};
        clone.setName(clone.name() + suffix_ + "_" + std::to_string(n));
        clone.setLocalPosition(at);
        paint(clone, colour);
        const double u0 = static_cast<double>(n) / settings_.count;
        const double u1 = static_cast<double>(n + 1) / settings_.count;
        const Vector q0 = toAnchor * path_.at(std::clamp(u0, 0.0, 1.0));
        const Vector q1 = toAnchor * path_.at(std::clamp(u1, 0.0, 1.0));
        const float uniform = static_cast<float>(host::length(q0 - q1));
        const float actual = static_cast<float>(host::length(a0 - a1));
        // A piece squeezed to nothing, or a spline of no length, gives an empty scale rather than
        // an infinite or undefined one.
        const float ratio = actual > 0.0F ? uniform / actual : 0.0F;
        const double scale = (ratio == 0.0F || !std::isfinite(ratio) ? 0.0 : 1.0 / ratio) * f0;
        clone.setLocalScale({scale, scale, scale});
        clone.setLocalRotation({0.0, 0.0, 0.0});
        return clone;
    }

    /// The controller an end joint hangs on: the linked one when a controller was linked at the
    /// start of the build, else a new null placed at the end and written into the link.
    host::Object controllerFor(int32_t n, const Vector& p0, const Vector& p1) {
        const bool end = n == settings_.count;
        if (controllerLinked_) return end ? settings_.controller2 : settings_.controller1;
        const host::Object null = makeObject(host::type::Null, "");
        null.setParameter(host::DescID(host::nullparam::Display), int32_t{11});
        null.setParameter(host::DescID(host::nullparam::Orientation), int32_t{3});
        null.setParameter(host::DescID(host::nullparam::Radius), 5.0 * settings_.radius);
        if (!null.insertBefore(generator_)) {
            null.free();
            return {};
        }
        listAndRecordNew(null, true);
        doc_.addUndo(host::undo::ChangeSmall, generator_);
        generator_.setParameter(host::DescID(end ? ROPE_CONTROLLER_2 : ROPE_CONTROLLER_1), host::Link{null.id()});
        null.setName("Generator_Controller_" + prefix_ + (end ? "_End" : "_Start"));
        if (!end) {
            null.setGlobalMatrix(ropeFrame(p0, p1, ZAxis));
        } else {
            // The true end of the segment, without the distribution's offset, in the space of
            // the null's parent (the generator's).
            const host::Matrix toParent = host::inverse(null.parent().globalMatrix());
            null.setLocalPosition(toParent * path_.at(1.0));
        }
        return null;
    }

    /// Lists the joints in the tracer, joins neighbours with connectors and gives every joint
    /// its body tag.
    void walkChain(const host::Object& group, const host::Object& tracer) const {
        const bool closed = spline_.isClosed();
        const size_t n = chain_.size();
        host::InExcludeList traced;
        for (size_t k = 0; k < n; ++k) {
            const host::Object& joint = chain_[k];
            traced.insert(joint.id());
            const bool closing = closed && k + 1 == n;
            if (closing) traced.insert(chain_[0].id());
            if (k > 0 && group.alive()) connect(k, closing, group);
            const host::Tag body = addChainBody(generator_, joint);
            if (body.alive() && settings_.piece.alive())
                body.setParameter(host::DescID(host::bodytag::ShapeKind), int32_t{6});
        }
        tracer.setParameter(host::DescID(host::tracerparam::Objects), traced);
    }

    void connect(size_t k, bool closing, const host::Object& group) const {
        const host::Object& joint = chain_[k];
        const host::Object& previous = chain_[k - 1];
        const bool lastJoint = k + 1 == chain_.size();
        const host::Matrix frame = joint.globalMatrix();
        const Vector pole = frame.off + frame.v3 * 10.0;
        // On a closed spline the last joint lies on the first: the last connector joins the
        // one before it to joint 0, and the last joint is switched off.
        const host::Object objectB = closing ? chain_[0] : joint;
        const host::Object child = closing ? chain_[1] : (lastJoint ? joint : chain_[k + 1]);
        const host::Object connector = createConnector(generator_, host::connectortype::Ragdoll, previous, objectB, LimitA,
                                                       LimitB, LimitC, joint, child, pole, {}, 0, group);
        if (closing) joint.setParameter(host::DescID(host::param::GeneratorEnabled), int32_t{0});
        if (!connector.alive()) return;
        connector.setName(prefix_ + "_Connector" + std::to_string(k));
        connector.setParameter(host::DescID(host::forceparam::AxisA), host::forceaxis::Z);
        connector.setParameter(host::DescID(host::forceparam::AxisB), host::forceaxis::Z);
        if (!lastJoint) return;
        // The last connector sits just past the last joint and looks back along the rope.
        const Vector at = frame.off;
        const Vector before = previous.globalMatrix().off;
        connector.setLocalPosition(host::inverse(generator_.globalMatrix()) * (at + (at - before) * 0.01));
        connector.setLocalScale({1.0, 1.0, 1.0});
        host::Matrix aimed = ropeFrame(at, before, frame.v2);
        aimed.off = connector.globalMatrix().off;
        connector.setGlobalMatrix(aimed);
    }

    const host::Object& generator_;
    const RopeSettings& settings_;
    const bool controllerLinked_;
    const host::SplineObject& spline_;
    const SegmentPath& path_;
    const std::string suffix_; ///< "" or "_Segment_" and the segment's index
    const std::string prefix_; ///< the spline's name and the suffix
    host::Host& host_;
    const host::Document doc_;
    std::vector<host::Object> chain_;
};

} // namespace

bool buildRope(const host::Object& generator) {
    if (!generator.host()) return false;
    const host::SplineObject spline = ropeSpline(generator);
    if (!spline.alive()) return false;
    const RopeSettings settings = RopeSettings::read(generator);
    removePreviousBuild(generator, settings);

    const host::Document doc = generator.document();
    doc.startUndo();
    CommandContext& ctx = commandContext();
    ctx.extra = ListRef::ensureRecorded(generator, ADDITIONAL_InEx_CREATED_OBJECTS);
    ctx.created = ListRef::ensureRecorded(generator, SETTINGS_CREATED_OBJECTS);
    if (!ctx.overrides.present()) ctx.overrides = ListRef::of(generator, SETTINGS_SELECTED_BONES_SELECTED_BONES);
    const int32_t segments = spline.segmentCount();
    if (segments < 1) {
        doc.endUndo();
        return true;
    }
    if (settings.count < 1) {
        generator.host()->consoleLine("Flumpet: Joints Amount is 0, no rope was built.");
        doc.endUndo();
        return true;
    }
    SegmentPath path(spline);
    bool built = static_cast<bool>(path);
    for (int32_t s = 0; built && s < segments; ++s) {
        built = path.select(s);
        if (built)
            SegmentBuilder(generator, settings, settings.controllerLinked(), spline, path, segmentSuffix(segments, s))
                .build();
    }
    doc.endUndo();
    return built;
}

} // namespace flumpet
