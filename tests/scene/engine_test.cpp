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
