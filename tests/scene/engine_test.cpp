#include "host/messages.h"
#include "scene_fixture.h"

#include <gtest/gtest.h>

namespace flumpet::test {
namespace {

using host::Object;

TEST(Engine, HierarchyQueriesFollowInsertion) {
    SceneFixture f;
    Object root = f.addNull("Root");
    Object a = f.addNull("A", root);
    Object b = f.addNull("B", root);
    Object c = f.addNull("C", a);
    EXPECT_EQ(root.firstChild(), a);
    EXPECT_EQ(root.lastChild(), b);
    EXPECT_EQ(a.next(), b);
    EXPECT_EQ(b.previous(), a);
    EXPECT_EQ(c.parent(), a);
    EXPECT_FALSE(root.parent().alive());
    EXPECT_TRUE(root.isAncestorOf(c));
    EXPECT_FALSE(c.isAncestorOf(root));
    EXPECT_EQ(f.doc.firstObject(), root);
    EXPECT_EQ(c.document(), f.doc);
}

} // namespace
} // namespace flumpet::test

namespace flumpet::test {
namespace {

using host::DescID;
using host::Object;

TEST(Engine, SelectionFlagsGiveTopmostOrAllInEitherOrder) {
    SceneFixture f;
    Object a = f.addNull("A");
    Object b = f.addNull("B", a);
    Object c = f.addNull("C");
    for (Object o : {c, b, a}) f.engine.setSelected(o.id(), true); // clicked C, B, A
    auto names = [&](int32_t flags) {
        std::string out;
        for (const Object& o : f.doc.activeObjects(flags)) out += o.name();
        return out;
    };
    EXPECT_EQ(names(host::selection::None), "AC"); // B hides below its selected parent
    EXPECT_EQ(names(host::selection::Children), "ABC");
    EXPECT_EQ(names(host::selection::Children | host::selection::SelectionOrder), "CBA");
    EXPECT_EQ(f.doc.activeObject(), a); // selected last
}

TEST(Engine, ParametersReachPlacementAndVectorComponents) {
    SceneFixture f;
    Object parent = f.addNull("P");
    parent.setLocalPosition({10, 0, 0});
    Object cube = f.add(host::type::Cube, "Box", parent);
    cube.setLocalPosition({0, 2, 0});
    cube.setLocalScale({2, 2, 2});
    EXPECT_EQ(cube.globalPosition(), (host::Vector{10, 2, 0}));
    EXPECT_DOUBLE_EQ(host::length(cube.globalMatrix().v1), 2.0);

    cube.setParameter(DescID(1100), host::Vector{1, 2, 3});
    ASSERT_TRUE(cube.setParameter(DescID({1100, 23, 0}, {host::param::VectorX, 19, 0}), 7.0));
    host::Value size;
    ASSERT_TRUE(cube.getParameter(DescID(1100), size));
    EXPECT_EQ(std::get<host::Vector>(size), (host::Vector{7, 2, 3}));
    host::Value name;
    ASSERT_TRUE(cube.getParameter(DescID(host::param::Name), name));
    EXPECT_EQ(std::get<std::string>(name), "Box");
    host::Value missing;
    EXPECT_FALSE(cube.getParameter(DescID(4242), missing));
    EXPECT_FALSE(cube.setParameter(DescID(host::param::RelativePosition), std::string("left")));

    host::Matrix world;
    world.off = {1, 1, 1};
    cube.setGlobalMatrix(world);
    EXPECT_EQ(cube.localMatrix().off, (host::Vector{-9, 1, 1}));
}

TEST(Engine, ChangesAreSeenOncePerCheck) {
    SceneFixture f;
    Object spline = f.add(host::type::Spline, "Path");
    for (int32_t flag : {host::dirty::Data, host::dirty::Matrix, host::dirty::Cache}) spline.changedSinceLastCheck(flag);
    EXPECT_FALSE(spline.changedSinceLastCheck(host::dirty::Data));
    spline.setParameter(DescID(host::param::SplineClosed), true);
    EXPECT_TRUE(spline.changedSinceLastCheck(host::dirty::Data));
    EXPECT_FALSE(spline.changedSinceLastCheck(host::dirty::Data));
    EXPECT_FALSE(spline.changedSinceLastCheck(host::dirty::Matrix));
    spline.setLocalPosition({0, 1, 0});
    EXPECT_TRUE(spline.changedSinceLastCheck(host::dirty::Matrix));
}

TEST(Engine, DocumentParametersHooksAndUnknownTypes) {
    SceneFixture f;
    host::Value fps, time;
    ASSERT_TRUE(f.doc.getParameter(DescID(host::docparam::FrameRate), fps));
    EXPECT_EQ(std::get<int32_t>(fps), 30);
    ASSERT_TRUE(f.doc.getParameter(DescID(host::docparam::Time), time));
    EXPECT_EQ(std::get<host::Time>(time), (host::Time{0, 1}));

    const host::Node hook = f.doc.sceneHook(host::hook::DynamicsSettings);
    ASSERT_TRUE(hook.alive());
    host::DescriptionCommand bake{DescID(10065)};
    EXPECT_TRUE(hook.message(host::msg::DescriptionCommand, &bake));
    ASSERT_EQ(f.engine.hookPresses().size(), 1u);
    EXPECT_EQ(f.engine.hookPresses()[0],
              (scene::Engine::HookMessage{host::hook::DynamicsSettings, host::msg::DescriptionCommand, 10065}));
    EXPECT_FALSE(f.doc.sceneHook(12345).alive());

    EXPECT_EQ(f.engine.allocObject(999999), host::NoNode);
    EXPECT_EQ(f.engine.allocTag(host::type::Null), host::NoNode); // an object type is no tag
    for (int32_t t : {host::type::Polygon, host::type::Spline, host::type::Null, host::type::Cube, host::type::Sphere,
                      host::type::Cone, host::type::Cylinder, host::type::SubdivisionSurface, host::type::Tracer,
                      host::type::Joint, host::type::Spring, host::type::Connector})
        EXPECT_NE(f.engine.allocObject(t), host::NoNode) << t;
    for (int32_t t : {host::tagtype::Phong, host::tagtype::Protection, host::tagtype::Constraint, host::tagtype::Weight,
                      host::tagtype::DynamicsBody, host::tagtype::Texture, host::tagtype::SkinBinding})
        EXPECT_NE(f.engine.allocTag(t), host::NoNode) << t;
}

TEST(Engine, CloneIsDeepWithNewIds) {
    SceneFixture f;
    Object a = f.addNull("A");
    Object b = f.addNull("B", a);
    f.addTag(b, host::tagtype::Protection);
    Object copy = a.clone();
    ASSERT_TRUE(copy.alive());
    EXPECT_NE(copy.id(), a.id());
    EXPECT_FALSE(copy.document().alive());
    ASSERT_TRUE(copy.firstChild().alive());
    EXPECT_EQ(copy.firstChild().name(), "B");
    EXPECT_NE(copy.firstChild().id(), b.id());
    EXPECT_TRUE(copy.firstChild().tag(host::tagtype::Protection).alive());
    EXPECT_FALSE(a.free()); // inserted nodes belong to the document
    EXPECT_TRUE(copy.free());
}

} // namespace
} // namespace flumpet::test
