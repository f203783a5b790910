#include "scene/payload_codec.h"

#include "host/ids.h"
#include "scene/geometry/payloads.h"
#include "scene/scene_file.h"

#include <cmath>
#include <limits>

namespace flumpet::scene {

using nlohmann::json;

namespace {

// --- Writing ----------------------------------------------------------------------------------

json flatPoints(std::span<const Vector> points) {
    json a = json::array();
    a.get_ref<json::array_t&>().reserve(points.size() * 3);
    for (const Vector& p : points) {
        a.push_back(p.x);
        a.push_back(p.y);
        a.push_back(p.z);
    }
    return a;
}

json selectionJson(const Selection& s) {
    json a = json::array();
    s.forEach([&](int32_t i) { a.push_back(i); });
    return a;
}

json meshJson(const MeshPayload& m) {
    json j;
    j["points"] = flatPoints(m.points);
    json polygons = json::array();
    polygons.get_ref<json::array_t&>().reserve(m.polygons.size() * 4);
    for (const Polygon& p : m.polygons)
        for (int32_t i : {p.a, p.b, p.c, p.d})
            polygons.push_back(i);
    j["polygons"] = std::move(polygons);
    j["pointSelection"] = selectionJson(m.pointSelection);
    j["polygonSelection"] = selectionJson(m.polygonSelection);
    if (m.deformed) j["deformedPoints"] = flatPoints(*m.deformed);
    return j;
}

json splineJson(const SplinePayload& s) {
    json j;
    j["points"] = flatPoints(s.points);
    j["segments"] = s.segments;
    return j;
}

json weightsJson(const WeightPayload& w) {
    json joints = json::array();
    for (const auto& joint : w.joints) {
        json points = json::array(), values = json::array();
        for (const auto& e : joint.weights) {
            points.push_back(e.point);
            values.push_back(e.weight);
        }
        joints.push_back(
            {{"joint", joint.id}, {"points", std::move(points)}, {"weights", std::move(values)}});
    }
    return {{"joints", std::move(joints)}};
}

// --- Reading ----------------------------------------------------------------------------------

[[noreturn]] void fail(const std::string& path, const std::string& what) {
    throw SceneFileError(path + ": " + what);
}

const json& member(const json& j, const char* key, const std::string& path) {
    if (!j.is_object()) fail(path, "expected an object");
    const auto it = j.find(key);
    if (it == j.end()) fail(path, std::string("missing \"") + key + "\"");
    return *it;
}

const json& array(const json& j, const std::string& path) {
    if (!j.is_array()) fail(path, "expected an array");
    return j;
}

double finite(const json& j, const std::string& path) {
    if (!j.is_number()) fail(path, "expected a finite number");
    const double v = j.get<double>();
    if (!std::isfinite(v)) fail(path, "expected a finite number");
    return v;
}

int64_t whole(const json& j, int64_t lo, int64_t hi, const std::string& path) {
    if (!j.is_number_integer()) fail(path, "expected a whole number");
    if (j.is_number_unsigned() && j.get<uint64_t>() > static_cast<uint64_t>(hi))
        fail(path, "number out of range");
    const auto v = j.get<int64_t>();
    if (v < lo || v > hi) fail(path, "number " + std::to_string(v) + " out of range");
    return v;
}

std::vector<Vector> readPoints(const json& j, const std::string& path) {
    const json& a = array(j, path);
    if (a.size() % 3 != 0)
        fail(path, "expected three numbers per point, found " + std::to_string(a.size()) + " numbers");
    if (a.size() / 3 > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        fail(path, "too many points");
    std::vector<Vector> out(a.size() / 3);
    for (size_t i = 0; i < a.size(); ++i) {
        const double v = finite(a[i], path + "/" + std::to_string(i));
        Vector& p = out[i / 3];
        (i % 3 == 0 ? p.x : i % 3 == 1 ? p.y : p.z) = v;
    }
    return out;
}

Selection readSelection(const json& j, size_t count, const char* what, const std::string& path) {
    Selection s;
    int64_t last = -1;
    const json& a = array(j, path);
    for (size_t i = 0; i < a.size(); ++i) {
        const std::string at = path + "/" + std::to_string(i);
        const int64_t v = whole(a[i], 0, std::numeric_limits<int32_t>::max(), at);
        if (static_cast<size_t>(v) >= count)
            fail(at, std::string(what) + " " + std::to_string(v) + " out of range (there are " +
                         std::to_string(count) + ")");
        if (v <= last) fail(at, "indices must be ascending and distinct");
        last = v;
        s.select(static_cast<int32_t>(v));
    }
    return s;
}

std::unique_ptr<MeshPayload> readMesh(const json& j, const std::string& path) {
    auto m = std::make_unique<MeshPayload>();
    m->points = readPoints(member(j, "points", path), path + "/points");
    const std::string polygonsPath = path + "/polygons";
    const json& polygons = array(member(j, "polygons", path), polygonsPath);
    if (polygons.size() % 4 != 0)
        fail(polygonsPath, "expected four point indices per polygon, found " +
                               std::to_string(polygons.size()) + " indices");
    const auto pointCount = static_cast<int64_t>(m->points.size());
    std::vector<Polygon> read(polygons.size() / 4);
    for (size_t i = 0; i < polygons.size(); ++i) {
        const std::string at = polygonsPath + "/" + std::to_string(i);
        const int64_t v =
            whole(polygons[i], std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), at);
        if (v < 0 || v >= pointCount)
            fail(at, "point index " + std::to_string(v) + " out of range (the mesh has " +
                         std::to_string(pointCount) + " points)");
        Polygon& p = read[i / 4];
        (i % 4 == 0 ? p.a : i % 4 == 1 ? p.b : i % 4 == 2 ? p.c : p.d) = static_cast<int32_t>(v);
    }
    m->polygons = std::move(read);
    m->pointSelection =
        readSelection(member(j, "pointSelection", path), m->points.size(), "point", path + "/pointSelection");
    m->polygonSelection = readSelection(member(j, "polygonSelection", path), m->polygons.size(), "polygon",
                                        path + "/polygonSelection");
    if (j.contains("deformedPoints")) {
        const std::string at = path + "/deformedPoints";
        std::vector<Vector> deformed = readPoints(j["deformedPoints"], at);
        if (deformed.size() != m->points.size())
            fail(at, "the deform cache has " + std::to_string(deformed.size()) + " points, the mesh " +
                         std::to_string(m->points.size()));
        m->deformed = std::move(deformed);
        m->deformStamp = newGeometryStamp();
    }
    return m;
}

std::unique_ptr<SplinePayload> readSpline(const json& j, const std::string& path) {
    auto s = std::make_unique<SplinePayload>();
    s->points = readPoints(member(j, "points", path), path + "/points");
    const std::string at = path + "/segments";
    const json& segments = array(member(j, "segments", path), at);
    size_t total = 0;
    for (size_t i = 0; i < segments.size(); ++i) {
        const auto n =
            whole(segments[i], 1, std::numeric_limits<int32_t>::max(), at + "/" + std::to_string(i));
        s->segments.push_back(static_cast<int32_t>(n));
        total += static_cast<size_t>(n);
    }
    if (!s->segments.empty() && total != s->points.size())
        fail(at, "the segments hold " + std::to_string(total) + " points, the spline has " +
                     std::to_string(s->points.size()));
    return s;
}

std::unique_ptr<WeightPayload> readWeights(const json& j, const std::string& path) {
    auto w = std::make_unique<WeightPayload>();
    const std::string jointsPath = path + "/joints";
    const json& joints = array(member(j, "joints", path), jointsPath);
    for (size_t i = 0; i < joints.size(); ++i) {
        const std::string at = jointsPath + "/" + std::to_string(i);
        WeightPayload::Joint joint;
        joint.id = static_cast<NodeId>(
            whole(member(joints[i], "joint", at), 1, (int64_t{1} << 53) - 1, at + "/joint"));
        for (const auto& other : w->joints)
            if (other.id == joint.id)
                fail(at + "/joint", "joint " + std::to_string(joint.id) + " appears twice");
        const json& points = array(member(joints[i], "points", at), at + "/points");
        const json& values = array(member(joints[i], "weights", at), at + "/weights");
        if (points.size() != values.size())
            fail(at,
                 std::to_string(points.size()) + " points but " + std::to_string(values.size()) + " weights");
        int64_t last = -1;
        std::vector<WeightEntry> entries;
        for (size_t k = 0; k < points.size(); ++k) {
            const std::string pointAt = at + "/points/" + std::to_string(k);
            const int64_t p = whole(points[k], 0, std::numeric_limits<int32_t>::max(), pointAt);
            if (p <= last) fail(pointAt, "points must be ascending and distinct");
            last = p;
            const std::string valueAt = at + "/weights/" + std::to_string(k);
            const double v = finite(values[k], valueAt);
            if (v < 0.0) fail(valueAt, "a weight cannot be negative");
            if (v > 0.0) entries.push_back({static_cast<int32_t>(p), v});
        }
        joint.weights = std::move(entries);
        w->joints.push_back(std::move(joint));
    }
    return w;
}

} // namespace

json savePayload(const Node& node) {
    if (const auto* m = dynamic_cast<const MeshPayload*>(node.payload.get())) return meshJson(*m);
    if (const auto* s = dynamic_cast<const SplinePayload*>(node.payload.get())) return splineJson(*s);
    if (const auto* w = dynamic_cast<const WeightPayload*>(node.payload.get())) return weightsJson(*w);
    return json::object();
}

void loadPayload(Node& node, const json& j, const std::string& path) {
    if (node.isObject() && node.type == host::type::Polygon) {
        node.payload = readMesh(j, path);
    } else if (node.isObject() && node.type == host::type::Spline) {
        node.payload = readSpline(j, path);
    } else if (node.isTag() && node.type == host::tagtype::Weight) {
        node.payload = readWeights(j, path);
    } else {
        fail(path, "nodes of type " + std::to_string(node.type) + " carry no payload");
    }
}

} // namespace flumpet::scene
