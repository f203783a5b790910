#include "scene/geometry/triangle_math.h"

#include <algorithm>

namespace flumpet::scene {

using host::cross;
using host::dot;

namespace {

Vector closestOnSegment(const Vector& p, const Vector& a, const Vector& b) {
    const Vector ab = b - a;
    const double len2 = dot(ab, ab);
    if (len2 == 0.0) return a;
    return a + ab * std::clamp(dot(p - a, ab) / len2, 0.0, 1.0);
}

double distance2(const Vector& a, const Vector& b) {
    return dot(a - b, a - b);
}

} // namespace

Vector closestPointOnTriangle(const Vector& p, const Vector& a, const Vector& b, const Vector& c) {
    const Vector ab = b - a, ac = c - a, ap = p - a;
    const Vector n = cross(ab, ac);
    if (dot(n, n) <= 1e-24 * dot(ab, ab) * dot(ac, ac) || dot(n, n) == 0.0) {
        // Flat triangle: the nearest of its edges.
        const Vector e1 = closestOnSegment(p, a, b), e2 = closestOnSegment(p, b, c),
                     e3 = closestOnSegment(p, c, a);
        const double q1 = distance2(p, e1), q2 = distance2(p, e2), q3 = distance2(p, e3);
        if (q1 <= q2 && q1 <= q3) return e1;
        return q2 <= q3 ? e2 : e3;
    }
    // Voronoi regions of the corners and edges, then the face.
    const double d1 = dot(ab, ap), d2 = dot(ac, ap);
    if (d1 <= 0.0 && d2 <= 0.0) return a;
    const Vector bp = p - b;
    const double d3 = dot(ab, bp), d4 = dot(ac, bp);
    if (d3 >= 0.0 && d4 <= d3) return b;
    const double vc = d1 * d4 - d3 * d2;
    if (vc <= 0.0 && d1 >= 0.0 && d3 <= 0.0 && d1 - d3 > 0.0) return a + ab * (d1 / (d1 - d3));
    const Vector cp = p - c;
    const double d5 = dot(ab, cp), d6 = dot(ac, cp);
    if (d6 >= 0.0 && d5 <= d6) return c;
    const double vb = d5 * d2 - d1 * d6;
    if (vb <= 0.0 && d2 >= 0.0 && d6 <= 0.0 && d2 - d6 > 0.0) return a + ac * (d2 / (d2 - d6));
    const double va = d3 * d6 - d5 * d4;
    if (va <= 0.0 && d4 - d3 >= 0.0 && d5 - d6 >= 0.0 && (d4 - d3) + (d5 - d6) > 0.0)
        return b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
    const double sum = va + vb + vc;
    return a + ab * (vb / sum) + ac * (vc / sum);
}

} // namespace flumpet::scene
