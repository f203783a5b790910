#include "joints/joint_frames.h"

#include "joints/skeleton_chain.h"

#include <array>
#include <cmath>

namespace flumpet {

int32_t dominantChildAxis(const host::Object& bone, const host::Object& child) {
    if (!bone.alive() || !child.alive()) return axisindex::PlusX;
    const host::Vector pb = bone.localMatrix().off;
    const host::Vector pc = child.localMatrix().off;
    // The candidates' length only has to be positive for the nearest one to be the axis the child
    // reaches furthest along; when the bone's and the child's offsets coincide (equal segments) the
    // difference is zero and every candidate would tie, so the child's own length stands in.
    double l = host::distanceSingle(pb, pc);
    if (l == 0.0) l = host::distanceSingle(host::Vector{}, pc);
    const std::array<host::Vector, 6> candidates{host::Vector{l, 0, 0},  host::Vector{0, l, 0},
                                                 host::Vector{0, 0, l},  host::Vector{-l, 0, 0},
                                                 host::Vector{0, -l, 0}, host::Vector{0, 0, -l}};
    int32_t best = 0;
    double bestDistance = host::distanceSingle(candidates[0], pc);
    for (int32_t i = 1; i < 6; ++i) {
        const double d = host::distanceSingle(candidates[static_cast<size_t>(i)], pc);
        if (d < bestDistance && d >= 0.0) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

namespace {
/// The pole point of a bone toward a known child.
host::Vector poleTowardChild(const host::Object& bone, const host::Object& child) {
    if (!bone.alive()) return {};
    const host::Vector local =
        isZAxis(dominantChildAxis(bone, child)) ? host::Vector{0, 10, 0} : host::Vector{0, 0, 10};
    return bone.globalMatrix() * local;
}
} // namespace

host::Vector polePoint(const host::Object& generator, const host::Object& bone, const host::Object& child) {
    const host::Object target = child.alive() ? child : chainNeighbours(generator, bone).successor;
    return poleTowardChild(bone, target);
}

host::Vector hingePolePoint(const host::Object& middle, const host::Object& upper,
                            const host::Object& lower) {
    if (!middle.alive() || !upper.alive() || !lower.alive()) return {};
    const host::Vector a = middle.globalPosition();
    const host::Vector b = upper.globalPosition();
    const host::Vector c = lower.globalPosition();
    const host::Vector v = b - c;
    const auto theta = static_cast<float>(host::angleBetween(c - a, b - c));
    const host::Vector d = c - (a + (a - c) * 0.01);
    const auto lengthD = static_cast<float>(host::distanceSingle(d, {}));
    const auto q = static_cast<float>(static_cast<double>(lengthD) / std::cos(static_cast<double>(theta)));
    const auto lengthCB = static_cast<float>(host::distanceSingle(c, b));
    const float k = q / lengthCB;
    const host::Vector pole = a + v * -1.0 * static_cast<double>(k);
    // Coinciding upper and lower joints leave no line to put the point on (0 x infinity).
    if (!host::isFinite(pole)) return poleTowardChild(middle, lower);
    return pole;
}

host::Matrix aimFrameOnAxis(const host::Vector& start, const host::Vector& end, const host::Vector& up,
                            int32_t axis) {
    host::Matrix m;
    const host::Vector p = host::normalise(end - start);
    switch (axis) {
    case 0:
        m.v1 = p;
        m.v3 = host::normalise(host::cross(up, m.v1));
        m.v2 = host::normalise(host::cross(m.v1, m.v3));
        break;
    case 1:
        m.v2 = p;
        m.v1 = host::normalise(host::cross(m.v2, up));
        m.v3 = host::normalise(host::cross(m.v2, m.v1));
        break;
    case 2:
        m.v3 = p;
        m.v2 = host::normalise(host::cross(m.v3, up));
        m.v1 = host::normalise(host::cross(m.v3, m.v2));
        break;
    default:
        break;
    }
    m.off = start;
    return m;
}

bool fixesRoll(const host::Vector& direction, const host::Vector& up) {
    const double sine = host::length(host::cross(host::normalise(direction), host::normalise(up)));
    return sine > 1e-4;
}

} // namespace flumpet
