#include "host/math.h"

#include <gtest/gtest.h>

#include <numbers>

namespace flumpet::host {
namespace {

constexpr double pi = std::numbers::pi;

void expectNear(const Vector& a, const Vector& b, double eps = 1e-12) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

TEST(Matrix, ProductAppliesRightOperandFirst) {
    Matrix translate;
    translate.off = {10, 0, 0};
    const Matrix turn = rotationZ(pi / 2); // X axis (0, -1, 0)
    const Vector p{1, 0, 0};
    expectNear((translate * turn) * p, translate * (turn * p));
    expectNear((translate * turn) * p, {10, -1, 0});
    expectNear((turn * translate) * p, {0, -11, 0});
}

TEST(Matrix, InverseUndoesTheMatrix) {
    Matrix m;
    m.off = {1, -2, 3};
    m.v1 = {2, 0.5, 0};
    m.v2 = {0, 3, 1};
    m.v3 = {0.25, 0, -1};
    const Matrix round = inverse(m) * m;
    expectNear(round.off, {});
    expectNear(round.v1, {1, 0, 0});
    expectNear(round.v2, {0, 1, 0});
    expectNear(round.v3, {0, 0, 1});
}

TEST(Matrix, SingularInverseIsIdentity) {
    Matrix flat;
    flat.off = {5, 5, 5};
    flat.v3 = {0, 0, 0};
    EXPECT_EQ(inverse(flat), Matrix{});
}

TEST(Matrix, RotationZHasTheHostsAxes) {
    const Matrix m = rotationZ(0.3);
    expectNear(m.v1, {std::cos(0.3), -std::sin(0.3), 0});
    expectNear(m.v2, {std::sin(0.3), std::cos(0.3), 0});
    expectNear(m.v3, {0, 0, 1});
    expectNear(m.off, {});
}

TEST(Matrix, HpbRoundTrips) {
    for (const Vector hpb : {Vector{0.3, -0.2, 1.1}, Vector{-2.0, 0.7, -0.4}, Vector{0, 0, 0}}) {
        expectNear(hpbFromRotation(rotationFromHpb(hpb)), hpb, 1e-9);
    }
}

TEST(Vector, NormaliseKeepsZeroVector) {
    EXPECT_EQ(normalise({}), Vector{});
    expectNear(normalise({3, 0, 4}), {0.6, 0, 0.8});
}

struct AngleCase {
    Vector a, b;
    double expected;
};

class AngleBetween : public testing::TestWithParam<AngleCase> {};

TEST_P(AngleBetween, ClampsAndHandlesZeroVectors) {
    EXPECT_DOUBLE_EQ(angleBetween(GetParam().a, GetParam().b), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(EdgeValues, AngleBetween,
                         testing::Values(AngleCase{{1, 0, 0}, {2, 0, 0}, 0.0},           // parallel
                                         AngleCase{{1, 1e-9, 0}, {1, 1e-9, 0}, 0.0},     // rounding above 1
                                         AngleCase{{1, 0, 0}, {-3, 0, 0}, pi},           // opposite
                                         AngleCase{{0, 0, 0}, {1, 0, 0}, pi / 2},        // zero vector
                                         AngleCase{{0, 0, 0}, {0, 0, 0}, pi / 2},        // both zero
                                         AngleCase{{1, 0, 0}, {0, 5, 0}, std::acos(0.0)} // right angle
                                         ));

TEST(Vector, SinglePrecisionDistanceRoundsEachStep) {
    const Vector a{0.1, 0.2, 0.3}, b{1.1, -0.7, 2.3};
    const float dx = float(a.x - b.x), dy = float(a.y - b.y), dz = float(a.z - b.z);
    EXPECT_EQ(distanceSingle(a, b), double(std::sqrt(dx * dx + dy * dy + dz * dz)));
    EXPECT_NE(distanceSingle(a, b), length(a - b));
}

TEST(Colour, HsvToRgbSectorsAndGrey) {
    expectNear(hsvToRgb({0.0, 1.0, 1.0}), {1, 0, 0});
    expectNear(hsvToRgb({1.0 / 3.0, 1.0, 1.0}), {0, 1, 0});
    expectNear(hsvToRgb({2.0 / 3.0, 1.0, 1.0}), {0, 0, 1});
    expectNear(hsvToRgb({0.5, 0.81, 0.86}), {0.86 * 0.19, 0.86, 0.86});
    expectNear(hsvToRgb({0.4, 0.0009, 0.5}), {0.5, 0.5, 0.5});
}

} // namespace
} // namespace flumpet::host
