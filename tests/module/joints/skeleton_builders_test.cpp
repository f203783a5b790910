#include "joint_rig.h"
#include "joints/rig_groups.h"
#include "joints/skeleton_builders.h"
#include "rig_census.h"

#include <limits>
#include <numbers>

namespace flumpet::test {
namespace {

using host::Vector;

/// One row of the bone pair table, by the fixture's joint names.
struct PairRow {
    const char* a;
    const char* b;
    int32_t type;
    double a1, a2, a3; // degrees
    int32_t flag;
    double pitch; // degrees
};

const PairRow pairTable[21] = {
    {"Pelvis", "Spine1", 3, 20, 60, 120, 0, 0},      {"Spine1", "Spine2", 3, 20, 60, 120, 0, 0},
    {"Spine2", "Chest", 3, 20, 60, 120, 0, 0},       {"Chest", "Neck", 3, 30, 60, 120, 0, 0},
    {"Neck", "Head", 3, 50, 40, 140, 0, 0},          {"Pelvis", "Hip_L", 3, 90, 25, 155, 0, -17},
    {"Pelvis", "Hip_R", 3, 90, 25, 155, 0, -17},     {"Shoulder_L", "UpperArm_L", 3, 50, 20, 160, 0, 0},
    {"Forearm_L", "Hand_L", 3, 50, 20, 160, 0, 0},   {"Shoulder_R", "UpperArm_R", 3, 50, 20, 160, 0, 0},
    {"Forearm_R", "Hand_R", 3, 50, 20, 160, 0, 0},   {"Chest", "Shoulder_L", 3, 50, 70, 110, 0, 0},
    {"Chest", "Shoulder_R", 3, 50, 70, 110, 0, 0},   {"Knee_L", "Ankle_L", 3, 60, 60, 120, 0, -45},
    {"Knee_R", "Ankle_R", 3, 60, 60, 120, 0, -45},   {"Hip_L", "Knee_L", 0, 80, 0, 155, 1, 0},
    {"Hip_R", "Knee_R", 0, 80, 0, 155, 1, 0},        {"UpperArm_L", "Forearm_L", 0, 3, 0, 160, 1, 0},
    {"UpperArm_R", "Forearm_R", 0, 3, 0, 160, 1, 0}, {"Ankle_L", "Toe_L", 0, 3, -70, 90, 1, 0},
    {"Ankle_R", "Toe_R", 0, 3, -70, 90, 1, 0},
};

/// Degrees as the single-precision radians a connector stores.
double stored(double degrees) {
    return static_cast<double>(static_cast<float>(degrees * std::numbers::pi / 180.0));
}

struct SkeletonRig : JointRig {
    host::Object only(const std::string& name) {
        const auto groups = childrenOf(generator);
        for (const host::Object& g : groups)
            if (g.name() == name) return g;
        ADD_FAILURE() << "no group " << name;
        return {};
    }
    double hookValue(int32_t id) {
        host::Value v;
        doc.sceneHook(host::hook::DynamicsSettings).getParameter(host::DescID(id), v);
        if (const auto* d = std::get_if<double>(&v)) return *d;
        if (const auto* i = std::get_if<int32_t>(&v)) return *i;
        return -1.0;
    }
    void setTime(host::Time t, const host::Value& fps) {
        doc.setParameter(host::DescID(host::docparam::Time), t);
        doc.setParameter(host::DescID(host::docparam::FrameRate), fps);
    }
};

TEST(SkeletonConnectors, OneConnectorPerBonePairAsTheTableGives) {
    SkeletonRig f;
    const std::string before = f.save();
    f.inUndoGroup([&] {
        buildSkeletonConnectors(f.generator);
        return 0;
    });
    const host::Object group = f.only("Flumpet_Connectors");
    ASSERT_TRUE(group.alive());
    EXPECT_EQ(group.localMatrix(), host::Matrix{});
    const auto connectors = childrenOf(group);
    ASSERT_EQ(connectors.size(), 21u);
    for (size_t i = 0; i < 21; ++i) {
        const PairRow& row = pairTable[i];
        const host::Object& c = connectors[i];
        SCOPED_TRACE(row.b);
        const host::Container d = c.data();
        EXPECT_EQ(c.type(), host::type::Connector);
        EXPECT_EQ(c.name(), std::string(row.b) + "_Connector");
        EXPECT_EQ(linkedObject(c, host::forceparam::ObjectA), f.joint(row.a));
        EXPECT_EQ(linkedObject(c, host::forceparam::ObjectB), f.joint(row.b));
        EXPECT_EQ(d.getInt(host::forceparam::Type, -1), row.type);
        EXPECT_EQ(d.getFloat(host::connectorparam::PrimaryAngle), stored(row.a1));
        EXPECT_EQ(d.getFloat(host::connectorparam::AngleStart), stored(row.a2));
        EXPECT_EQ(d.getFloat(host::connectorparam::AngleEnd), stored(row.a3));
        EXPECT_EQ(d.getInt(host::connectorparam::PrimaryAngleFlag, -1), row.flag);
    }
    // Listed with the group, and only in the created-objects list.
    EXPECT_EQ(f.list(SETTINGS_CREATED_OBJECTS).count(), 22);
    EXPECT_EQ(f.list(ADDITIONAL_InEx_CREATED_OBJECTS).count(), 0);
    EXPECT_EQ(f.hookValue(host::dynamicsparam::Enabled), 1);
    EXPECT_EQ(f.hookValue(host::dynamicsparam::CollisionsOn), 1);
    EXPECT_EQ(f.hookValue(host::dynamicsparam::TimeScale), 1.0);
    EXPECT_EQ(f.hookValue(host::dynamicsparam::Gravity), 1000.0);
    EXPECT_EQ(f.hookValue(host::dynamicsparam::Substeps), 25.0);
    EXPECT_EQ(f.hookValue(host::dynamicsparam::Iterations), 15.0);
    f.expectUndoAndRedo(before);
}

TEST(SkeletonConnectors, EachConnectorStandsAtItsJointAlongTheBone) {
    SkeletonRig f;
    // Bend the limbs so that every bone points its own way.
    f.joint("Shoulder_L").setLocalPosition({2, 0, 0});
    f.joint("UpperArm_L").setLocalPosition({3, -1, 0});
    f.joint("Forearm_L").setLocalPosition({2, 0, 1});
    f.joint("Knee_R").setLocalPosition({0.5, -4, 0});
    f.joint("Ankle_R").setLocalPosition({0, -4, -0.5});
    f.generator.setLocalPosition({5, -2, 1});
    buildSkeletonConnectors(f.generator);
    const auto connectors = childrenOf(f.only("Flumpet_Connectors"));
    ASSERT_EQ(connectors.size(), 21u);
    struct Check {
        size_t row;
        const char* bone;
        const char* child; // the chain successor
        const char* from;  // a ball joint's aim starts here (the predecessor of an end bone); a
                           // hinge's upper joint
        bool hinge;
    };
    for (const Check& c :
         {Check{7, "UpperArm_L", "Forearm_L", "UpperArm_L", false},
          Check{14, "Ankle_R", "Toe_R", "Knee_R", false}, Check{16, "Knee_R", "Ankle_R", "Hip_R", true},
          Check{17, "Forearm_L", "Hand_L", "UpperArm_L", true}}) {
        SCOPED_TRACE(c.bone);
        const host::Matrix m = connectors[c.row].globalMatrix();
        const Vector b = f.pos(c.bone), child = f.pos(c.child), from = f.pos(c.from);
        EXPECT_TRUE(near(m.off, b + (b - child) * 0.01, 1e-9));
        if (c.hinge) {
            // A hinge turns about the normal of the limb's plane.
            const Vector normal = host::normalise(host::cross(from - b, child - b));
            EXPECT_NEAR(std::abs(host::dot(host::normalise(m.v3), normal)), 1.0, 1e-9);
        } else {
            // A ball joint twists about the bone.
            EXPECT_NEAR(host::dot(host::normalise(m.v3), host::normalise(child - from)), 1.0, 1e-9);
        }
    }
}

TEST(SkeletonConnectors, ASecondRunBuildsASecondFullSet) {
    SkeletonRig f;
    buildSkeletonConnectors(f.generator);
    buildSkeletonConnectors(f.generator);
    const auto groups = childrenOf(f.generator);
    ASSERT_EQ(groups.size(), 2u);
    for (const host::Object& g : groups) {
        EXPECT_EQ(g.name(), "Flumpet_Connectors");
        EXPECT_EQ(childrenOf(g).size(), 21u);
    }
}

TEST(SkeletonConnectors, NothingWithoutAGeneratorInADocument) {
    SkeletonRig f;
    const std::string before = f.save();
    buildSkeletonConnectors({});
    host::Object loose(&f.engine, f.engine.allocObject(PluginId));
    buildSkeletonConnectors(loose);
    buildSkeletonSprings(loose);
    EXPECT_FALSE(loose.firstChild().alive());
    loose.free();
    EXPECT_EQ(f.save(), before);
}

TEST(SkeletonSprings, OneSpringPerBonePairUnderTheFrameGroup) {
    SkeletonRig f;
    f.setTime({12, 30}, int32_t{30});
    const std::string before = f.save();
    f.inUndoGroup([&] {
        buildSkeletonSprings(f.generator);
        return 0;
    });
    const host::Object group = f.only("Flumpet_Springs (frame: 12)");
    const auto springs = childrenOf(group);
    ASSERT_EQ(springs.size(), 21u);
    for (size_t i = 0; i < 21; ++i) {
        const PairRow& row = pairTable[i];
        SCOPED_TRACE(row.b);
        EXPECT_EQ(springs[i].type(), host::type::Spring);
        EXPECT_EQ(springs[i].name(), std::string(row.b) + "_Spring");
        EXPECT_EQ(linkedObject(springs[i], host::forceparam::ObjectA), f.joint(row.a));
        EXPECT_EQ(linkedObject(springs[i], host::forceparam::ObjectB), f.joint(row.b));
        EXPECT_EQ(springs[i].data().getInt(host::forceparam::Type, -1), row.type);
        host::Value hpb;
        ASSERT_TRUE(springs[i].getParameter(host::DescID(host::param::RelativeRotation), hpb));
        EXPECT_NEAR(std::get<Vector>(hpb).y, row.pitch * std::numbers::pi / 180.0, 1e-12);
    }
    EXPECT_EQ(f.hookValue(host::dynamicsparam::Gravity), 1000.0);
    f.expectUndoAndRedo(before);
}

struct FrameCase {
    const char* what;
    host::Value time;
    host::Value fps;
    int64_t frame;
};

void PrintTo(const FrameCase& c, std::ostream* os) {
    *os << c.what;
}

class FrameNumber : public testing::TestWithParam<FrameCase> {};

TEST_P(FrameNumber, FollowsTheDocumentTimeAndFrameRate) {
    SkeletonRig f;
    const FrameCase& c = GetParam();
    host::Container data = f.doc.data();
    data.set(host::docparam::Time, c.time);
    data.set(host::docparam::FrameRate, c.fps);
    f.doc.setData(data);
    EXPECT_EQ(currentFrame(f.doc), c.frame);
}

INSTANTIATE_TEST_SUITE_P(Cases, FrameNumber,
                         testing::Values(FrameCase{"12/30 s at 30 fps", host::Time{12, 30}, int32_t{30}, 12},
                                         FrameCase{"1 s at 24 fps", host::Time{1, 1}, int32_t{24}, 24},
                                         FrameCase{"frame rate as a float", host::Time{1, 2}, 25.0, 12},
                                         FrameCase{"no frame rate", host::Time{12, 30}, host::Value{}, 0},
                                         FrameCase{"no time", host::Value{}, int32_t{30}, 0},
                                         FrameCase{"denominator 0", host::Time{5, 0}, int32_t{30}, 0},
                                         FrameCase{"non-finite frame rate", host::Time{1, 1},
                                                   std::numeric_limits<double>::infinity(), 0},
                                         FrameCase{"before the start", host::Time{-1, 2}, int32_t{30}, -15}));

} // namespace
} // namespace flumpet::test
