#include "host/geometry.h"

#include <cmath>

namespace flumpet::host {

bool intersectSegmentPlane(const Vector& p1, const Vector& p2, const Vector& planePoint,
                           const Vector& planeNormal, double tolerance, Vector& out) {
    const Vector n = normalise(planeNormal);
    if (n == Vector{} || !isFinite(n) || !isFinite(p1) || !isFinite(p2) || !isFinite(planePoint))
        return false;
    const double d1 = dot(p1 - planePoint, n);
    const double d2 = dot(p2 - planePoint, n);
    if (std::abs(d1) <= tolerance) {
        out = p1;
        return true;
    }
    if (std::abs(d2) <= tolerance) {
        out = p2;
        return true;
    }
    if ((d1 > 0.0) == (d2 > 0.0)) return false;
    const double t = d1 / (d1 - d2);
    out = p1 + (p2 - p1) * t;
    return true;
}

} // namespace flumpet::host
