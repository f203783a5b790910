#include "scene/payload_codec.h"

#include "host/ids.h"
#include "scene/array_codec.h"
#include "scene/dynamics/bake_cache.h"
#include "scene/blob_text.h"
#include "scene/geometry/payloads.h"
#include "scene/scene_file.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

namespace flumpet::scene {

using nlohmann::json;

namespace {

static_assert(sizeof(Vector) == 3 * sizeof(double), "points are stored as three doubles");
static_assert(sizeof(Polygon) == 4 * sizeof(int32_t), "polygons are stored as four indices");
static_assert(sizeof(host::Matrix) == 12 * sizeof(double), "matrices are stored as twelve doubles");

// --- Writing ----------------------------------------------------------------------------------

/// Writes numbers plain, or encoded when there are many.
class ArrayWriter {
  public:
    explicit ArrayWriter(std::vector<std::string>& blobs) : blobs_(blobs) {}

    json doubles(const double* values, size_t count) {
        if (count > PlainArrayLimit) return encoded(values, count, ArrayElement::Float64, "float64");
        json a = json::array();
        a.get_ref<json::array_t&>().reserve(count);
        for (size_t i = 0; i < count; ++i) a.push_back(values[i]);
        return a;
    }
    json ints(const int32_t* values, size_t count) {
        if (count > PlainArrayLimit) return encoded(values, count, ArrayElement::Int32, "int32");
        json a = json::array();
        a.get_ref<json::array_t&>().reserve(count);
        for (size_t i = 0; i < count; ++i) a.push_back(values[i]);
        return a;
    }
    json points(std::span<const Vector> points) {
        return doubles(points.empty() ? nullptr : &points.front().x, points.size() * 3);
    }
    json selection(const Selection& s) {
        std::vector<int32_t> indices;
        s.forEach([&](int32_t i) { indices.push_back(i); });
        return ints(indices.data(), indices.size());
    }

  private:
    json encoded(const void* values, size_t count, ArrayElement element, const char* type) {
        json j;
        j["count"] = count;
        j["type"] = type;
        j[BlobKey] = blobPlaceholder(blobs_.size());
        blobs_.push_back(encodeArray(values, count, element));
        return j;
    }
    std::vector<std::string>& blobs_;
};

json meshJson(const MeshPayload& m, ArrayWriter& w) {
    json j;
    j["points"] = w.points(m.points);
    j["polygons"] = w.ints(m.polygons.empty() ? nullptr : &m.polygons.front().a, m.polygons.size() * 4);
    j["pointSelection"] = w.selection(m.pointSelection);
    j["polygonSelection"] = w.selection(m.polygonSelection);
    if (m.deformed) j["deformedPoints"] = w.points(*m.deformed);
    return j;
}

json splineJson(const SplinePayload& s, ArrayWriter& w) {
    json j;
    j["points"] = w.points(s.points);
    j["segments"] = w.ints(s.segments.data(), s.segments.size());
    return j;
}

json weightsJson(const WeightPayload& wp, ArrayWriter& w) {
    json joints = json::array();
    for (const auto& joint : wp.joints) {
        std::vector<int32_t> points;
        std::vector<double> values;
        points.reserve(joint.weights.size());
        values.reserve(joint.weights.size());
        for (const auto& e : joint.weights) {
            points.push_back(e.point);
            values.push_back(e.weight);
        }
        joints.push_back({{"joint", joint.id},
                          {"points", w.ints(points.data(), points.size())},
                          {"weights", w.doubles(values.data(), values.size())}});
    }
    return {{"joints", std::move(joints)}};
}

json bakeCacheJson(const BakedMotion& m, ArrayWriter& w) {
    std::vector<double> values;
    values.reserve(m.frames.size() * m.bodies.size() * 12);
    for (const auto& frame : m.frames)
        for (const host::Matrix& matrix : frame) {
            const auto* d = &matrix.off.x;
            values.insert(values.end(), d, d + 12);
        }
    // Each matrix as its offset and three axes.
    return {{"bodies", m.bodies}, {"connectors", m.connectors}, {"springs", m.springs}, {"frames", m.frames.size()},
            {"matrices", w.doubles(values.data(), values.size())}};
}

// --- Reading ----------------------------------------------------------------------------------

[[noreturn]] void fail(const std::string& path, const std::string& what) {
    throw SceneFileError(path + ": " + what);
}

std::string at(const std::string& path, size_t i) { return path + "/" + std::to_string(i); }

const json& member(const json& j, const char* key, const std::string& path) {
    if (!j.is_object()) fail(path, "expected an object");
    const auto it = j.find(key);
    if (it == j.end()) fail(path, std::string("missing \"") + key + "\"");
    return *it;
}

/// Calls `report` (which throws) for the first number outside [lo, hi]. One branch-free pass
/// first: arrays of millions of indices are checked at memory speed.
template <typename Report>
void failOutside(const int32_t* values, size_t n, int64_t lo, int64_t hi, Report&& report) {
    bool bad = false;
    for (size_t i = 0; i < n; ++i) bad |= (values[i] < lo) | (values[i] > hi);
    if (!bad) return;
    for (size_t i = 0; i < n; ++i)
        if (values[i] < lo || values[i] > hi) report(i, values[i]);
}

/// Reads the numbers of an array in either form: plain JSON numbers, or encoded
/// ({"count", "type", "zstd"}). Checks on the values are the caller's; paths are built only
/// for an error.
class ArrayReader {
  public:
    explicit ArrayReader(const std::vector<std::string_view>& blobs) : blobs_(blobs) {}

    /// Finite numbers (coordinates, weights), read as items of `T`, each `sizeof(T) / 8` numbers
    /// (a double, or a point of three); `shape` names the item in the error for a count that does
    /// not divide.
    template <typename T = double>
    std::vector<T> doubles(const json& j, const std::string& path, const char* shape = nullptr) const {
        std::vector<T> out = numbers<T, double>(j, path, ArrayElement::Float64, "float64", shape);
        const auto* values = reinterpret_cast<const double*>(out.data());
        const size_t n = out.size() * PerItem<T, double>;
        // One branch-free pass; the place of a bad number is looked for only when there is one.
        bool bad = false;
        for (size_t i = 0; i < n; ++i) bad |= !(std::abs(values[i]) <= std::numeric_limits<double>::max());
        if (bad)
            for (size_t i = 0; i < n; ++i)
                if (!std::isfinite(values[i])) fail(at(path, i), "expected a finite number");
        return out;
    }
    /// Whole numbers between lo and hi, read as items of `T` (an index, or a polygon of four).
    template <typename T = int32_t>
    std::vector<T> ints(const json& j, const std::string& path, int64_t lo, int64_t hi,
                        const char* shape = nullptr) const {
        std::vector<T> out = numbers<T, int32_t>(j, path, ArrayElement::Int32, "int32", shape, lo, hi);
        failOutside(reinterpret_cast<const int32_t*>(out.data()), out.size() * PerItem<T, int32_t>, lo, hi,
                    [&](size_t i, int32_t v) { fail(at(path, i), "number " + std::to_string(v) + " out of range"); });
        return out;
    }

  private:
    template <typename T, typename Scalar>
    static constexpr size_t PerItem = sizeof(T) / sizeof(Scalar);

    /// The numbers of either form straight into items of `T`: an encoded array is decoded into
    /// the result's own storage, with no flat copy in between.
    template <typename T, typename Scalar>
    std::vector<T> numbers(const json& j, const std::string& path, ArrayElement element, const char* type,
                           const char* shape, int64_t lo = 0, int64_t hi = 0) const {
        static_assert(sizeof(T) % sizeof(Scalar) == 0 && std::is_trivially_copyable_v<T>);
        constexpr size_t perItem = PerItem<T, Scalar>;
        const auto items = [&](size_t count) {
            if (count % perItem != 0)
                fail(path, std::string("expected ") + shape + ", found " + std::to_string(count) + " " +
                               (std::is_same_v<Scalar, double> ? "numbers" : "indices"));
            return std::vector<T>(count / perItem);
        };
        if (j.is_object()) {
            std::vector<T> out;
            decode(j, path, element, type, [&](size_t count) {
                out = items(count);
                return static_cast<void*>(out.data());
            });
            return out;
        }
        if (!j.is_array()) fail(path, "expected an array");
        std::vector<T> out = items(j.size());
        auto* values = reinterpret_cast<Scalar*>(out.data());
        for (size_t i = 0; i < j.size(); ++i) {
            const json& v = j[i];
            if constexpr (std::is_same_v<Scalar, double>) {
                values[i] = v.is_number() ? v.get<double>() : std::numeric_limits<double>::quiet_NaN();
            } else {
                if (!v.is_number_integer()) fail(at(path, i), "expected a whole number");
                if (v.is_number_unsigned() && v.get<uint64_t>() > static_cast<uint64_t>(hi))
                    fail(at(path, i), "number out of range");
                const auto n = v.get<int64_t>();
                if (n < lo || n > hi) fail(at(path, i), "number " + std::to_string(n) + " out of range");
                values[i] = static_cast<int32_t>(n);
            }
        }
        return out;
    }

    template <typename Room>
    void decode(const json& j, const std::string& path, ArrayElement element, const char* type,
                Room&& room) const {
        const json& t = member(j, "type", path);
        if (!t.is_string() || t.get_ref<const std::string&>() != type)
            fail(path + "/type", std::string("expected \"") + type + "\"");
        const json& c = member(j, "count", path);
        // At most 2^31 values: indices are 32-bit.
        if (!c.is_number_unsigned() || c.get<uint64_t>() > uint64_t(std::numeric_limits<int32_t>::max()) * 4)
            fail(path + "/count", "expected a count of values");
        const auto count = c.get<size_t>();
        const json& z = member(j, BlobKey, path);
        if (!z.is_string()) fail(path + "/" + BlobKey, "expected base64 text");
        std::string_view text = z.get_ref<const std::string&>();
        size_t index = 0;
        if (blobIndex(text, index)) {
            if (index >= blobs_.size()) fail(path + "/" + BlobKey, "expected base64 text");
            text = blobs_[index];
        }
        std::string why;
        if (!decodeArray(text, count, element, room(count), why)) fail(path + "/" + BlobKey, why);
    }

    const std::vector<std::string_view>& blobs_;
};

std::vector<Vector> readPoints(const ArrayReader& r, const json& j, const std::string& path) {
    std::vector<Vector> out = r.doubles<Vector>(j, path, "three numbers per point");
    if (out.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) fail(path, "too many points");
    return out;
}

Selection readSelection(const ArrayReader& r, const json& j, size_t count, const char* what,
                        const std::string& path) {
    Selection s;
    int64_t last = -1;
    const std::vector<int32_t> indices = r.ints(j, path, 0, std::numeric_limits<int32_t>::max());
    for (size_t i = 0; i < indices.size(); ++i) {
        const int32_t v = indices[i];
        if (static_cast<size_t>(v) >= count)
            fail(at(path, i), std::string(what) + " " + std::to_string(v) + " out of range (there are " +
                                  std::to_string(count) + ")");
        if (v <= last) fail(at(path, i), "indices must be ascending and distinct");
        last = v;
        s.select(v);
    }
    return s;
}

std::unique_ptr<MeshPayload> readMesh(const ArrayReader& r, const json& j, const std::string& path) {
    auto m = std::make_unique<MeshPayload>();
    m->points = readPoints(r, member(j, "points", path), path + "/points");
    const std::string polygonsPath = path + "/polygons";
    std::vector<Polygon> polygons =
        r.ints<Polygon>(member(j, "polygons", path), polygonsPath, std::numeric_limits<int32_t>::min(),
                        std::numeric_limits<int32_t>::max(), "four point indices per polygon");
    const auto pointCount = static_cast<int64_t>(m->points.size());
    failOutside(reinterpret_cast<const int32_t*>(polygons.data()), polygons.size() * 4, 0, pointCount - 1,
                [&](size_t i, int32_t v) {
                    fail(at(polygonsPath, i), "point index " + std::to_string(v) + " out of range (the mesh has " +
                                                  std::to_string(pointCount) + " points)");
                });
    m->polygons = std::move(polygons);
    m->pointSelection =
        readSelection(r, member(j, "pointSelection", path), m->points.size(), "point", path + "/pointSelection");
    m->polygonSelection = readSelection(r, member(j, "polygonSelection", path), m->polygons.size(), "polygon",
                                        path + "/polygonSelection");
    if (j.contains("deformedPoints")) {
        const std::string where = path + "/deformedPoints";
        std::vector<Vector> deformed = readPoints(r, j["deformedPoints"], where);
        if (deformed.size() != m->points.size())
            fail(where, "the deform cache has " + std::to_string(deformed.size()) + " points, the mesh " +
                            std::to_string(m->points.size()));
        m->deformed = SharedArray<Vector>(std::move(deformed));
        m->deformStamp = newGeometryStamp();
    }
    return m;
}

std::unique_ptr<SplinePayload> readSpline(const ArrayReader& r, const json& j, const std::string& path) {
    auto s = std::make_unique<SplinePayload>();
    s->points = readPoints(r, member(j, "points", path), path + "/points");
    const std::string where = path + "/segments";
    s->segments = r.ints(member(j, "segments", path), where, 1, std::numeric_limits<int32_t>::max());
    size_t total = 0;
    for (int32_t n : s->segments) total += static_cast<size_t>(n);
    if (!s->segments.empty() && total != s->points.size())
        fail(where, "the segments hold " + std::to_string(total) + " points, the spline has " +
                        std::to_string(s->points.size()));
    return s;
}

std::unique_ptr<WeightPayload> readWeights(const ArrayReader& r, const json& j, const std::string& path) {
    auto w = std::make_unique<WeightPayload>();
    const std::string jointsPath = path + "/joints";
    const json& joints = member(j, "joints", path);
    if (!joints.is_array()) fail(jointsPath, "expected an array");
    for (size_t i = 0; i < joints.size(); ++i) {
        const std::string where = at(jointsPath, i);
        WeightPayload::Joint joint;
        const json& id = member(joints[i], "joint", where);
        if (!id.is_number_unsigned() || id.get<uint64_t>() < 1 || id.get<uint64_t>() > (uint64_t{1} << 53) - 1)
            fail(where + "/joint", "expected a node id");
        joint.id = id.get<NodeId>();
        for (const auto& other : w->joints)
            if (other.id == joint.id) fail(where + "/joint", "joint " + std::to_string(joint.id) + " appears twice");
        const std::vector<int32_t> points =
            r.ints(member(joints[i], "points", where), where + "/points", 0, std::numeric_limits<int32_t>::max());
        const std::vector<double> values = r.doubles(member(joints[i], "weights", where), where + "/weights");
        if (points.size() != values.size())
            fail(where, std::to_string(points.size()) + " points but " + std::to_string(values.size()) + " weights");
        int64_t last = -1;
        std::vector<WeightEntry> entries;
        entries.reserve(points.size());
        for (size_t k = 0; k < points.size(); ++k) {
            if (points[k] <= last) fail(where + "/points/" + std::to_string(k), "points must be ascending and distinct");
            last = points[k];
            if (values[k] < 0.0) fail(where + "/weights/" + std::to_string(k), "a weight cannot be negative");
            if (values[k] > 0.0) entries.push_back({points[k], values[k]});
        }
        joint.weights = std::move(entries);
        w->joints.push_back(std::move(joint));
    }
    return w;
}

std::unique_ptr<BakeCachePayload> readBakeCache(const ArrayReader& r, const json& j, const std::string& path) {
    BakedMotion m;
    const json& bodies = member(j, "bodies", path);
    if (!bodies.is_array()) fail(path + "/bodies", "expected an array");
    for (size_t i = 0; i < bodies.size(); ++i) {
        const json& id = bodies[i];
        if (!id.is_number_unsigned() || id.get<uint64_t>() < 1 || id.get<uint64_t>() > (uint64_t{1} << 53) - 1)
            fail(at(path + "/bodies", i), "expected a node id");
        m.bodies.push_back(id.get<NodeId>());
    }
    const json& connectors = member(j, "connectors", path);
    if (!connectors.is_number_unsigned() || connectors.get<uint64_t>() > uint64_t(std::numeric_limits<int32_t>::max()))
        fail(path + "/connectors", "expected a count");
    m.connectors = connectors.get<int32_t>();
    const json& springs = member(j, "springs", path);
    if (!springs.is_number_unsigned() || springs.get<uint64_t>() > uint64_t(std::numeric_limits<int32_t>::max()))
        fail(path + "/springs", "expected a count");
    m.springs = springs.get<int32_t>();
    const json& frames = member(j, "frames", path);
    if (!frames.is_number_unsigned()) fail(path + "/frames", "expected a count");
    const std::vector<host::Matrix> matrices =
        r.doubles<host::Matrix>(member(j, "matrices", path), path + "/matrices", "twelve numbers per matrix");
    const auto frameCount = frames.get<uint64_t>();
    if (matrices.size() != frameCount * m.bodies.size())
        fail(path + "/matrices", std::to_string(matrices.size()) + " matrices for " + std::to_string(frameCount) +
                                     " frames of " + std::to_string(m.bodies.size()) + " bodies");
    for (uint64_t f = 0; f < frameCount; ++f) {
        const auto first = matrices.begin() + static_cast<std::ptrdiff_t>(f * m.bodies.size());
        m.frames.emplace_back(first, first + static_cast<std::ptrdiff_t>(m.bodies.size()));
    }
    return std::make_unique<BakeCachePayload>(std::move(m));
}

} // namespace

json savePayload(const Node& node, std::vector<std::string>& blobs) {
    ArrayWriter w(blobs);
    if (const auto* m = dynamic_cast<const MeshPayload*>(node.payload.get())) return meshJson(*m, w);
    if (const auto* s = dynamic_cast<const SplinePayload*>(node.payload.get())) return splineJson(*s, w);
    if (const auto* wp = dynamic_cast<const WeightPayload*>(node.payload.get())) return weightsJson(*wp, w);
    if (const auto* c = dynamic_cast<const BakeCachePayload*>(node.payload.get())) return bakeCacheJson(c->motion(), w);
    return json::object();
}

void loadPayload(Node& node, const json& j, const std::string& path, const std::vector<std::string_view>& blobs) {
    const ArrayReader r(blobs);
    if (node.isObject() && node.type == host::type::Polygon) {
        node.payload = readMesh(r, j, path);
    } else if (node.isObject() && node.type == host::type::Spline) {
        node.payload = readSpline(r, j, path);
    } else if (node.isTag() && node.type == host::tagtype::Weight) {
        node.payload = readWeights(r, j, path);
    } else if (node.kind == NodeKind::Hook && node.type == host::hook::DynamicsSettings) {
        node.payload = readBakeCache(r, j, path);
    } else {
        fail(path, "nodes of type " + std::to_string(node.type) + " carry no payload");
    }
}

} // namespace flumpet::scene
