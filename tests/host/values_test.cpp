#include "host/values.h"

#include <gtest/gtest.h>

namespace flumpet::host {
namespace {

TEST(SplineCurve, PassesThroughKnotsAndHoldsEndValues) {
    SplineCurve c;
    c.insertKnot(1.0, 1.0);
    c.insertKnot(0.0, 0.0);
    c.insertKnot(0.5, 0.8);
    ASSERT_EQ(c.knots().size(), 3u);
    EXPECT_EQ(c.knots()[0].x, 0.0);
    EXPECT_DOUBLE_EQ(c.valueAt(0.5), 0.8);
    EXPECT_DOUBLE_EQ(c.valueAt(-3.0), 0.0);
    EXPECT_DOUBLE_EQ(c.valueAt(7.0), 1.0);
}

TEST(SplineCurve, NeverOvershootsMonotoneKnots) {
    SplineCurve c;
    c.insertKnot(0.0, 0.0);
    c.insertKnot(0.1, 0.9);
    c.insertKnot(1.0, 1.0);
    double last = 0.0;
    for (int i = 0; i <= 100; ++i) {
        const double y = c.valueAt(i / 100.0);
        EXPECT_GE(y, last - 1e-12);
        EXPECT_LE(y, 1.0 + 1e-12);
        last = y;
    }
}

TEST(SplineCurve, FlatCurveIsFlat) {
    SplineCurve c;
    c.insertKnot(0.0, 1.0);
    c.insertKnot(1.0, 1.0);
    EXPECT_DOUBLE_EQ(c.valueAt(0.37), 1.0);
    EXPECT_DOUBLE_EQ(SplineCurve{}.valueAt(0.5), 0.0);
}

TEST(InExcludeList, IndexOfAndDeleteAt) {
    InExcludeList l;
    l.insert(7);
    l.insert(9);
    EXPECT_EQ(l.indexOf(9), 1);
    EXPECT_EQ(l.indexOf(8), -1);
    EXPECT_EQ(l.indexOf(NoNode), -1);
    EXPECT_FALSE(l.deleteAt(2));
    EXPECT_TRUE(l.deleteAt(0));
    EXPECT_EQ(l.idAt(0), 9u);
    EXPECT_EQ(l.idAt(5), NoNode);
}

TEST(DescID, LeadingPartComparison) {
    const DescID size({1100, 23, 0});
    const DescID sizeX({1100, 23, 0}, {1000, 19, 0});
    EXPECT_TRUE(size.isPartOf(sizeX));
    EXPECT_TRUE(sizeX.isPartOf(sizeX));
    EXPECT_FALSE(sizeX.isPartOf(size));
    EXPECT_TRUE(DescID(1100).isPartOf(sizeX)); // unspecified type matches any
    EXPECT_FALSE(DescID({1100, 19, 0}).isPartOf(sizeX));
    EXPECT_FALSE(DescID().isPartOf(size));
}

TEST(Container, TypedReadsFallBackOnOtherTypes) {
    Container c;
    c.setBool(1115, true);
    c.setFloat(1044, 0.3);
    c.setLink(1003, 42);
    EXPECT_EQ(c.getInt(1115), 1); // switches read as integers
    EXPECT_EQ(c.getInt(1044, -1), -1);
    EXPECT_EQ(c.getFloat(1115, 2.0), 2.0);
    EXPECT_EQ(c.getLinkId(1003), 42u);
    EXPECT_EQ(c.getLinkId(1044), NoNode);
    Container outer;
    outer.setContainer(50004, c);
    EXPECT_EQ(outer.getContainer(50004), c);
    EXPECT_EQ(outer.getContainer(1), Container{});
}

} // namespace
} // namespace flumpet::host
