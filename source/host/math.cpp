#include "host/math.h"

#include <algorithm>
#include <numbers>

namespace flumpet::host {

Vector normalise(const Vector& v) {
    const double len = length(v);
    if (len == 0.0) return {};
    return v / len;
}

double angleBetween(const Vector& a, const Vector& b) {
    const double denominator = std::sqrt(dot(a, a) * dot(b, b));
    const double quotient = denominator == 0.0 ? 0.0 : dot(a, b) / denominator;
    if (quotient >= 1.0) return 0.0;
    if (quotient <= -1.0) return std::numbers::pi;
    return std::acos(quotient);
}

double distanceSingle(const Vector& a, const Vector& b) {
    const auto dx = static_cast<float>(a.x - b.x);
    const auto dy = static_cast<float>(a.y - b.y);
    const auto dz = static_cast<float>(a.z - b.z);
    const float sum = dx * dx + dy * dy + dz * dz;
    return static_cast<double>(std::sqrt(sum));
}

bool isFinite(const Vector& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool isFinite(const Matrix& m) { return isFinite(m.off) && isFinite(m.v1) && isFinite(m.v2) && isFinite(m.v3); }

Matrix inverse(const Matrix& m) {
    const double det = m.determinant();
    if (det == 0.0) return Matrix{};
    // Rows of the inverse axes are the cross products of the columns divided by the determinant.
    const Vector r1 = cross(m.v2, m.v3) / det;
    const Vector r2 = cross(m.v3, m.v1) / det;
    const Vector r3 = cross(m.v1, m.v2) / det;
    Matrix inv;
    inv.v1 = {r1.x, r2.x, r3.x};
    inv.v2 = {r1.y, r2.y, r3.y};
    inv.v3 = {r1.z, r2.z, r3.z};
    inv.off = -inv.transformDirection(m.off);
    return inv;
}

Matrix rotationZ(double w) {
    const double c = std::cos(w);
    const double s = std::sin(w);
    Matrix m;
    m.v1 = {c, -s, 0.0};
    m.v2 = {s, c, 0.0};
    m.v3 = {0.0, 0.0, 1.0};
    return m;
}

namespace {
Matrix rotationY(double a) {
    const double c = std::cos(a), s = std::sin(a);
    Matrix m;
    m.v1 = {c, 0, -s};
    m.v3 = {s, 0, c};
    return m;
}
Matrix rotationX(double a) {
    const double c = std::cos(a), s = std::sin(a);
    Matrix m;
    m.v2 = {0, c, s};
    m.v3 = {0, -s, c};
    return m;
}
Matrix rotationZStandard(double a) {
    const double c = std::cos(a), s = std::sin(a);
    Matrix m;
    m.v1 = {c, s, 0};
    m.v2 = {-s, c, 0};
    return m;
}
} // namespace

Matrix rotationFromHpb(const Vector& hpb) {
    return rotationY(hpb.x) * (rotationX(hpb.y) * rotationZStandard(hpb.z));
}

Vector hpbFromRotation(const Matrix& m) {
    const Vector x = normalise(m.v1), y = normalise(m.v2), z = normalise(m.v3);
    // z = (sin h cos p, -sin p, cos h cos p); x and y give the bank.
    const double pitch = std::asin(std::clamp(-z.y, -1.0, 1.0));
    double heading = 0.0, bank = 0.0;
    if (std::abs(std::cos(pitch)) > 1e-12) {
        heading = std::atan2(z.x, z.z);
        bank = std::atan2(x.y, y.y);
    } else {
        // Gimbal lock: put all of the turn into the heading.
        heading = std::atan2(-x.z, x.x);
    }
    return {heading, pitch, bank};
}

Vector scaleOf(const Matrix& m) { return {length(m.v1), length(m.v2), length(m.v3)}; }

Vector hsvToRgb(const Vector& hsv) {
    const double h = hsv.x, s = hsv.y, v = hsv.z;
    if (s < 0.001) return {v, v, v};
    const double sector = (h - std::floor(h)) * 6.0;
    const int i = static_cast<int>(sector) % 6;
    const double f = sector - std::floor(sector);
    const double p = v * (1.0 - s);
    const double q = v * (1.0 - s * f);
    const double t = v * (1.0 - s * (1.0 - f));
    switch (i) {
    case 0: return {v, t, p};
    case 1: return {q, v, p};
    case 2: return {p, v, t};
    case 3: return {p, q, v};
    case 4: return {t, p, v};
    default: return {v, p, q};
    }
}

} // namespace flumpet::host
