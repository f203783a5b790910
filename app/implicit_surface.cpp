#include "implicit_surface.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <unordered_map>

namespace flumpet::app {

namespace {

constexpr int BlockCells = 8;

// Six tetrahedra around the cell's main diagonal; corners are numbered by bits (x = 1, y = 2,
// z = 4). Every edge joins a corner to one whose bits include its own, in any cell alike.
constexpr int Tetrahedra[6][4] = {{0, 1, 3, 7}, {0, 1, 5, 7}, {0, 2, 3, 7}, {0, 2, 6, 7}, {0, 4, 5, 7}, {0, 4, 6, 7}};

class Polygoniser {
  public:
    Polygoniser(const SignedField& field, const host::Vector& lo, double spacing, int64_t nx, int64_t ny, int64_t nz)
        : field_(field), lo_(lo), h_(spacing), n_{nx, ny, nz} {}

    TriangleMesh mesh;

    void block(int64_t bi, int64_t bj, int64_t bk, double lipschitz) {
        const int64_t i0 = bi * BlockCells, j0 = bj * BlockCells, k0 = bk * BlockCells;
        const int64_t ci = std::min<int64_t>(BlockCells, n_[0] - 1 - i0);
        const int64_t cj = std::min<int64_t>(BlockCells, n_[1] - 1 - j0);
        const int64_t ck = std::min<int64_t>(BlockCells, n_[2] - 1 - k0);
        if (ci <= 0 || cj <= 0 || ck <= 0) return;
        const host::Vector centre = point(i0, j0, k0) + host::Vector(double(ci), double(cj), double(ck)) * (h_ / 2);
        const double reach = std::sqrt(double(ci * ci + cj * cj + ck * ck)) * h_ / 2;
        if (std::abs(field_(centre)) > lipschitz * reach + h_) return;

        const int64_t si = ci + 1, sj = cj + 1;
        values_.resize(static_cast<size_t>(si * sj * (ck + 1)));
        for (int64_t k = 0; k <= ck; ++k)
            for (int64_t j = 0; j <= cj; ++j)
                for (int64_t i = 0; i <= ci; ++i)
                    values_[static_cast<size_t>(i + si * (j + sj * k))] = field_(point(i0 + i, j0 + j, k0 + k));

        for (int64_t k = 0; k < ck; ++k)
            for (int64_t j = 0; j < cj; ++j)
                for (int64_t i = 0; i < ci; ++i) {
                    Corner c[8];
                    bool anyIn = false, anyOut = false;
                    for (int b = 0; b < 8; ++b) {
                        const int64_t di = b & 1, dj = (b >> 1) & 1, dk = (b >> 2) & 1;
                        c[b].value = values_[static_cast<size_t>((i + di) + si * ((j + dj) + sj * (k + dk)))];
                        c[b].grid = index(i0 + i + di, j0 + j + dj, k0 + k + dk);
                        c[b].position = point(i0 + i + di, j0 + j + dj, k0 + k + dk);
                        (c[b].value < 0 ? anyIn : anyOut) = true;
                    }
                    if (!anyIn || !anyOut) continue;
                    for (const auto& t : Tetrahedra) tetrahedron(c, t);
                }
    }

  private:
    struct Corner {
        double value;
        uint64_t grid;
        host::Vector position;
    };

    host::Vector point(int64_t i, int64_t j, int64_t k) const {
        return lo_ + host::Vector(double(i) * h_, double(j) * h_, double(k) * h_);
    }
    uint64_t index(int64_t i, int64_t j, int64_t k) const {
        return static_cast<uint64_t>(i + n_[0] * (j + n_[1] * k));
    }

    // The surface point on the edge between two corners, shared by every cell that has the edge.
    int32_t edgePoint(const Corner* c, int a, int b) {
        if (a > b) std::swap(a, b); // b's bits include a's
        const uint64_t key = c[a].grid * 8 + static_cast<uint64_t>(b - a);
        const auto [it, added] = edgePoints_.emplace(key, static_cast<int32_t>(mesh.points.size()));
        if (added) {
            // Kept off the corners, so that no two edges give the same point.
            const double t = std::clamp(c[a].value / (c[a].value - c[b].value), 0.01, 0.99);
            mesh.points.push_back(c[a].position + (c[b].position - c[a].position) * t);
        }
        return it->second;
    }

    void emit(int32_t p, int32_t q, int32_t r, const host::Vector& outward) {
        const host::Vector n = host::cross(mesh.points[size_t(q)] - mesh.points[size_t(p)],
                                           mesh.points[size_t(r)] - mesh.points[size_t(p)]);
        if (host::dot(n, outward) < 0) std::swap(q, r);
        mesh.triangles.push_back({p, q, r});
    }

    void tetrahedron(const Corner* c, const int* t) {
        int in[4], out[4], nIn = 0, nOut = 0;
        for (int v = 0; v < 4; ++v) (c[t[v]].value < 0 ? in[nIn++] : out[nOut++]) = t[v];
        if (nIn == 0 || nOut == 0) return;
        host::Vector inside, outside;
        for (int v = 0; v < nIn; ++v) inside += c[in[v]].position / nIn;
        for (int v = 0; v < nOut; ++v) outside += c[out[v]].position / nOut;
        const host::Vector outward = outside - inside;
        if (nIn == 1 || nOut == 1) {
            const int lone = nIn == 1 ? in[0] : out[0];
            const int* rest = nIn == 1 ? out : in;
            emit(edgePoint(c, lone, rest[0]), edgePoint(c, lone, rest[1]), edgePoint(c, lone, rest[2]), outward);
            return;
        }
        // Two in, two out: a quad around the tetrahedron, cut in two.
        const int32_t p0 = edgePoint(c, in[0], out[0]), p1 = edgePoint(c, in[0], out[1]);
        const int32_t p2 = edgePoint(c, in[1], out[1]), p3 = edgePoint(c, in[1], out[0]);
        emit(p0, p1, p2, outward);
        emit(p0, p2, p3, outward);
    }

    const SignedField& field_;
    host::Vector lo_;
    double h_;
    int64_t n_[3];
    std::vector<double> values_;
    std::unordered_map<uint64_t, int32_t> edgePoints_;
};

} // namespace

TriangleMesh polygonise(const SignedField& field, const host::Vector& lo, const host::Vector& hi, double spacing,
                        double lipschitz) {
    const auto points = [&](double extent) { return static_cast<int64_t>(std::ceil(extent / spacing)) + 1; };
    const int64_t nx = points(hi.x - lo.x), ny = points(hi.y - lo.y), nz = points(hi.z - lo.z);
    Polygoniser p(field, lo, spacing, nx, ny, nz);
    const auto blocks = [](int64_t n) { return (n - 1 + BlockCells - 1) / BlockCells; };
    for (int64_t bk = 0; bk < blocks(nz); ++bk)
        for (int64_t bj = 0; bj < blocks(ny); ++bj)
            for (int64_t bi = 0; bi < blocks(nx); ++bi) p.block(bi, bj, bk, lipschitz);
    return std::move(p.mesh);
}

void keepLargestPiece(TriangleMesh& mesh) {
    std::vector<int32_t> root(mesh.points.size());
    std::iota(root.begin(), root.end(), 0);
    const auto find = [&](int32_t v) {
        while (root[size_t(v)] != v) v = root[size_t(v)] = root[size_t(root[size_t(v)])];
        return v;
    };
    for (const auto& t : mesh.triangles)
        for (int e = 1; e < 3; ++e) {
            const int32_t a = find(t[0]), b = find(t[size_t(e)]);
            if (a != b) root[size_t(std::max(a, b))] = std::min(a, b);
        }
    std::unordered_map<int32_t, size_t> count;
    for (const auto& t : mesh.triangles) ++count[find(t[0])];
    int32_t best = -1;
    size_t most = 0;
    for (const auto& [piece, n] : count)
        if (n > most || (n == most && piece < best)) best = piece, most = n;

    std::vector<int32_t> remap(mesh.points.size(), -1);
    TriangleMesh kept;
    for (const auto& t : mesh.triangles) {
        if (find(t[0]) != best) continue;
        std::array<int32_t, 3> u{};
        for (size_t k = 0; k < 3; ++k) {
            int32_t& r = remap[size_t(t[k])];
            if (r < 0) {
                r = static_cast<int32_t>(kept.points.size());
                kept.points.push_back(mesh.points[size_t(t[k])]);
            }
            u[k] = r;
        }
        kept.triangles.push_back(u);
    }
    mesh = std::move(kept);
}

} // namespace flumpet::app
