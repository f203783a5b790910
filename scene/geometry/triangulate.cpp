#include "scene/geometry/triangulate.h"

#include <algorithm>
#include <cmath>

namespace flumpet::scene {

namespace {

Vector newellNormal(std::span<const Vector> c) {
    Vector n;
    for (size_t i = 0; i < c.size(); ++i) {
        const Vector& p = c[i];
        const Vector& q = c[(i + 1) % c.size()];
        n.x += (p.y - q.y) * (p.z + q.z);
        n.y += (p.z - q.z) * (p.x + q.x);
        n.z += (p.x - q.x) * (p.y + q.y);
    }
    return n;
}

struct Point2 {
    double x = 0.0, y = 0.0;
};

double cross2(const Point2& o, const Point2& a, const Point2& b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// Inside or on the triangle a, b, c (counter-clockwise).
bool inTriangle(const Point2& p, const Point2& a, const Point2& b, const Point2& c, double eps) {
    return cross2(a, b, p) >= -eps && cross2(b, c, p) >= -eps && cross2(c, a, p) >= -eps;
}

} // namespace

void triangulateLoop(std::span<const Vector> corners, std::vector<std::array<int, 3>>& out) {
    const int n = static_cast<int>(corners.size());
    if (n < 3) return;
    if (n == 3) {
        out.push_back({0, 1, 2});
        return;
    }
    // Project onto the plane that drops the normal's largest axis, keeping the winding
    // counter-clockwise.
    const Vector normal = newellNormal(corners);
    const double ax = std::abs(normal.x), ay = std::abs(normal.y), az = std::abs(normal.z);
    std::vector<Point2> p(static_cast<size_t>(n));
    double extent = 0.0;
    for (int i = 0; i < n; ++i) {
        // Relative to the first corner, so that the tolerance follows the polygon's own size.
        const Vector v = corners[static_cast<size_t>(i)] - corners[0];
        Point2 q;
        if (az >= ax && az >= ay)
            q = normal.z >= 0 ? Point2{v.x, v.y} : Point2{v.y, v.x};
        else if (ax >= ay)
            q = normal.x >= 0 ? Point2{v.y, v.z} : Point2{v.z, v.y};
        else
            q = normal.y >= 0 ? Point2{v.z, v.x} : Point2{v.x, v.z};
        p[static_cast<size_t>(i)] = q;
        extent = std::max({extent, std::abs(q.x), std::abs(q.y)});
    }
    const double eps = 1e-12 * std::max(extent * extent, 1e-300);

    std::vector<int> ring(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        ring[static_cast<size_t>(i)] = i;
    while (ring.size() > 3) {
        const size_t m = ring.size();
        size_t best = m;
        double bestArea = 0.0;
        for (size_t i = 0; i < m; ++i) {
            const int a = ring[(i + m - 1) % m], b = ring[i], c = ring[(i + 1) % m];
            const Point2 &pa = p[static_cast<size_t>(a)], &pb = p[static_cast<size_t>(b)],
                         &pc = p[static_cast<size_t>(c)];
            const double area = cross2(pa, pb, pc);
            if (area <= eps) continue;
            bool blocked = false;
            for (size_t k = 0; k < m && !blocked; ++k) {
                const int other = ring[k];
                if (other == a || other == b || other == c) continue;
                const Point2& po = p[static_cast<size_t>(other)];
                // A point sitting on a corner of the ear does not block it.
                const bool atCorner = (po.x == pa.x && po.y == pa.y) || (po.x == pb.x && po.y == pb.y) ||
                                      (po.x == pc.x && po.y == pc.y);
                blocked = !atCorner && inTriangle(po, pa, pb, pc, eps);
            }
            if (blocked) continue;
            // The fattest ear first keeps the triangles well shaped.
            const double la = std::hypot(pb.x - pa.x, pb.y - pa.y), lb = std::hypot(pc.x - pb.x, pc.y - pb.y),
                         lc = std::hypot(pa.x - pc.x, pa.y - pc.y);
            const double sum = la + lb + lc;
            const double quality = sum > 0 ? area / (sum * sum) : 0.0;
            if (best == m || quality > bestArea) {
                best = i;
                bestArea = quality;
            }
        }
        if (best == m) {
            // Nothing but flat or folded corners: clip the most convex one to make progress.
            double most = -INFINITY;
            for (size_t i = 0; i < m; ++i) {
                const double area =
                    cross2(p[static_cast<size_t>(ring[(i + m - 1) % m])], p[static_cast<size_t>(ring[i])],
                           p[static_cast<size_t>(ring[(i + 1) % m])]);
                if (area > most) {
                    most = area;
                    best = i;
                }
            }
        }
        out.push_back({ring[(best + m - 1) % m], ring[best], ring[(best + 1) % m]});
        ring.erase(ring.begin() + static_cast<std::ptrdiff_t>(best));
    }
    out.push_back({ring[0], ring[1], ring[2]});
}

bool splitQuadAlongAC(const Vector& a, const Vector& b, const Vector& c, const Vector& d) {
    const Vector corners[4] = {a, b, c, d};
    const Vector normal = newellNormal(corners);
    const auto facesAlong = [&](const Vector& p, const Vector& q, const Vector& r) {
        return host::dot(host::cross(q - p, r - p), normal) > 0.0;
    };
    const bool acGood = facesAlong(a, b, c) && facesAlong(a, c, d);
    const bool bdGood = facesAlong(a, b, d) && facesAlong(b, c, d);
    if (acGood != bdGood) return acGood;
    return host::length(c - a) <= host::length(d - b);
}

} // namespace flumpet::scene
