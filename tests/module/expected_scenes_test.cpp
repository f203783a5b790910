// Whole-command checks against reviewed expected scenes (tests/expected/): the scene a sequence
// of host messages leaves is compared line by line, so a changed value anywhere shows as a diff.
#include "command_context.h"
#include "dispatch.h"
#include "follow_strengths.h"
#include "host/plugins.h"
#include "rig_fixture.h"
#include "support/expected_scene.h"

#include <gtest/gtest.h>

namespace flumpet::test {
namespace {

// A built rig whose chest body is also a member of the extra-objects list, beside a rope link;
// the chest joint is an override member.
struct FollowRig : RigFixture {
    FollowRig() {
        addToList(SETTINGS_CREATED_OBJECTS, addNull("Flumpet_Connectors", generator));
        host::Object link = add(host::type::Sphere, "Rope_joint_0", generator);
        addToList(ADDITIONAL_InEx_CREATED_OBJECTS, addTag(link, host::tagtype::DynamicsBody));
        addToList(ADDITIONAL_InEx_CREATED_OBJECTS, body("Chest"));
        addToList(SETTINGS_SELECTED_BONES_SELECTED_BONES, joint("Chest"));
        // Values as a saved document brings them, without the messages that push them.
        const std::pair<int32_t, double> values[] = {
            {SETTINGS_CONTROL_FOLLOW_POSITION, 0.2},           {SETTINGS_CONTROL_FOLLOW_ROTATION, 0.4},
            {SETTINGS_SELECTED_BONES_FOLLOW_POSITION, 0.9},    {SETTINGS_SELECTED_BONES_FOLLOW_ROTATION, 0.8},
            {ADDITIONAL_SETTINGS_CONTROL_FOLLOW_POSITION, 0.6}, {ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION, 0.7},
            {ADDITIONAL_SETTINGS_CONTROL_FOLLOW_DENSITY, 250},  {ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION_MASS, 35}};
        for (const auto& [id, v] : values) generator.setParameter(host::DescID(id), v);
    }
};

// Loading a document re-sends every strength; a re-apply request pushes them in the order slot
// bones, extra bodies, override members; an override member that leaves the list goes back to
// the values of its kind (here the extra list's).
TEST(ExpectedScene, FollowStrengthsThroughEventReapplyAndListRemoval) {
    FollowRig f;
    std::string digest;
    host::DocumentEvent loaded{host::docevent::ResendValuesA};
    ASSERT_TRUE(f.send(host::msg::DocumentEvent, &loaded));
    digest += "== after document event 1013\n" + sceneDigest(f.engine, f.doc);

    host::ReapplyRequest request{f.generator.id()};
    ASSERT_TRUE(f.send(host::msg::ReapplyAll, &request));
    digest += "== after re-apply\n" + sceneDigest(f.engine, f.doc);

    const host::InExcludeList overrides = f.list(SETTINGS_SELECTED_BONES_SELECTED_BONES);
    host::ListElementRemoved removed{host::DescID(SETTINGS_SELECTED_BONES_SELECTED_BONES), f.joint("Chest").id(),
                                     overrides.indexOf(f.joint("Chest").id())};
    ASSERT_TRUE(f.send(host::msg::ListElementRemoved, &removed));
    digest += "== after the chest leaves the override list\n" + sceneDigest(f.engine, f.doc);
    expectMatchesFile(digest, "follow_strengths.txt");
}

// The weight-tag walk visits an object, its children depth first, then its next siblings.
TEST(WeightTagWalk, DescendsIntoChildrenBeforeSiblings) {
    ModuleFixture f;
    host::Object body = f.addNull("Body");
    host::Object torso = f.add(host::type::Polygon, "Torso", body);
    host::Object sleeve = f.add(host::type::Polygon, "Sleeve", torso);
    host::Object head = f.add(host::type::Polygon, "Head");
    for (const host::Object& o : {torso, sleeve, head}) f.addTag(o, host::tagtype::Weight);
    f.addTag(sleeve, host::tagtype::Weight); // only an object's first weight tag counts
    collectWeightTags(f.doc.firstObject());
    std::vector<std::string> owners;
    for (host::NodeId id : commandContext().weightTags) owners.push_back(host::Tag(&f.engine, id).object().name());
    EXPECT_EQ(owners, (std::vector<std::string>{"Torso", "Sleeve", "Head"}));
}

// Stands in for the generator to see which parameter the dirty check reports as set.
struct SetRecorder : host::ObjectData {
    static std::vector<int32_t>& seen() {
        static std::vector<int32_t> ids;
        return ids;
    }
    bool message(host::Node, int32_t type, void* data) override {
        if (type == host::msg::DescriptionPostSetParameter && data)
            seen().push_back(static_cast<host::DescriptionPostSetValue*>(data)->descid->firstId());
        return true;
    }
};

TEST(DirtyCheck, ReportsAnEditedSplineAsTheDistributionCurve) {
    ModuleFixture f;
    host::ObjectPlugin recorder;
    recorder.id = 990001;
    recorder.name = "Recorder";
    recorder.description = "Oflumpet";
    recorder.allocator = [] { return std::unique_ptr<host::ObjectData>(new SetRecorder); };
    ASSERT_TRUE(f.engine.pluginRegistry().registerObject(recorder)) << f.engine.lastError();
    host::Object stand = f.add(recorder.id, "Stand-in");
    host::Object spline = f.add(host::type::Spline, "Path", stand);
    SetRecorder::seen().clear();
    checkGeneratorDirty(stand); // the new spline counts as changed
    spline.setLocalPosition({0, 2, 0});
    checkGeneratorDirty(stand);
    checkGeneratorDirty(stand); // nothing changed since
    EXPECT_EQ(SetRecorder::seen(), (std::vector<int32_t>{ROPE_AMOUNT_DISTRIBUTION, ROPE_AMOUNT_DISTRIBUTION}));
}

} // namespace
} // namespace flumpet::test
