#include "scene/dynamics/simulation.h"

#include "host/ids.h"
#include "host/nodes.h"
#include "scene/dynamics/body_shapes.h"
#include "scene/dynamics/joint_limits.h"
#include "scene/engine.h"

#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <tuple>
#include <unordered_map>

namespace flumpet::scene {

namespace {

using host::Vector;

/// The body tag's Dynamic entry of a body that collides but never moves.
constexpr int32_t CollisionOnly = 0;

/// How stiffly a follow strength of 100 % pulls a body back to its start pose: the angular
/// frequency (per second) of the critically damped spring it acts as.
constexpr double FollowFrequency = 20.0;

/// How far past its limits a connector may go before the report names it: Bullet's limits are
/// soft, so a joint under load overshoots a little. Angles in radians; coming apart as a fraction
/// of the rig's size.
constexpr double AngleTolerance = 0.2;
constexpr double ApartTolerance = 0.02;
/// How deep two bodies may overlap at rest, as a fraction of the rig's size, before the report
/// warns of it.
constexpr double OverlapDepth = 0.005;
/// How stiffly a spring holds its rest turn: the angular frequency (per second) at which it
/// would swing its second body.
constexpr double SpringFrequency = 10.0;
/// The most a spring may turn a body in one simulation step, as a fraction of a radian per
/// radian of its turn: beyond it the spring, applied a step at a time, would overshoot.
constexpr double SpringSafety = 0.5;

void collectObjects(const host::Object& first, std::vector<host::Object>& out) {
    for (host::Object o = first; o.alive(); o = o.next()) {
        out.push_back(o);
        collectObjects(o.firstChild(), out);
    }
}

struct Body {
    host::Object object;
    Vector scale;
    /// Where the centre of mass starts, turned to the body's principal axes.
    btTransform start = btTransform::getIdentity();
    /// The object's frame seen from the centre of mass.
    btTransform fromCentre = btTransform::getIdentity();
    double followPosition = 0.0, followRotation = 0.0; // fractions
    BodyShape shape;
    /// The distance from the body's origin to the farthest corner of its shape's box.
    double radius = 0.0;
    std::unique_ptr<btDefaultMotionState> motion;
    std::unique_ptr<btRigidBody> rigid;
};

/// Weighs a body's shape by the volume of its parts and moves the compound so that its centre
/// of mass, on its principal axes, is the origin. Answers the mass, and the principal inertia
/// and the object's frame seen from the new origin.
double centreOnMass(BodyShape& shape, double density, btTransform& fromCentre, btVector3& inertia) {
    btCompoundShape& compound = *shape.compound;
    std::vector<btScalar> masses;
    double mass = 0.0;
    // A flat part has no volume; it still weighs a little, so that the body is never massless.
    for (double volume : shape.volumes) {
        masses.push_back(static_cast<btScalar>(std::max(density * volume, 1e-6)));
        mass += static_cast<double>(masses.back());
    }
    btTransform principal;
    compound.calculatePrincipalAxisTransform(masses.data(), principal, inertia);
    const btTransform toCentre = principal.inverse();
    for (int i = 0; i < compound.getNumChildShapes(); ++i)
        compound.updateChildTransform(i, toCentre * compound.getChildTransform(i), false);
    compound.recalculateLocalAabb();
    fromCentre = toCentre;
    // A shape without depth along an axis would not turn about it at all.
    const btScalar least = std::max({inertia.x(), inertia.y(), inertia.z()}) * 1e-4F + 1e-9F;
    inertia.setMax(btVector3(least, least, least));
    return mass;
}

class World {
  public:
    World(const BakeSettings& settings, double step)
        : step_(step), dispatcher_(&configuration_), world_(&dispatcher_, &broadphase_, &solver_, &configuration_) {
        world_.setGravity(btVector3(0, static_cast<btScalar>(-settings.gravity), 0));
        world_.getSolverInfo().m_numIterations = std::max(settings.iterations, 1);
        if (settings.ground) {
            ground_ = std::make_unique<btStaticPlaneShape>(btVector3(0, 1, 0), static_cast<btScalar>(settings.groundHeight));
            groundBody_ = std::make_unique<btRigidBody>(0.0F, nullptr, ground_.get());
            groundBody_->setFriction(0.8F);
            world_.addRigidBody(groundBody_.get());
        }
    }
    ~World() {
        for (auto& c : constraints_) world_.removeConstraint(c.get());
        for (Body& b : bodies_) world_.removeRigidBody(b.rigid.get());
        for (Body& b : statics_) world_.removeRigidBody(b.rigid.get());
        if (groundBody_) world_.removeRigidBody(groundBody_.get());
    }

    void addBodies(const std::vector<host::Object>& objects) {
        const auto isBody = [](const host::Object& o) { return o.tag(host::tagtype::DynamicsBody).alive(); };
        std::vector<double> densities;
        double weight = 0.0;
        for (const host::Object& o : objects) {
            const host::Tag tag = o.tag(host::tagtype::DynamicsBody);
            if (!tag.alive()) continue;
            Body b;
            b.object = o;
            const Placement placement = splitPlacement(o.globalMatrix());
            b.scale = placement.scale;
            b.start = placement.rigid;
            b.shape = makeBodyShape(o, placement.rigid, isBody);
            const host::Container data = tag.data();
            if (data.getInt(host::bodytag::Dynamic, 1) == CollisionOnly) {
                addStatic(std::move(b));
                continue;
            }
            b.followPosition = std::clamp(data.getFloat(host::bodytag::FollowPosition, 0.0) / 100.0, 0.0, 1.0);
            b.followRotation = std::clamp(data.getFloat(host::bodytag::FollowRotation, 0.0) / 100.0, 0.0, 1.0);
            densities.push_back(std::max(data.getFloat(host::bodytag::Density, 1000.0), 1e-3));
            for (double volume : b.shape.volumes) weight += densities.back() * volume;
            bodies_.push_back(std::move(b));
        }
        // Bullet works in single precision with fixed tolerances, and its limits let go when
        // masses and inertias run to millions, as a density of 1000 in centimetres makes them.
        // The motion does not change when every mass is scaled alike, so the bodies weigh 1 on
        // average.
        const double unit = weight > 0.0 ? static_cast<double>(bodies_.size()) / weight : 1.0;
        for (size_t i = 0; i < bodies_.size(); ++i) {
            Body& b = bodies_[i];
            btVector3 inertia;
            const double mass = centreOnMass(b.shape, densities[i] * unit, b.fromCentre, inertia);
            // The body moves as its centre of mass; its object is placed from there.
            b.start = b.start * b.fromCentre.inverse();
            btVector3 low, high;
            b.shape.compound->getAabb(btTransform::getIdentity(), low, high);
            b.radius = static_cast<double>(std::max(low.length(), high.length()));
            b.motion = std::make_unique<btDefaultMotionState>(b.start);
            btRigidBody::btRigidBodyConstructionInfo info(static_cast<btScalar>(mass), b.motion.get(), b.shape.compound,
                                                          inertia);
            info.m_friction = 0.7F;
            info.m_linearDamping = 0.05F;
            info.m_angularDamping = 0.05F;
            b.rigid = std::make_unique<btRigidBody>(info);
            // Every body is simulated from the first step to the last, never put to sleep.
            b.rigid->setActivationState(DISABLE_DEACTIVATION);
            world_.addRigidBody(b.rigid.get());
        }
        for (Body& b : bodies_) index_[b.object.id()] = &b;
        for (Body& b : statics_) index_[b.object.id()] = &b;
    }

    /// A body that collides but never moves: it is in no frame of the motion.
    void addStatic(Body b) {
        b.motion = std::make_unique<btDefaultMotionState>(b.start);
        btRigidBody::btRigidBodyConstructionInfo info(0.0F, b.motion.get(), b.shape.compound);
        info.m_friction = 0.7F;
        b.rigid = std::make_unique<btRigidBody>(info);
        world_.addRigidBody(b.rigid.get());
        statics_.push_back(std::move(b));
    }

    /// Joins the bodies each connector links; answers how many it joined.
    /// Joins the bodies each connector links, and puts a spring between the bodies each spring
    /// links; answers how many of each it made.
    std::pair<int32_t, int32_t> addConnectors(const host::Document& doc, const std::vector<host::Object>& objects) {
        int32_t joined = 0, sprung = 0;
        for (const host::Object& o : objects) {
            if (o.type() != host::type::Connector && o.type() != host::type::Spring) continue;
            const host::Container data = o.data();
            Body* a = bodyOf(doc.resolve(data.getLinkId(host::forceparam::ObjectA)));
            Body* b = bodyOf(doc.resolve(data.getLinkId(host::forceparam::ObjectB)));
            if (!a || !b || a == b) continue;
            const btTransform placed = splitPlacement(o.globalMatrix()).rigid;
            const auto inBodies = [&](const btTransform& frame) {
                return std::pair{a->start.inverse() * frame, b->start.inverse() * frame};
            };
            if (o.type() == host::type::Spring) {
                // A spring's frame has the bone along Z, as the ragdoll connector's does.
                const auto [inA, inB] = inBodies(constraintFrame(host::connectortype::Ragdoll, placed));
                springs_.push_back(makeSpring(data, *a, *b, inA, inB));
                ++sprung;
                continue;
            }
            const JointLimits limits = readJointLimits(data);
            const auto [inA, inB] = inBodies(constraintFrame(limits.type, placed));
            std::unique_ptr<btTypedConstraint> c = makeConstraint(limits, *a->rigid, *b->rigid, inA, inB);
            joints_.push_back({o.name(), a, b, inA, inB, limits});
            // Joined bodies may overlap at the joint: they do not collide with each other.
            world_.addConstraint(c.get(), true);
            constraints_.push_back(std::move(c));
            ++joined;
        }
        return {joined, sprung};
    }

    /// A spring pulls the two bodies' turn about its frame back to the turn they start with:
    /// a twist spring about the bone (the frame's X axis), a bend spring across it. It neither
    /// holds the bodies together nor limits them; the connectors do that.
    struct Spring {
        Body* a;
        Body* b;
        btTransform inA, inB;
        bool twist = false;
        double stiffness = 0.0, damping = 0.0;
    };
    Spring makeSpring(const host::Container& data, Body& a, Body& b, const btTransform& inA, const btTransform& inB) const {
        // A body that never moves turns as if its inertia had no end.
        const auto ownInertia = [](const btRigidBody& r) {
            const btVector3 inv = r.getInvInertiaDiagLocal();
            const btScalar largest = std::max({inv.x(), inv.y(), inv.z()});
            return largest > 0 ? 1.0 / static_cast<double>(largest) : std::numeric_limits<double>::infinity();
        };
        // As stiff as a critically damped swing of SpringFrequency for body B (body A when B
        // never moves) turning about the spring's place: its own inertia plus its mass at its
        // distance from there.
        const bool bMoves = b.rigid->getInvMass() > 0;
        const btRigidBody& r = bMoves ? *b.rigid : *a.rigid;
        const double lever = static_cast<double>((bMoves ? inB : inA).getOrigin().length());
        const double mass = r.getInvMass() > 0 ? 1.0 / static_cast<double>(r.getInvMass()) : 0.0;
        const double i = ownInertia(r) + mass * lever * lever;
        // The torque turns each body about its own centre, a step at a time: kept below what
        // would make the lighter of them swing or settle within a step, or it would blow up.
        const double own = std::min(ownInertia(*b.rigid), ownInertia(*a.rigid));
        const double w = SpringSafety / step_;
        Spring spring{&a, &b, inA, inB};
        spring.twist = data.getInt(host::forceparam::Type, host::springkind::Bend) == host::springkind::Twist;
        spring.stiffness = std::min(i * SpringFrequency * SpringFrequency, own * w * w);
        spring.damping = std::min(2.0 * i * SpringFrequency, own * w);
        return spring;
    }
    /// The spring's torque, on B and against A: the turn of B's frame from A's (nothing at the
    /// start, where both frames are the spring's own) and how fast it turns, on the spring's axes.
    static void pull(const Spring& s) {
        btRigidBody& a = *s.a->rigid;
        btRigidBody& b = *s.b->rigid;
        const btMatrix3x3 frameA = a.getWorldTransform().getBasis() * s.inA.getBasis();
        const btQuaternion turn = (a.getWorldTransform() * s.inA).getRotation().inverse() *
                                  (b.getWorldTransform() * s.inB).getRotation();
        btVector3 axis;
        btScalar angle = 0;
        btTransformUtil::calculateDiffAxisAngleQuaternion(btQuaternion::getIdentity(), turn, axis, angle);
        btVector3 bent = axis * angle;
        btVector3 speed = frameA.transpose() * (b.getAngularVelocity() - a.getAngularVelocity());
        const auto onAxes = [&](btVector3& v) {
            if (s.twist) v.setValue(v.x(), 0, 0);
            else v.setX(0);
        };
        onAxes(bent);
        onAxes(speed);
        const btVector3 torque =
            frameA * (bent * static_cast<btScalar>(-s.stiffness) - speed * static_cast<btScalar>(s.damping));
        b.applyTorque(torque);
        a.applyTorque(-torque);
    }

    void step(double dt) {
        for (Body& b : bodies_) follow(b);
        for (const Spring& spring : springs_) pull(spring);
        world_.stepSimulation(static_cast<btScalar>(dt), 0, static_cast<btScalar>(dt));
    }

    std::vector<host::Matrix> placements() const {
        std::vector<host::Matrix> out;
        out.reserve(bodies_.size());
        for (const Body& b : bodies_) out.push_back(joinPlacement(b.rigid->getWorldTransform() * b.fromCentre, b.scale));
        return out;
    }
    /// The diagonal of the box around every body where the bake starts.
    double startSize() const {
        btVector3 low, high;
        startBox(low, high);
        return static_cast<double>((high - low).length());
    }
    void startBox(btVector3& low, btVector3& high) const {
        low = high = btVector3(0, 0, 0);
        for (size_t i = 0; i < bodies_.size(); ++i) {
            btVector3 l, h;
            bodies_[i].rigid->getAabb(l, h);
            if (i == 0) {
                low = l;
                high = h;
            }
            low.setMin(l);
            high.setMax(h);
        }
    }
    void measureSpeeds(int64_t frame, StabilityReport& report) const {
        for (const Body& b : bodies_) {
            report.largestLinearSpeed =
                std::max(report.largestLinearSpeed, static_cast<double>(b.rigid->getLinearVelocity().length()));
            const auto turn = static_cast<double>(b.rigid->getAngularVelocity().length());
            report.largestAngularSpeed = std::max(report.largestAngularSpeed, turn);
            if (turn * b.radius > report.largestSpinSpeed) {
                report.largestSpinSpeed = turn * b.radius;
                report.fastestSpin = {b.object.name(), frame};
            }
        }
    }
    std::string nameOf(size_t body) const { return bodies_.at(body).object.name(); }
    std::vector<host::NodeId> ids() const {
        std::vector<host::NodeId> out;
        for (const Body& b : bodies_) out.push_back(b.object.id());
        return out;
    }

  private:
    /// The body of an object: its own, or that of the nearest ancestor that is one.
    Body* bodyOf(host::Object o) {
        for (; o.alive(); o = o.parent())
            if (const auto it = index_.find(o.id()); it != index_.end()) return it->second;
        return nullptr;
    }

    static std::unique_ptr<btTypedConstraint> makeConstraint(const JointLimits& l, btRigidBody& a, btRigidBody& b,
                                                             const btTransform& inA, const btTransform& inB) {
        const auto halfRange = static_cast<btScalar>(l.halfRange);
        switch (l.type) {
        case host::connectortype::Hinge: {
            // The hinge turns about the frame's Z axis. The range is B's right-handed turn from
            // A's about it; Bullet measures the hinge's angle the other way round.
            auto hinge = std::make_unique<btHingeConstraint>(a, b, inA, inB);
            if (l.limited) hinge->setLimit(static_cast<btScalar>(-l.angleEnd), static_cast<btScalar>(-l.angleStart));
            return hinge;
        }
        case host::connectortype::Slider: {
            auto slider = std::make_unique<btSliderConstraint>(a, b, inA, inB, true);
            slider->setLowerLinLimit(static_cast<btScalar>(l.linearMin));
            slider->setUpperLinLimit(static_cast<btScalar>(l.linearMax));
            slider->setLowerAngLimit(0.0F);
            slider->setUpperAngLimit(0.0F);
            return slider;
        }
        case host::connectortype::Ragdoll: {
            auto cone = std::make_unique<btConeTwistConstraint>(a, b, inA, inB);
            const auto swing = static_cast<btScalar>(l.swing);
            if (l.limited) cone->setLimit(swing, swing, halfRange);
            return cone;
        }
        default: {
            auto generic = std::make_unique<btGeneric6DofConstraint>(a, b, inA, inB, true);
            generic->setLinearLowerLimit(btVector3(0, 0, 0));
            generic->setLinearUpperLimit(btVector3(0, 0, 0));
            const btScalar span = l.limited ? halfRange : static_cast<btScalar>(M_PI);
            generic->setAngularLowerLimit(btVector3(-span, -span, -span));
            generic->setAngularUpperLimit(btVector3(span, span, span));
            return generic;
        }
        }
    }

    /// Pulls a body toward its start pose as a critically damped spring as strong as its
    /// follow strengths.
    static void follow(Body& b) {
        btRigidBody& r = *b.rigid;
        const double w = FollowFrequency;
        if (b.followPosition > 0.0) {
            const btVector3 error = b.start.getOrigin() - r.getCenterOfMassPosition();
            const btVector3 pull = error * static_cast<btScalar>(w * w) - r.getLinearVelocity() * static_cast<btScalar>(2 * w);
            r.applyCentralForce(pull * static_cast<btScalar>(b.followPosition / r.getInvMass()));
        }
        if (b.followRotation > 0.0) {
            btVector3 axis;
            btScalar angle = 0;
            btTransformUtil::calculateDiffAxisAngleQuaternion(r.getOrientation(), b.start.getRotation(), axis, angle);
            const btVector3 turn = axis * (angle * static_cast<btScalar>(w * w)) -
                                   r.getAngularVelocity() * static_cast<btScalar>(2 * w);
            const btMatrix3x3 inertia = r.getInvInertiaTensorWorld().inverse();
            r.applyTorque(inertia * turn * static_cast<btScalar>(b.followRotation));
        }
    }

    double step_;
    btDefaultCollisionConfiguration configuration_;
    btCollisionDispatcher dispatcher_;
    btDbvtBroadphase broadphase_;
    btSequentialImpulseConstraintSolver solver_;
    btDiscreteDynamicsWorld world_;
    std::unique_ptr<btCollisionShape> ground_;
    std::unique_ptr<btRigidBody> groundBody_;
    /// The bodies that move, in the order of the motion's frames, and those that only collide.
    std::vector<Body> bodies_;
    std::vector<Body> statics_;
    std::unordered_map<host::NodeId, Body*> index_;
    std::vector<std::unique_ptr<btTypedConstraint>> constraints_;
    /// What the report checks each connector against.
    struct Joint {
        std::string name;
        const Body* a;
        const Body* b;
        btTransform inA, inB;
        JointLimits limits;
    };
    std::vector<Joint> joints_;
    std::vector<Spring> springs_;
    std::vector<bool> escaped_;
    std::vector<StabilityReport::Excess> worst_;

  public:
    /// Pairs of bodies that overlap deeper than `depth` before anything moved: joined pairs
    /// never collide, so each is a pair the solver will push apart at the first step.
    void findOverlapsAtRest(double depth, StabilityReport& report) {
        world_.performDiscreteCollisionDetection();
        std::unordered_map<const btCollisionObject*, const Body*> owner;
        for (const Body& b : bodies_) owner[b.rigid.get()] = &b;
        for (const Body& b : statics_) owner[b.rigid.get()] = &b;
        btDispatcher& dispatcher = *world_.getDispatcher();
        for (int i = 0; i < dispatcher.getNumManifolds(); ++i) {
            const btPersistentManifold* m = dispatcher.getManifoldByIndexInternal(i);
            const auto a = owner.find(m->getBody0()), b = owner.find(m->getBody1());
            if (a == owner.end() || b == owner.end()) continue;
            double deepest = 0.0;
            for (int k = 0; k < m->getNumContacts(); ++k)
                deepest = std::min(deepest, static_cast<double>(m->getContactPoint(k).getDistance()));
            if (deepest < -depth) report.overlapsAtRest.emplace_back(a->second->object.name(), b->second->object.name());
        }
        std::sort(report.overlapsAtRest.begin(), report.overlapsAtRest.end());
    }

    /// Notes the bodies that are outside the region at this frame, and the connectors whose
    /// bodies went beyond their limits by more than the tolerances.
    void checkFrame(int64_t frame, const btVector3& low, const btVector3& high, double angleTolerance,
                    double apartTolerance, StabilityReport& report) {
        escaped_.resize(bodies_.size());
        for (size_t i = 0; i < bodies_.size(); ++i) {
            const btVector3 p = bodies_[i].rigid->getCenterOfMassPosition();
            const bool outside = p.x() < low.x() || p.y() < low.y() || p.z() < low.z() || p.x() > high.x() ||
                                 p.y() > high.y() || p.z() > high.z();
            if (outside && !escaped_[i]) {
                escaped_[i] = true;
                report.bodiesOutside.push_back({bodies_[i].object.name(), frame});
            }
        }
        worst_.resize(joints_.size());
        for (size_t i = 0; i < joints_.size(); ++i) {
            const Joint& j = joints_[i];
            const LimitExcess e = limitExcess(j.limits, j.a->rigid->getWorldTransform() * j.inA,
                                              j.b->rigid->getWorldTransform() * j.inB);
            StabilityReport::Excess& w = worst_[i];
            // Which of the two is further past its tolerance, as a multiple of it.
            const double angleRatio = e.angle / angleTolerance, apartRatio = e.apart / apartTolerance;
            const double worstRatio = w.what.empty() ? 1.0 : w.amount / (w.what == "angle" ? angleTolerance : apartTolerance);
            if (std::max(angleRatio, apartRatio) <= worstRatio) continue;
            w = {j.name, angleRatio >= apartRatio ? "angle" : "apart", angleRatio >= apartRatio ? e.angle : e.apart, frame};
        }
    }
    void addWorstJoints(StabilityReport& report) const {
        for (const auto& w : worst_)
            if (!w.what.empty()) report.jointsBeyondLimits.push_back(w);
    }
};

} // namespace

Bake simulateDocument(Engine& engine, host::NodeId docId, const BakeSettings& settings) {
    const host::Document doc(&engine, docId);
    std::vector<host::Object> objects;
    collectObjects(doc.firstObject(), objects);
    const double fps = settings.framesPerSecond > 0.0 ? settings.framesPerSecond : 30.0;
    const double stepsPerSecond = fps * std::max(settings.substeps, 1);
    const double dt = 1.0 / stepsPerSecond;
    World world(settings, dt);
    world.addBodies(objects);
    Bake bake;
    BakedMotion& motion = bake.motion;
    StabilityReport& report = bake.report;
    std::tie(motion.connectors, motion.springs) = world.addConnectors(doc, objects);
    motion.bodies = world.ids();
    motion.frames.push_back(world.placements());
    const auto frames = static_cast<int64_t>(std::llround(std::max(settings.seconds, 0.0) * fps));
    report.framesAsked = frames;
    // A limit well beyond what a falling, tumbling rig reaches: twice the speed of a free fall
    // through the whole bake plus ten rig sizes a second. A body, or a point of its surface,
    // past it has been thrown by the solver, not by gravity.
    const double size = world.startSize();
    report.speedLimit = 2.0 * std::abs(settings.gravity) * std::max(settings.seconds, 0.0) + 10.0 * size;
    world.findOverlapsAtRest(OverlapDepth * size, report);
    // The region a rig may move in: its start box grown by its own size on every side, and by
    // a free fall through the whole bake downward when no ground catches it.
    btVector3 low, high;
    world.startBox(low, high);
    const auto margin = static_cast<btScalar>(size);
    const double fall = settings.ground ? 0.0 : 0.5 * std::abs(settings.gravity) * settings.seconds * settings.seconds;
    low -= btVector3(margin, margin + static_cast<btScalar>(fall), margin);
    high += btVector3(margin, margin, margin);
    int64_t steps = 0;
    for (int64_t f = 1; f <= frames; ++f) {
        // Whole steps up to the frame's time, counted so that rounding never drifts.
        const auto until = static_cast<int64_t>(std::llround(static_cast<double>(f) / fps * stepsPerSecond));
        for (; steps < until; ++steps) world.step(dt);
        std::vector<host::Matrix> frame = world.placements();
        // A value that is not finite is never cached: the bake ends at the last sound frame.
        const auto bad = std::find_if(frame.begin(), frame.end(), [](const host::Matrix& m) { return !host::isFinite(m); });
        if (bad != frame.end()) {
            report.nonFinite = "body \"" + world.nameOf(static_cast<size_t>(bad - frame.begin())) + "\" at frame " +
                               std::to_string(f);
            break;
        }
        world.measureSpeeds(f, report);
        world.checkFrame(f, low, high, AngleTolerance, ApartTolerance * size, report);
        motion.frames.push_back(std::move(frame));
        report.frames = f;
    }
    world.addWorstJoints(report);
    return bake;
}

} // namespace flumpet::scene
