#include "scene/geometry/modeling_commands.h"

#include "host/ids.h"
#include "scene/engine.h"
#include "scene/geometry/mesh_adjacency.h"
#include "scene/geometry/payloads.h"
#include "scene/geometry/point_remap.h"
#include "scene/geometry/triangulate.h"

#include <algorithm>
#include <span>
#include <vector>

namespace flumpet::scene {

namespace {

using host::ModelingResult;
namespace mode = host::mcommandmode;
namespace kind = host::selectionkind;

bool allCornersSelected(const Polygon& p, const Selection& points) {
    int32_t c[4];
    const int n = polygonCorners(p, c);
    for (int k = 0; k < n; ++k)
        if (!points.isSelected(c[k])) return false;
    return true;
}

bool anyCornerSelected(const Polygon& p, const Selection& points) {
    int32_t c[4];
    const int n = polygonCorners(p, c);
    for (int k = 0; k < n; ++k)
        if (points.isSelected(c[k])) return true;
    return false;
}

// The polygons a command works on in a mode: all, the selected ones, or those whose points are
// all selected.
std::vector<uint8_t> pickPolygons(const MeshPayload& m, int32_t how) {
    std::vector<uint8_t> picked(m.polygons.size(), 0);
    for (size_t i = 0; i < m.polygons.size(); ++i) {
        const auto index = static_cast<int32_t>(i);
        switch (how) {
        case mode::PolygonSelection:
            picked[i] = m.polygonSelection.isSelected(index);
            break;
        case mode::PointSelection:
            picked[i] = allCornersSelected(m.polygons[i], m.pointSelection);
            break;
        default:
            picked[i] = 1;
            break;
        }
    }
    return picked;
}

// True when u and v follow each other (either way) in the polygon's loop.
bool hasEdge(const Polygon& p, int32_t u, int32_t v) {
    int32_t c[4];
    const int n = polygonCorners(p, c);
    for (int k = 0; k < n; ++k) {
        const int32_t x = c[k], y = c[(k + 1) % n];
        if ((x == u && y == v) || (x == v && y == u)) return true;
    }
    return false;
}

/// True when a selection is small enough against the mesh that walking from its elements beats
/// one pass over every polygon.
bool sparse(const Selection& selection, size_t of) { return static_cast<size_t>(selection.count()) * 4 < of; }

bool convertSelection(MeshPayload& m, const Container& settings, PointPolygonsCache* adjacency) {
    const int32_t from = settings.getInt(host::mcommandparam::ConvertFrom, kind::Points);
    const int32_t to = settings.getInt(host::mcommandparam::ConvertTo, kind::Polygons);
    const bool tolerant = settings.getBool(host::mcommandparam::ConvertTolerant, false);
    const auto known = [](int32_t k) { return k == kind::Points || k == kind::Polygons; };
    if (!known(from) || !known(to)) return false;
    if (from == to) return true;
    Selection out;
    if (from == kind::Points && adjacency && sparse(m.pointSelection, m.points.size())) {
        // Only polygons that use a selected point can qualify.
        const auto users = adjacency->get(m.stamp, m.points.size(), m.polygons);
        m.pointSelection.forEach([&](int32_t u) {
            for (int32_t q : users->of(u)) {
                const Polygon& p = m.polygons[static_cast<size_t>(q)];
                // A polygon with all corners selected is judged once, from its lowest corner.
                if (tolerant || (u == std::min({p.a, p.b, p.c, p.d}) && allCornersSelected(p, m.pointSelection)))
                    out.select(q);
            }
        });
        m.polygonSelection = std::move(out);
    } else if (from == kind::Points) {
        for (size_t i = 0; i < m.polygons.size(); ++i) {
            const bool take = tolerant ? anyCornerSelected(m.polygons[i], m.pointSelection)
                                       : allCornersSelected(m.polygons[i], m.pointSelection);
            if (take) out.select(static_cast<int32_t>(i));
        }
        m.polygonSelection = std::move(out);
    } else {
        m.polygonSelection.forEach([&](int32_t i) {
            int32_t c[4];
            const int n = polygonCorners(m.polygons[static_cast<size_t>(i)], c);
            for (int k = 0; k < n; ++k)
                out.select(c[k]);
        });
        m.pointSelection = std::move(out);
    }
    return true;
}

void selectConnectedPolygons(MeshPayload& m) {
    const PointPolygons users(m.points.size(), m.polygons);
    std::vector<int32_t> queue = m.polygonSelection.indices();
    while (!queue.empty()) {
        const int32_t p = queue.back();
        queue.pop_back();
        int32_t c[4];
        const int n = polygonCorners(m.polygons[static_cast<size_t>(p)], c);
        for (int k = 0; k < n; ++k) {
            const int32_t u = c[k], v = c[(k + 1) % n];
            for (int32_t q : users.of(u)) {
                if (m.polygonSelection.isSelected(q) || !hasEdge(m.polygons[static_cast<size_t>(q)], u, v))
                    continue;
                m.polygonSelection.select(q);
                queue.push_back(q);
            }
        }
    }
}

void selectConnectedPoints(MeshPayload& m) {
    const PointPolygons users(m.points.size(), m.polygons);
    std::vector<int32_t> queue = m.pointSelection.indices();
    while (!queue.empty()) {
        const int32_t u = queue.back();
        queue.pop_back();
        for (int32_t q : users.of(u)) {
            int32_t c[4];
            const int n = polygonCorners(m.polygons[static_cast<size_t>(q)], c);
            for (int k = 0; k < n; ++k) {
                if (c[k] != u) continue;
                for (const int32_t v : {c[(k + 1) % n], c[(k + n - 1) % n]}) {
                    if (m.pointSelection.isSelected(v)) continue;
                    m.pointSelection.select(v);
                    queue.push_back(v);
                }
            }
        }
    }
}

void invert(Selection& s, size_t count) {
    Selection out;
    for (size_t i = 0; i < count; ++i)
        if (!s.isSelected(static_cast<int32_t>(i))) out.select(static_cast<int32_t>(i));
    s = std::move(out);
}

/// True when triangulating would give back the same polygons: no picked quad, and every picked
/// triangle already in the form a, b, c, c.
bool alreadyTriangles(const MeshPayload& m, const std::vector<uint8_t>& picked) {
    for (size_t i = 0; i < m.polygons.size(); ++i) {
        if (!picked[i]) continue;
        const Polygon& p = m.polygons[i];
        int32_t c[4];
        const int n = polygonCorners(p, c);
        if (n == 4 || (n == 3 && !(p.a == c[0] && p.b == c[1] && p.c == c[2] && p.d == c[2]))) return false;
    }
    return true;
}

void triangulate(MeshPayload& m, int32_t how) {
    const std::vector<uint8_t> picked = pickPolygons(m, how);
    // A mesh of triangles stays as it is, untouched: copying a million polygons to get the same
    // ones back, and dropping the mesh's spatial index, would cost a whole-mesh pass each time.
    if (alreadyTriangles(m, picked)) return;
    std::vector<Polygon> out;
    out.reserve(m.polygons.size() * 2);
    Selection selection;
    const auto keep = [&](const Polygon& p, bool selected) {
        if (selected) selection.select(static_cast<int32_t>(out.size()));
        out.push_back(p);
    };
    for (size_t i = 0; i < m.polygons.size(); ++i) {
        const Polygon& p = m.polygons[i];
        const bool selected = m.polygonSelection.isSelected(static_cast<int32_t>(i));
        int32_t c[4];
        const int n = picked[i] ? polygonCorners(p, c) : 0;
        if (n == 4) {
            const auto at = [&](int k) { return m.points[static_cast<size_t>(c[k])]; };
            if (splitQuadAlongAC(at(0), at(1), at(2), at(3))) {
                keep({c[0], c[1], c[2], c[2]}, selected);
                keep({c[0], c[2], c[3], c[3]}, selected);
            } else {
                keep({c[0], c[1], c[3], c[3]}, selected);
                keep({c[1], c[2], c[3], c[3]}, selected);
            }
        } else if (n == 3) {
            keep({c[0], c[1], c[2], c[2]}, selected);
        } else {
            keep(p, selected);
        }
    }
    m.polygons = std::move(out);
    m.polygonSelection = std::move(selection);
    m.touch();
}

/// The polygons a split takes, ascending: read off the selection itself when it is small, else
/// picked by one pass over every polygon.
std::vector<int32_t> polygonsToSplit(const MeshPayload& m, int32_t how) {
    std::vector<int32_t> chosen;
    if (how == mode::PolygonSelection && sparse(m.polygonSelection, m.polygons.size())) {
        chosen = m.polygonSelection.indices();
        // A selection may name polygons past the end, as a pass over the polygons would never see.
        std::erase_if(chosen, [&](int32_t i) { return static_cast<size_t>(i) >= m.polygons.size(); });
        return chosen;
    }
    const std::vector<uint8_t> picked = pickPolygons(m, how);
    for (size_t i = 0; i < picked.size(); ++i)
        if (picked[i]) chosen.push_back(static_cast<int32_t>(i));
    return chosen;
}

/// The chosen polygons (ascending) with the points they use: the points in their old order, the
/// polygons in theirs, the selections carried along.
std::unique_ptr<MeshPayload> copyPolygons(const MeshPayload& m, std::span<const int32_t> chosen, PointRemap& remap) {
    remap.newIndexOfOld.assign(m.points.size(), -1);
    std::vector<int32_t> used;
    for (int32_t i : chosen) {
        int32_t c[4];
        const int n = polygonCorners(m.polygons[static_cast<size_t>(i)], c);
        for (int k = 0; k < n; ++k) {
            int32_t& to = remap.newIndexOfOld[static_cast<size_t>(c[k])];
            if (to == -1) used.push_back(c[k]);
            to = 0;
        }
    }
    // A few points are put in their old order by sorting them; many, by one pass over all points.
    if (used.size() * 4 < m.points.size()) {
        std::sort(used.begin(), used.end());
    } else {
        used.clear();
        for (size_t i = 0; i < m.points.size(); ++i)
            if (remap.newIndexOfOld[i] == 0) used.push_back(static_cast<int32_t>(i));
    }
    auto piece = std::make_unique<MeshPayload>();
    std::vector<Vector> points;
    points.reserve(used.size());
    for (int32_t i : used) {
        const auto to = static_cast<int32_t>(points.size());
        remap.newIndexOfOld[static_cast<size_t>(i)] = to;
        points.push_back(m.points[static_cast<size_t>(i)]);
        if (m.pointSelection.isSelected(i)) piece->pointSelection.select(to);
    }
    const auto map = [&](int32_t v) { return remap.newIndexOfOld[static_cast<size_t>(v)]; };
    std::vector<Polygon> polygons;
    polygons.reserve(chosen.size());
    for (int32_t i : chosen) {
        const Polygon& p = m.polygons[static_cast<size_t>(i)];
        if (m.polygonSelection.isSelected(i)) piece->polygonSelection.select(static_cast<int32_t>(polygons.size()));
        polygons.push_back({map(p.a), map(p.b), map(p.c), map(p.d)});
    }
    piece->points = std::move(points);
    piece->polygons = std::move(polygons);
    remap.kept = std::move(used);
    return piece;
}

Node* split(Engine& engine, Node& source, const MeshPayload& m, int32_t how) {
    PointRemap remap;
    std::unique_ptr<MeshPayload> piece = copyPolygons(m, polygonsToSplit(m, how), remap);
    if (m.deformed) {
        piece->deformed = SharedArray<Vector>(remapPositions(*m.deformed, remap, piece->points.size()));
        piece->deformStamp = newGeometryStamp();
    }

    Node* out = engine.createNode(NodeKind::Object, host::type::Polygon);
    out->name = source.name;
    out->data = source.data;
    out->local = engine.globalMatrix(source.id);
    out->payload = std::move(piece);
    NodeId previous = host::NoNode;
    for (const Node* tag : source.tags) {
        Node* copy = engine.find(engine.cloneNode(tag->id));
        if (!copy || !engine.attach(copy, Place{out->id, previous, true})) continue;
        previous = copy->id;
    }
    remapWeightTags(engine, *out, remap);
    return out;
}

} // namespace

bool modelingCommandChangesObject(int32_t command) {
    return command != host::mcommand::Split;
}

ModelingResult runModelingCommand(Engine& engine, int32_t command, Node& object, int32_t how,
                                  const Container& settings, PointPolygonsCache* adjacency) {
    ModelingResult result;
    MeshPayload* m = meshOf(&object);
    if (!m) return result;
    switch (command) {
    case host::mcommand::ConvertSelection:
        result.success = convertSelection(*m, settings, adjacency);
        break;
    case host::mcommand::SelectConnected:
        if (how == mode::PointSelection)
            selectConnectedPoints(*m);
        else
            selectConnectedPolygons(*m);
        result.success = true;
        break;
    case host::mcommand::SelectInverse:
        if (how == mode::PointSelection)
            invert(m->pointSelection, m->points.size());
        else
            invert(m->polygonSelection, m->polygons.size());
        result.success = true;
        break;
    case host::mcommand::Triangulate:
        triangulate(*m, how);
        result.success = true;
        break;
    case host::mcommand::Split:
        result.objects.push_back(split(engine, object, *m, how)->id);
        result.success = true;
        return result;
    default:
        return result;
    }
    if (result.success) engine.markDirty(&object, host::dirty::Data);
    return result;
}

} // namespace flumpet::scene
