// Vectors, matrices and the small numeric helpers every builder shares.
#pragma once

#include <cmath>

namespace flumpet::host {

/// Three 64-bit components. Positions are in scene units (metres).
struct Vector {
    double x = 0.0, y = 0.0, z = 0.0;

    constexpr Vector() = default;
    constexpr Vector(double xv, double yv, double zv) : x(xv), y(yv), z(zv) {}

    constexpr Vector operator+(const Vector& o) const { return {x + o.x, y + o.y, z + o.z}; }
    constexpr Vector operator-(const Vector& o) const { return {x - o.x, y - o.y, z - o.z}; }
    constexpr Vector operator-() const { return {-x, -y, -z}; }
    constexpr Vector operator*(double s) const { return {x * s, y * s, z * s}; }
    constexpr Vector operator/(double s) const { return {x / s, y / s, z / s}; }
    constexpr Vector& operator+=(const Vector& o) { return *this = *this + o; }
    constexpr Vector& operator-=(const Vector& o) { return *this = *this - o; }
    constexpr bool operator==(const Vector&) const = default;
};

constexpr double dot(const Vector& a, const Vector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
constexpr Vector cross(const Vector& a, const Vector& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(const Vector& v) { return std::sqrt(dot(v, v)); }
/// Unit vector of v; the zero vector stays zero.
Vector normalise(const Vector& v);
/// Angle in radians; a zero vector makes the quotient 0 (result pi/2).
double angleBetween(const Vector& a, const Vector& b);
/// Distance with each difference rounded to single precision and summed in single precision.
double distanceSingle(const Vector& a, const Vector& b);
bool isFinite(const Vector& v);

/// Maps p to off + v1*p.x + v2*p.y + v3*p.z (offset, X, Y and Z axis).
struct Matrix {
    Vector off{0, 0, 0};
    Vector v1{1, 0, 0};
    Vector v2{0, 1, 0};
    Vector v3{0, 0, 1};

    constexpr bool operator==(const Matrix&) const = default;

    constexpr Vector operator*(const Vector& p) const { return off + v1 * p.x + v2 * p.y + v3 * p.z; }
    /// A * B applies B first, then A.
    constexpr Matrix operator*(const Matrix& b) const {
        return {(*this) * b.off, transformDirection(b.v1), transformDirection(b.v2), transformDirection(b.v3)};
    }
    /// Applies the axes only (no offset).
    constexpr Vector transformDirection(const Vector& d) const { return v1 * d.x + v2 * d.y + v3 * d.z; }
    constexpr double determinant() const { return dot(v1, cross(v2, v3)); }
};

/// Inverse; the identity when the determinant is exactly 0.
Matrix inverse(const Matrix& m);
/// The same matrix without its offset.
constexpr Matrix axesOnly(const Matrix& m) { return {Vector{}, m.v1, m.v2, m.v3}; }
/// Rotation about Z by w radians.
Matrix rotationZ(double w);
bool isFinite(const Matrix& m);

/// Rotation as heading (about Y), pitch (about X) and bank (about Z), in radians, applied bank first.
Matrix rotationFromHpb(const Vector& hpb);
/// Heading, pitch and bank of the normalised axes of m.
Vector hpbFromRotation(const Matrix& m);
/// Lengths of the three axes.
Vector scaleOf(const Matrix& m);

/// Hue in [0, 1) over six sectors; saturation below 0.001 gives grey of the value.
Vector hsvToRgb(const Vector& hsv);

} // namespace flumpet::host
