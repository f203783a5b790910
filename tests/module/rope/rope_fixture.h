// A generator with a spline child, ready to build a rope on, and ways to look at what was built.
#pragma once

#include "command_context.h"
#include "module/joints/rig_census.h"
#include "module/rig_fixture.h"
#include "random.h"
#include "rope/rope_build.h"

#include <string>
#include <vector>

namespace flumpet::test {

/// Three points, one segment, open and smooth.
inline const std::vector<host::Vector> BentPath{{0, 0, 0}, {0, 100, 0}, {50, 200, 0}};
/// A straight line 300 units up the Y axis: the point at fraction u of it is (0, 300 u, 0).
inline const std::vector<host::Vector> StraightPath{{0, 0, 0}, {0, 300, 0}};

struct RopeFixture : GeneratorFixture {
    host::SplineObject spline;

    explicit RopeFixture(const std::vector<host::Vector>& points = BentPath, bool closed = false,
                         const std::vector<int32_t>& segments = {}, int32_t interpolation = host::splinetype::Cubic) {
        seedRandom(5);
        spline = addSpline("Path", points, interpolation, closed, segments, generator);
    }
    /// A straight rope of `count` pieces up the Y axis.
    RopeFixture(int32_t count, bool endsFixed) : RopeFixture(StraightPath, false, {}, host::splinetype::Linear) {
        generator.setParameter(host::DescID(ROPE_JOINTS_AMOUNT), count);
        generator.setParameter(host::DescID(ROPE_ENDS_FIXED), endsFixed);
    }

    /// Builds as the dispatcher does, with the command context refreshed first.
    bool build() {
        commandContext().refreshLists(generator);
        commandContext().overrides = ListRef::of(generator, SETTINGS_SELECTED_BONES_SELECTED_BONES);
        return buildRope(generator);
    }
    static host::SplineCurve curve(std::initializer_list<host::SplineCurve::Knot> knots) {
        host::SplineCurve c;
        for (const auto& k : knots) c.insertKnot(k.x, k.y);
        return c;
    }
    void setCurve(int32_t param, std::initializer_list<host::SplineCurve::Knot> knots) {
        generator.setParameter(host::DescID(param), curve(knots));
    }
    /// The objects a tracer joins, in order.
    static std::vector<host::NodeId> traced(const host::Object& tracer) {
        const host::Container data = tracer.data();
        const host::InExcludeList* list = data.getInExclude(host::tracerparam::Objects);
        return list ? list->ids() : std::vector<host::NodeId>{};
    }

    std::vector<host::Object> ofType(int32_t type) const { return objectsOfType(doc, type); }
    /// The rope's joints in build order (their names end in their numbers).
    std::vector<host::Object> ropeJoints(const std::string& prefix = "Path") const {
        std::vector<host::Object> out;
        for (int32_t n = 0;; ++n) {
            const host::Object j = named(prefix + "_joint_" + std::to_string(n));
            if (!j.alive()) return out;
            out.push_back(j);
        }
    }
    host::Object named(const std::string& name) const {
        for (const host::Object& o : allObjects(doc))
            if (o.name() == name) return o;
        return {};
    }
    std::vector<host::NodeId> ids(const std::vector<host::Object>& objects) const {
        std::vector<host::NodeId> out;
        for (const host::Object& o : objects) out.push_back(o.id());
        return out;
    }
    double radius(const host::Object& o, int32_t param) const { return o.data().getFloat(param, -1.0); }
};

} // namespace flumpet::test
