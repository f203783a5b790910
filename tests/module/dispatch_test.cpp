#include "help.h"
#include "rig_fixture.h"

#include <gtest/gtest.h>

namespace flumpet::test {
namespace {

TEST(DragAndDrop, OnlyPolygonObjectsMayJoinTheCharacterMeshes) {
    RigFixture f;
    host::Object mesh = f.add(host::type::Polygon, "Body");
    struct Case {
        int32_t target;
        host::NodeId element;
        bool answer, result;
    } cases[] = {
        {SETTINGS_RETARGET_CHARACTER_MESH, mesh.id(), true, true},
        {SETTINGS_RETARGET_CHARACTER_MESH, f.joint("Pelvis").id(), true, false},
        {SETTINGS_RETARGET_CHARACTER_MESH, host::NoNode, false, true /* untouched */},
        {SETTINGS_CREATED_OBJECTS, f.joint("Pelvis").id(), true, true /* untouched */},
    };
    for (const Case& c : cases) {
        host::DescriptionCheckDragAndDrop check{host::DescID(c.target), c.element, true};
        EXPECT_EQ(f.send(host::msg::DragAndDropCheck, &check), c.answer);
        EXPECT_EQ(check.result, c.result);
    }
    EXPECT_FALSE(f.send(host::msg::DragAndDropCheck, nullptr));
}

TEST(MenuCreation, StartsInRopeModeWithSplineSelectedAndKeyHeld) {
    for (const bool held : {false, true}) {
        RigFixture f;
        host::Object spline = f.add(host::type::Spline, "Path");
        f.select({spline});
        host::Container key;
        key.setInt(host::input::ValueEntry, held ? 1 : 0);
        f.engine.setInputState(host::input::KeyboardDevice, host::input::QualifierChannel, key);
        EXPECT_TRUE(f.send(host::msg::MenuPrepare));
        const host::Container d = f.generator.data();
        EXPECT_EQ(d.getInt(CONNECTOR_MODE), held ? 6 : 0);
        EXPECT_EQ(d.getFloat(ADDITIONAL_SETTINGS_CONTROL_FOLLOW_POSITION), held ? 0.0 : 1.0);
        EXPECT_EQ(d.getFloat(ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION), held ? 0.0 : 1.0);
        EXPECT_EQ(d.getInt(host::param::MenuCreated), 1);
    }
}

TEST(MenuCreation, KeyHeldWithoutSplineKeepsTheMode) {
    RigFixture f;
    f.select({f.joint("Pelvis")});
    host::Container key;
    key.setInt(host::input::ValueEntry, 1);
    f.engine.setInputState(host::input::KeyboardDevice, host::input::QualifierChannel, key);
    EXPECT_TRUE(f.send(host::msg::MenuPrepare));
    EXPECT_FALSE(f.generator.data().has(CONNECTOR_MODE));
}

TEST(DocumentEvent, StampsTheVersionAndNeedsData) {
    RigFixture f;
    host::DocumentEvent loaded{host::docevent::StampVersion};
    EXPECT_TRUE(f.send(host::msg::DocumentEvent, &loaded));
    EXPECT_EQ(f.generator.data().getString(VERSION_TEXT), "1010");
    EXPECT_FALSE(f.send(host::msg::DocumentEvent, nullptr));
    host::DocumentEvent other{7};
    EXPECT_TRUE(f.send(host::msg::DocumentEvent, &other));
}

// The enabled switch may be stored as an integer (files, scripts); 0 is off like false.
TEST(Dispatch, GeneratorSwitchedOffByAnIntegerDoesNothing) {
    for (const host::Value& off : {host::Value{false}, host::Value{int32_t{0}}}) {
        RigFixture f;
        host::Object made = f.addNull("Flumpet_Connectors", f.generator);
        f.addToList(SETTINGS_CREATED_OBJECTS, made);
        f.generator.setParameter(host::DescID(host::param::GeneratorEnabled), off);
        const std::string before = f.save();
        EXPECT_TRUE(f.press(CMD_DELETE_CREATED));
        f.select({f.joint("Shoulder_L"), f.joint("Hand_L")});
        EXPECT_TRUE(f.press(ARM_A_ASSIGN_SELECTED));
        EXPECT_TRUE(made.alive());
        f.select({});
        EXPECT_EQ(f.save(), before);
    }
}

TEST(Dispatch, OtherMessagesAnswerTrue) {
    RigFixture f;
    EXPECT_TRUE(f.send(123456, nullptr));
    EXPECT_TRUE(f.press(CMD_CREATE)); // routed once its command lands
}

} // namespace
} // namespace flumpet::test

namespace flumpet::test {
namespace {

TEST(DocumentEvent, ResendsTheStrengthsAsIfTheyWereSet) {
    RigFixture f;
    f.addToList(SETTINGS_CREATED_OBJECTS, f.addNull("Flumpet_Connectors", f.generator));
    f.generator.setParameter(host::DescID(SETTINGS_CONTROL_FOLLOW_POSITION), 0.3); // no message yet
    EXPECT_EQ(f.followPosition("Pelvis"), -1.0);
    for (const int32_t kind : {host::docevent::ResendValuesA, host::docevent::ResendValuesB}) {
        f.body("Pelvis").setParameter(host::DescID(host::bodytag::FollowPosition), -1.0);
        host::DocumentEvent event{kind};
        EXPECT_TRUE(f.send(host::msg::DocumentEvent, &event));
        EXPECT_EQ(f.followPosition("Pelvis"), 30.000001907348633);
        EXPECT_EQ(f.followRotation("Pelvis"), 0.0);
    }
}

TEST(DocumentationButtons, OpenTheirPagesThroughTheScriptingEngine) {
    RigFixture f;
    EXPECT_TRUE(f.press(CMD_OPEN_DOCS));
    EXPECT_TRUE(f.press(CMD_OPEN_SITE));
    EXPECT_EQ(f.engine.feedback().openedPages,
              (std::vector<std::string>{documentationBase() + "/docs/", documentationBase() + "/"}));
}

} // namespace
} // namespace flumpet::test

namespace flumpet::test {
namespace {

// The dirty check looks at the generator's first spline child only; evaluating the scene
// consumes that child's changes (the rope update they trigger comes with the rope builder).
TEST(DirtyCheck, WatchesTheFirstSplineChildOnly) {
    RigFixture f;
    f.addNull("NotASpline", f.generator);
    host::Object first = f.add(host::type::Spline, "Path", f.generator);
    host::Object second = f.add(host::type::Spline, "Other", f.generator);
    for (const host::Object& s : {first, second}) s.setLocalPosition({0, 1, 0});
    f.engine.evaluate(f.doc.id());
    EXPECT_FALSE(first.changedSinceLastCheck(host::dirty::Matrix));
    EXPECT_TRUE(second.changedSinceLastCheck(host::dirty::Matrix));
}

} // namespace
} // namespace flumpet::test
