#include "scene_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace flumpet::test {
namespace {

using host::SplineObject;
using host::Vector;
namespace splinetype = host::splinetype;

Vector atLength(const SplineObject& s, int32_t segment, double u) {
    auto mapper = s.lengthMapper(segment);
    return mapper ? s.pointAt(segment, mapper->uniformToNatural(u)) : Vector{};
}

TEST(Spline, LinearArcLengthIsExact) {
    SceneFixture f;
    // An L: 1 along X, then 3 along Y. A quarter of the length is the corner.
    SplineObject s = f.addSpline("L", {{0, 0, 0}, {1, 0, 0}, {1, 3, 0}}, splinetype::Linear);
    auto mapper = s.lengthMapper(0);
    ASSERT_TRUE(mapper);
    EXPECT_DOUBLE_EQ(mapper->length(), 4.0);
    const struct {
        double u;
        Vector expected;
    } cases[] = {
        {0.0, {0, 0, 0}}, {0.125, {0.5, 0, 0}}, {0.25, {1, 0, 0}}, {0.5, {1, 1, 0}}, {1.0, {1, 3, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.u);
        EXPECT_NEAR(host::length(atLength(s, 0, c.u) - c.expected), 0.0, 1e-12);
    }
    // The natural parameter runs evenly over the spans instead.
    EXPECT_NEAR(host::length(s.pointAt(0, 0.5) - Vector{1, 0, 0}), 0.0, 1e-12);
}

TEST(Spline, CubicArcLengthOnAStraightLineWithUnevenPoints) {
    SceneFixture f;
    // Collinear points with uneven gaps: the curve stays on the line but its natural speed
    // changes, so only an arc-length mapping puts u at x = 3u.
    SplineObject s = f.addSpline("Line", {{0, 0, 0}, {1, 0, 0}, {3, 0, 0}}, splinetype::Cubic);
    auto mapper = s.lengthMapper(0);
    ASSERT_TRUE(mapper);
    EXPECT_NEAR(mapper->length(), 3.0, 1e-9);
    for (double u : {0.1, 0.25, 0.5, 0.7, 0.9}) {
        SCOPED_TRACE(u);
        const Vector p = atLength(s, 0, u);
        EXPECT_NEAR(p.x, 3.0 * u, 1e-4);
        EXPECT_DOUBLE_EQ(p.y, 0.0);
    }
    EXPECT_NEAR(s.pointAt(0, 0.5).x, 1.0, 1e-12); // passes through its points
}

TEST(Spline, CubicArcLengthOnAClosedCurveSpacesPointsEvenly) {
    SceneFixture f;
    std::vector<Vector> points;
    // An ellipse, so that natural and uniform parameters differ.
    for (int i = 0; i < 12; ++i) {
        const double a = 2 * std::numbers::pi * i / 12;
        points.push_back({3 * std::cos(a), std::sin(a), 0});
    }
    SplineObject s = f.addSpline("Ellipse", points, splinetype::Cubic, true);
    auto mapper = s.lengthMapper(0);
    ASSERT_TRUE(mapper);
    // The arcs between 40 evenly spaced parameters, each measured along a fine polyline, are
    // equal and add up to the length.
    const int n = 40;
    std::vector<double> arcs;
    double sum = 0;
    for (int i = 0; i < n; ++i) {
        const double t0 = mapper->uniformToNatural(double(i) / n),
                     t1 = mapper->uniformToNatural(double(i + 1) / n);
        double arc = 0;
        for (int k = 0; k < 200; ++k)
            arc += host::length(s.pointAt(0, t0 + (t1 - t0) * (k + 1) / 200) -
                                s.pointAt(0, t0 + (t1 - t0) * k / 200));
        arcs.push_back(arc);
        sum += arc;
    }
    const auto [lo, hi] = std::minmax_element(arcs.begin(), arcs.end());
    EXPECT_LT((*hi - *lo) / *hi, 1e-3);
    EXPECT_NEAR(sum, mapper->length(), 1e-4 * mapper->length());
    EXPECT_NEAR(mapper->length(), 13.36, 0.1); // an ellipse of axes 3 and 1 is 13.36 around
}

TEST(Spline, ParametersOutsideTheRangeClampOrWrap) {
    SceneFixture f;
    const std::vector<Vector> square = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    SplineObject open = f.addSpline("Open", square, splinetype::Linear, false);
    SplineObject closed = f.addSpline("Closed", square, splinetype::Linear, true);
    auto openMap = open.lengthMapper(0), closedMap = closed.lengthMapper(0);
    ASSERT_TRUE(openMap && closedMap);
    EXPECT_EQ(open.pointAt(0, -0.5), square[0]);
    EXPECT_EQ(open.pointAt(0, 1.5), square[3]);
    EXPECT_DOUBLE_EQ(openMap->uniformToNatural(-0.2), 0.0);
    EXPECT_DOUBLE_EQ(openMap->uniformToNatural(1.2), 1.0);
    // A closed spline goes round: 1 is the start again, 1.25 one side on.
    EXPECT_EQ(closed.pointAt(0, 1.0), square[0]);
    EXPECT_NEAR(host::length(closed.pointAt(0, 1.25) - square[1]), 0.0, 1e-12);
    EXPECT_NEAR(host::length(closed.pointAt(0, -0.25) - square[3]), 0.0, 1e-12);
    EXPECT_DOUBLE_EQ(closedMap->uniformToNatural(1.0), 1.0);
    EXPECT_NEAR(closedMap->uniformToNatural(1.5), 0.5, 1e-12);
    EXPECT_DOUBLE_EQ(closedMap->length(), 4.0);
}

TEST(Spline, SegmentsAreEvaluatedOnTheirOwn) {
    SceneFixture f;
    SplineObject s = f.addSpline("Two", {{0, 0, 0}, {2, 0, 0}, {0, 5, 0}, {0, 9, 0}, {0, 10, 0}},
                                 splinetype::Linear, false, {2, 3});
    EXPECT_EQ(s.segmentCount(), 2);
    EXPECT_EQ(s.pointAt(1, 0.0), (Vector{0, 5, 0}));
    EXPECT_EQ(s.pointAt(1, 1.0), (Vector{0, 10, 0}));
    auto mapper = s.lengthMapper(1);
    ASSERT_TRUE(mapper);
    EXPECT_DOUBLE_EQ(mapper->length(), 5.0);
    EXPECT_FALSE(s.lengthMapper(2));
    EXPECT_EQ(s.pointAt(2, 0.5), Vector{});
    // Sizes that do not add up are refused and change nothing.
    const std::vector<Vector> three(3);
    const std::vector<int32_t> sizes = {2, 2};
    EXPECT_FALSE(f.engine.geometry().setSpline(s.id(), three, sizes));
    EXPECT_EQ(s.segmentCount(), 2);
    EXPECT_EQ(SplineObject(f.add(host::type::Spline, "Empty")).segmentCount(), 0);
}

TEST(Spline, EditsMarkTheSplineChanged) {
    SceneFixture f;
    SplineObject s = f.addSpline("S", {{0, 0, 0}, {1, 0, 0}});
    s.changedSinceLastCheck(host::dirty::Data);
    const std::vector<Vector> points = {{0, 0, 0}, {2, 0, 0}};
    ASSERT_TRUE(f.engine.geometry().setSpline(s.id(), points, {}));
    EXPECT_TRUE(s.changedSinceLastCheck(host::dirty::Data));
}

} // namespace
} // namespace flumpet::test
