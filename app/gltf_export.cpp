#include "gltf_export.h"

#include "host/geometry_handles.h"
#include "host/ids.h"
#include "object_paths.h"
#include "scene/dynamics/simulation.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>

namespace flumpet::app {

namespace {

using host::Vector;

constexpr double Pi = 3.14159265358979323846;

/// Triangles with a normal per corner, in the object's own coordinates.
struct Surface {
    std::vector<Vector> points;
    std::vector<Vector> normals;
    std::vector<uint32_t> indices;
};

Vector unitOr(const Vector& v, const Vector& fallback) {
    const double l = host::length(v);
    return l > 1e-12 && std::isfinite(l) ? v / l : fallback;
}

// Smooth normals: the area-weighted average of the faces around each point.
Surface polygonSurface(const host::PolygonObject& mesh) {
    Surface s;
    const auto points = mesh.points();
    s.points.assign(points.begin(), points.end());
    std::vector<Vector> sums(points.size());
    for (const host::Polygon& p : mesh.polygons()) {
        const int32_t corners[4] = {p.a, p.b, p.c, p.d};
        const int n = p.isTriangle() ? 3 : 4;
        bool inRange = true;
        for (int k = 0; k < n; ++k) inRange = inRange && corners[k] >= 0 && size_t(corners[k]) < points.size();
        if (!inRange) continue;
        for (int k = 1; k + 1 < n; ++k) {
            const uint32_t a = uint32_t(corners[0]), b = uint32_t(corners[k]), c = uint32_t(corners[k + 1]);
            const Vector area = host::cross(points[b] - points[a], points[c] - points[a]);
            for (uint32_t v : {a, b, c}) sums[v] += area;
            s.indices.insert(s.indices.end(), {a, b, c});
        }
    }
    for (const Vector& sum : sums) s.normals.push_back(unitOr(sum, {0, 1, 0}));
    return s;
}

void addQuad(Surface& s, const std::array<Vector, 4>& corners, const Vector& normal) {
    const auto base = static_cast<uint32_t>(s.points.size());
    for (const Vector& c : corners) {
        s.points.push_back(c);
        s.normals.push_back(normal);
    }
    s.indices.insert(s.indices.end(), {base, base + 1, base + 2, base, base + 2, base + 3});
}

Surface box(const Vector& size) {
    Surface s;
    const Vector h = size / 2;
    // Each face: its normal and two axes along it, counter-clockwise seen from outside.
    const Vector axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int a = 0; a < 3; ++a)
        for (const double sign : {1.0, -1.0}) {
            const Vector n = axes[a] * sign;
            const Vector u = axes[(a + 1) % 3] * sign, v = axes[(a + 2) % 3];
            const auto corner = [&](double x, double y) {
                const Vector p = n + u * x + v * y;
                return Vector{p.x * h.x, p.y * h.y, p.z * h.z};
            };
            addQuad(s, {corner(-1, -1), corner(1, -1), corner(1, 1), corner(-1, 1)}, n);
        }
    return s;
}

Surface sphere(double radius) {
    Surface s;
    constexpr int Rings = 12, Segments = 24;
    for (int i = 0; i <= Rings; ++i)
        for (int j = 0; j <= Segments; ++j) {
            const double theta = Pi * i / Rings, phi = 2 * Pi * j / Segments;
            const Vector n{std::sin(theta) * std::cos(phi), std::cos(theta), -std::sin(theta) * std::sin(phi)};
            s.points.push_back(n * radius);
            s.normals.push_back(n);
        }
    for (uint32_t i = 0; i < Rings; ++i)
        for (uint32_t j = 0; j < Segments; ++j) {
            const uint32_t a = i * (Segments + 1) + j, b = a + Segments + 1;
            if (i > 0) s.indices.insert(s.indices.end(), {a, b, a + 1});
            if (i + 1 < Rings) s.indices.insert(s.indices.end(), {a + 1, b, b + 1});
        }
    return s;
}

/// A cone cut flat at both ends along +Y, centred: radius `bottom` at -height/2, `top` at +height/2.
Surface frustum(double top, double bottom, double height) {
    Surface s;
    constexpr int Segments = 24;
    const double y0 = -height / 2, y1 = height / 2;
    const double slope = height > 0 ? (bottom - top) / height : 0;
    for (int j = 0; j <= Segments; ++j) {
        const double phi = 2 * Pi * j / Segments;
        const Vector radial{std::cos(phi), 0, -std::sin(phi)};
        const Vector n = unitOr(radial + Vector{0, slope, 0}, {0, 1, 0});
        s.points.push_back(radial * bottom + Vector{0, y0, 0});
        s.normals.push_back(n);
        s.points.push_back(radial * top + Vector{0, y1, 0});
        s.normals.push_back(n);
    }
    for (uint32_t j = 0; j < Segments; ++j) {
        const uint32_t a = 2 * j;
        s.indices.insert(s.indices.end(), {a, a + 2, a + 1, a + 1, a + 2, a + 3});
    }
    for (const auto& [y, r, up] : {std::tuple{y0, bottom, -1.0}, std::tuple{y1, top, 1.0}}) {
        if (r <= 0) continue;
        const auto centre = static_cast<uint32_t>(s.points.size());
        s.points.push_back({0, y, 0});
        s.normals.push_back({0, up, 0});
        for (int j = 0; j <= Segments; ++j) {
            const double phi = 2 * Pi * j / Segments;
            s.points.push_back(Vector{std::cos(phi), 0, -std::sin(phi)} * r + Vector{0, y, 0});
            s.normals.push_back({0, up, 0});
        }
        for (uint32_t j = 0; j < Segments; ++j) {
            const uint32_t a = centre + 1 + j;
            if (up > 0) s.indices.insert(s.indices.end(), {centre, a, a + 1});
            else s.indices.insert(s.indices.end(), {centre, a + 1, a});
        }
    }
    return s;
}

/// Turns a surface built along +Y onto one of the six axes (+X, -X, +Y, -Y, +Z, -Z).
void pointAlong(Surface& s, int32_t axis) {
    const auto turn = [axis](const Vector& v) -> Vector {
        switch (axis) {
        case 0: return {v.y, -v.x, v.z};
        case 1: return {-v.y, v.x, v.z};
        case 3: return {-v.x, -v.y, v.z};
        case 4: return {v.x, -v.z, v.y};
        case 5: return {v.x, v.z, -v.y};
        default: return v;
        }
    };
    for (Vector& p : s.points) p = turn(p);
    for (Vector& n : s.normals) n = turn(n);
}

Vector hsv(double h, double s, double v) {
    const double i = std::floor(h * 6), f = h * 6 - i, p = v * (1 - s), q = v * (1 - f * s), t = v * (1 - (1 - f) * s);
    switch (static_cast<int>(i) % 6) {
    case 0: return {v, t, p};
    case 1: return {q, v, p};
    case 2: return {p, v, t};
    case 3: return {p, q, v};
    case 4: return {t, p, v};
    default: return {v, p, q};
    }
}

tinygltf::Value extrasOf(const host::Value& v, const host::Document& doc) {
    using tinygltf::Value;
    if (const auto* i = std::get_if<int32_t>(&v)) return Value(static_cast<int>(*i));
    if (const auto* d = std::get_if<double>(&v)) return std::isfinite(*d) ? Value(*d) : Value();
    if (const auto* b = std::get_if<bool>(&v)) return Value(*b);
    if (const auto* s = std::get_if<std::string>(&v)) return Value(*s);
    if (const auto* vec = std::get_if<Vector>(&v)) return Value(Value::Array{Value(vec->x), Value(vec->y), Value(vec->z)});
    if (const auto* link = std::get_if<host::Link>(&v)) {
        const host::Object o = doc.resolve(link->id);
        return o.alive() ? Value(objectPath(o)) : Value();
    }
    return Value();
}

/// The node's parameters by id; links as the linked object's path.
tinygltf::Value parametersOf(const host::Node& node, const host::Document& doc) {
    tinygltf::Value::Object out;
    const host::Container data = node.data(); // values() refers into it: keep it alive
    for (const auto& [id, value] : data.values()) {
        tinygltf::Value e = extrasOf(value, doc);
        if (e.Type() != tinygltf::NULL_TYPE) out[std::to_string(id)] = std::move(e);
    }
    return tinygltf::Value(std::move(out));
}

/// A local matrix as translation, rotation (unit quaternion x, y, z, w) and scale, its axes
/// taken as orthogonal; a mirrored matrix gets a negative X scale.
struct Trs {
    std::array<double, 3> translation{0, 0, 0};
    std::array<double, 4> rotation{0, 0, 0, 1};
    std::array<double, 3> scale{1, 1, 1};
};

Trs trsOf(const host::Matrix& m) {
    Vector x = m.v1, y = m.v2, z = m.v3;
    double sx = host::length(x), sy = host::length(y), sz = host::length(z);
    if (host::dot(x, host::cross(y, z)) < 0) sx = -sx, x = -x;
    x = unitOr(x, {1, 0, 0});
    y = unitOr(y - x * host::dot(x, y), unitOr(host::cross(z, x), {0, 1, 0}));
    z = host::cross(x, y);
    // Quaternion of the rotation whose columns are x, y, z.
    double qw, qx, qy, qz;
    const double trace = x.x + y.y + z.z;
    if (trace > 0) {
        const double s = std::sqrt(trace + 1) * 2;
        qw = s / 4, qx = (y.z - z.y) / s, qy = (z.x - x.z) / s, qz = (x.y - y.x) / s;
    } else if (x.x > y.y && x.x > z.z) {
        const double s = std::sqrt(1 + x.x - y.y - z.z) * 2;
        qw = (y.z - z.y) / s, qx = s / 4, qy = (y.x + x.y) / s, qz = (z.x + x.z) / s;
    } else if (y.y > z.z) {
        const double s = std::sqrt(1 + y.y - x.x - z.z) * 2;
        qw = (z.x - x.z) / s, qx = (y.x + x.y) / s, qy = s / 4, qz = (z.y + y.z) / s;
    } else {
        const double s = std::sqrt(1 + z.z - x.x - y.y) * 2;
        qw = (x.y - y.x) / s, qx = (z.x + x.z) / s, qy = (z.y + y.z) / s, qz = s / 4;
    }
    const double ql = std::sqrt(qw * qw + qx * qx + qy * qy + qz * qz);
    return {{m.off.x, m.off.y, m.off.z}, {qx / ql, qy / ql, qz / ql, qw / ql}, {sx, sy, sz}};
}

class Exporter {
  public:
    explicit Exporter(const host::Document& doc) : doc_(doc) {
        model_.asset.version = "2.0";
        model_.asset.generator = "flumpet";
        model_.buffers.emplace_back();
        model_.scenes.emplace_back();
        model_.defaultScene = 0;
        characterMaterial_ = material("character", {0.8, 0.8, 0.8}, 0.35);
    }

    GltfReport run(const scene::BakedMotion* motion) {
        for (host::Object o = doc_.firstObject(); o.alive(); o = o.next()) model_.scenes[0].nodes.push_back(node(o));
        for (const auto& [meshNode, tag] : pendingSkins_) skin(meshNode, tag);
        if (motion) animate(*motion);
        report_.nodes = static_cast<int>(model_.nodes.size());
        report_.meshes = static_cast<int>(model_.meshes.size());
        report_.skins = static_cast<int>(model_.skins.size());
        return report_;
    }

    tinygltf::Model& model() { return model_; }

  private:
    int node(const host::Object& o) {
        const int index = static_cast<int>(model_.nodes.size());
        model_.nodes.emplace_back();
        nodeOf_[o.id()] = index;
        localOf_[o.id()] = host::isFinite(o.localMatrix()) ? o.localMatrix() : host::Matrix{};
        if (o.parent().alive()) parentOf_[o.id()] = o.parent().id();
        {
            tinygltf::Node& n = model_.nodes.back();
            n.name = o.name();
            place(n, o.localMatrix());
        }
        tinygltf::Value::Object extras;
        const int32_t type = o.type();
        if (type == host::type::Connector || type == host::type::Spring) {
            extras["kind"] = tinygltf::Value(std::string(type == host::type::Connector ? "connector" : "spring"));
            extras["parameters"] = parametersOf(o, doc_);
        }
        for (const host::Tag& t : o.tags())
            if (t.type() == host::tagtype::DynamicsBody) extras["dynamicsBody"] = parametersOf(t, doc_);

        const int mesh = meshOf(o);
        tinygltf::Node& n = model_.nodes[size_t(index)];
        if (!extras.empty()) n.extras = tinygltf::Value(std::move(extras));
        if (mesh >= 0) n.mesh = mesh;

        std::vector<int> children;
        for (host::Object c = o.firstChild(); c.alive(); c = c.next()) children.push_back(node(c));
        model_.nodes[size_t(index)].children = children;
        return index;
    }

    // Always as translation, rotation and scale: an animation cannot move a node given as a matrix.
    static void place(tinygltf::Node& n, const host::Matrix& m) {
        if (!host::isFinite(m)) return;
        const Trs p = trsOf(m);
        if (m.off != Vector{}) n.translation = {p.translation.begin(), p.translation.end()};
        if (std::abs(p.rotation[3] - 1) > 1e-12) n.rotation = {p.rotation.begin(), p.rotation.end()};
        if (p.scale != std::array<double, 3>{1, 1, 1}) n.scale = {p.scale.begin(), p.scale.end()};
    }

    /// The world matrix of a node at a frame: its baked one when it is a body, else its
    /// parent's at that frame times its own local matrix.
    host::Matrix worldAt(host::NodeId id, const std::vector<host::Matrix>& frame,
                         const std::map<host::NodeId, size_t>& body) const {
        if (const auto b = body.find(id); b != body.end()) return frame[b->second];
        const auto parent = parentOf_.find(id);
        if (parent == parentOf_.end()) return {};
        return worldAt(parent->second, frame, body) * localOf_.at(id);
    }

    // A keyframe per baked frame for every body's node, so that the fall plays back as baked.
    void animate(const scene::BakedMotion& motion) {
        std::map<host::NodeId, size_t> body;
        for (size_t b = 0; b < motion.bodies.size(); ++b)
            if (nodeOf_.count(motion.bodies[b])) body[motion.bodies[b]] = b;
        std::vector<float> times;
        for (size_t f = 0; f < motion.frames.size(); ++f) {
            if (motion.frames[f].size() != motion.bodies.size()) return; // not a motion of these bodies
            times.push_back(static_cast<float>(static_cast<double>(f) / framesPerSecond()));
        }
        if (body.empty() || times.empty()) return;

        tinygltf::Animation animation;
        animation.name = "Dynamics";
        const int input = accessor(times.data(), times.size() * 4, static_cast<int>(times.size()),
                                   TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_SCALAR, 0);
        model_.accessors[size_t(input)].minValues = {times.front()};
        model_.accessors[size_t(input)].maxValues = {times.back()};
        for (const auto& [id, b] : body) {
            std::vector<float> translations, rotations, scales;
            Trs previous = trsOf(localOf_.at(id));
            for (const std::vector<host::Matrix>& frame : motion.frames) {
                const auto parent = parentOf_.find(id);
                const host::Matrix parentWorld = parent == parentOf_.end() ? host::Matrix{} : worldAt(parent->second, frame, body);
                const host::Matrix local = host::inverse(parentWorld) * frame[b];
                // A frame that is not finite holds the last good pose (the report says why).
                Trs p = host::isFinite(local) ? trsOf(local) : previous;
                // The shorter way round from the frame before, so that interpolation does not spin.
                double d = 0;
                for (size_t k = 0; k < 4; ++k) d += p.rotation[k] * previous.rotation[k];
                if (d < 0)
                    for (double& q : p.rotation) q = -q;
                for (double t : p.translation) translations.push_back(static_cast<float>(t));
                for (double q : p.rotation) rotations.push_back(static_cast<float>(q));
                for (double s : p.scale) scales.push_back(static_cast<float>(s));
                previous = p;
            }
            const int node = nodeOf_.at(id);
            const auto channel = [&](const std::vector<float>& values, int type, const char* path) {
                tinygltf::AnimationSampler sampler;
                sampler.input = input;
                sampler.output = accessor(values.data(), values.size() * 4, static_cast<int>(times.size()),
                                          TINYGLTF_COMPONENT_TYPE_FLOAT, type, 0);
                sampler.interpolation = "LINEAR";
                animation.samplers.push_back(std::move(sampler));
                tinygltf::AnimationChannel c;
                c.sampler = static_cast<int>(animation.samplers.size()) - 1;
                c.target_node = node;
                c.target_path = path;
                animation.channels.push_back(std::move(c));
            };
            channel(translations, TINYGLTF_TYPE_VEC3, "translation");
            channel(rotations, TINYGLTF_TYPE_VEC4, "rotation");
            channel(scales, TINYGLTF_TYPE_VEC3, "scale");
        }
        model_.animations.push_back(std::move(animation));
        report_.animatedNodes = static_cast<int>(body.size());
        report_.keyframes = static_cast<int>(times.size());
    }

    double framesPerSecond() const {
        const double fps = doc_.data().getFloat(host::docparam::FrameRate, 30.0);
        return std::isfinite(fps) && fps > 0 ? fps : 30.0;
    }

    bool isCollider(const host::Object& o) const {
        const int32_t type = o.type();
        if (type == host::type::Cube || type == host::type::Sphere || type == host::type::Cone) return true;
        return type == host::type::Polygon && o.parent().alive() && o.parent().type() == host::type::Joint;
    }

    Vector colliderColour(const host::Object& o) {
        for (const host::Object& candidate : {o, o.parent()}) {
            const host::Container data = candidate.data();
            if (candidate.alive() && data.getInt(host::param::UseDisplayColour) != 0 && data.has(host::param::DisplayColour))
                return data.getVector(host::param::DisplayColour);
        }
        // Hues a golden angle apart, so that neighbours differ.
        return hsv(std::fmod(0.1 + report_.colliders * 0.6180339887, 1.0), 0.7, 0.9);
    }

    int meshOf(const host::Object& o) {
        const int32_t type = o.type();
        const host::Container data = o.data();
        Surface s;
        if (type == host::type::Polygon) s = polygonSurface(host::PolygonObject(o));
        else if (type == host::type::Cube) s = box(data.getVector(host::primitive::CubeSize, {200, 200, 200}));
        else if (type == host::type::Sphere) s = sphere(data.getFloat(host::primitive::SphereRadius, 100));
        else if (type == host::type::Cone) {
            s = frustum(data.getFloat(host::primitive::ConeTopRadius, 0), data.getFloat(host::primitive::ConeBottomRadius, 100),
                        data.getFloat(host::primitive::ConeHeight, 200));
            pointAlong(s, data.getInt(host::primitive::Axis, 2));
        } else
            return -1;
        if (s.indices.empty()) return -1;

        const bool collider = isCollider(o);
        int materialIndex = characterMaterial_;
        if (collider) {
            materialIndex = material(o.name(), colliderColour(o), 1.0);
            ++report_.colliders;
        }
        tinygltf::Primitive p;
        p.mode = TINYGLTF_MODE_TRIANGLES;
        p.material = materialIndex;
        p.attributes["POSITION"] = vectors(s.points, true);
        p.attributes["NORMAL"] = vectors(s.normals, false);
        p.indices = accessor(s.indices.data(), s.indices.size() * 4, static_cast<int>(s.indices.size()),
                             TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, TINYGLTF_TYPE_SCALAR, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
        if (!collider && type == host::type::Polygon) {
            const host::WeightTag tag(o.tag(host::tagtype::Weight));
            if (tag.alive() && tag.jointCount() > 0) skinAttributes(p, host::PolygonObject(o), tag);
        }
        tinygltf::Mesh mesh;
        mesh.name = o.name();
        mesh.primitives.push_back(std::move(p));
        model_.meshes.push_back(std::move(mesh));
        return static_cast<int>(model_.meshes.size()) - 1;
    }

    int material(const std::string& name, const Vector& colour, double alpha) {
        tinygltf::Material m;
        m.name = name;
        const auto clamp = [](double c) { return std::isfinite(c) ? std::clamp(c, 0.0, 1.0) : 0.5; };
        m.pbrMetallicRoughness.baseColorFactor = {clamp(colour.x), clamp(colour.y), clamp(colour.z), alpha};
        m.pbrMetallicRoughness.metallicFactor = 0.0;
        m.pbrMetallicRoughness.roughnessFactor = 0.6;
        if (alpha < 1) {
            m.alphaMode = "BLEND";
            m.doubleSided = true;
        }
        model_.materials.push_back(std::move(m));
        return static_cast<int>(model_.materials.size()) - 1;
    }

    int vectors(const std::vector<Vector>& v, bool bounds) {
        std::vector<float> data;
        data.reserve(v.size() * 3);
        std::vector<double> lo(3, 1e300), hi(3, -1e300);
        for (const Vector& p : v)
            for (int k = 0; k < 3; ++k) {
                const float f = static_cast<float>(k == 0 ? p.x : k == 1 ? p.y : p.z);
                data.push_back(std::isfinite(f) ? f : 0.0f);
                lo[size_t(k)] = std::min(lo[size_t(k)], double(data.back()));
                hi[size_t(k)] = std::max(hi[size_t(k)], double(data.back()));
            }
        const int a = accessor(data.data(), data.size() * 4, static_cast<int>(v.size()), TINYGLTF_COMPONENT_TYPE_FLOAT,
                               TINYGLTF_TYPE_VEC3, TINYGLTF_TARGET_ARRAY_BUFFER);
        if (bounds) {
            model_.accessors[size_t(a)].minValues = lo;
            model_.accessors[size_t(a)].maxValues = hi;
        }
        return a;
    }

    int accessor(const void* bytes, size_t size, int count, int componentType, int type, int target) {
        std::vector<unsigned char>& buffer = model_.buffers[0].data;
        while (buffer.size() % 4) buffer.push_back(0);
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = buffer.size();
        view.byteLength = size;
        view.target = target;
        buffer.insert(buffer.end(), static_cast<const unsigned char*>(bytes), static_cast<const unsigned char*>(bytes) + size);
        model_.bufferViews.push_back(view);
        tinygltf::Accessor a;
        a.bufferView = static_cast<int>(model_.bufferViews.size()) - 1;
        a.byteOffset = 0;
        a.componentType = componentType;
        a.count = static_cast<size_t>(count);
        a.type = type;
        model_.accessors.push_back(std::move(a));
        return static_cast<int>(model_.accessors.size()) - 1;
    }

    // The four strongest joints of each point, their weights summing to one.
    void skinAttributes(tinygltf::Primitive& p, const host::PolygonObject& mesh, const host::WeightTag& tag) {
        const auto count = static_cast<size_t>(mesh.pointCount());
        std::vector<std::vector<std::pair<double, int>>> byPoint(count);
        for (int32_t j = 0; j < tag.jointCount(); ++j)
            for (const host::WeightEntry& e : tag.weights(j))
                if (e.point >= 0 && size_t(e.point) < count && e.weight > 0 && std::isfinite(e.weight))
                    byPoint[size_t(e.point)].push_back({e.weight, j});
        std::vector<uint16_t> joints(count * 4, 0);
        std::vector<float> weights(count * 4, 0.0f);
        for (size_t i = 0; i < count; ++i) {
            auto& w = byPoint[i];
            std::sort(w.begin(), w.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
            if (w.size() > 4) w.resize(4);
            if (w.empty()) w.push_back({1.0, 0}); // unweighted points follow the first joint
            double sum = 0;
            for (const auto& e : w) sum += e.first;
            float rest = 1.0f;
            for (size_t k = w.size(); k-- > 0;) {
                const float f = k == 0 ? rest : static_cast<float>(w[k].first / sum);
                weights[i * 4 + k] = f;
                joints[i * 4 + k] = static_cast<uint16_t>(w[k].second);
                if (k > 0) rest -= f;
            }
        }
        p.attributes["JOINTS_0"] = accessor(joints.data(), joints.size() * 2, static_cast<int>(count),
                                            TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT, TINYGLTF_TYPE_VEC4, TINYGLTF_TARGET_ARRAY_BUFFER);
        p.attributes["WEIGHTS_0"] = accessor(weights.data(), weights.size() * 4, static_cast<int>(count),
                                             TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC4, TINYGLTF_TARGET_ARRAY_BUFFER);
        pendingSkins_.push_back({static_cast<int>(model_.nodes.size()) - 1, tag});
    }

    // A skin per weighted mesh: its joints, and matrices that take the mesh's points into each
    // joint's frame as they stand now (the bind pose).
    void skin(int meshNode, const host::WeightTag& tag) {
        tinygltf::Skin s;
        std::vector<float> matrices;
        const host::Matrix meshGlobal = tag.object().globalMatrix();
        for (int32_t j = 0; j < tag.jointCount(); ++j) {
            const host::Object joint = tag.joint(j);
            const auto it = nodeOf_.find(joint.id());
            if (!joint.alive() || it == nodeOf_.end()) {
                // A joint that is gone cannot move the mesh: the mesh is left unskinned.
                model_.meshes[size_t(model_.nodes[size_t(meshNode)].mesh)].primitives[0].attributes.erase("JOINTS_0");
                model_.meshes[size_t(model_.nodes[size_t(meshNode)].mesh)].primitives[0].attributes.erase("WEIGHTS_0");
                return;
            }
            s.joints.push_back(it->second);
            const host::Matrix m = host::inverse(joint.globalMatrix()) * meshGlobal;
            const float column[16] = {float(m.v1.x), float(m.v1.y), float(m.v1.z), 0, float(m.v2.x), float(m.v2.y),
                                      float(m.v2.z), 0, float(m.v3.x), float(m.v3.y), float(m.v3.z), 0,
                                      float(m.off.x), float(m.off.y), float(m.off.z), 1};
            matrices.insert(matrices.end(), column, column + 16);
        }
        s.name = tag.object().name();
        s.inverseBindMatrices = accessor(matrices.data(), matrices.size() * 4, tag.jointCount(), TINYGLTF_COMPONENT_TYPE_FLOAT,
                                         TINYGLTF_TYPE_MAT4, 0);
        model_.skins.push_back(std::move(s));
        model_.nodes[size_t(meshNode)].skin = static_cast<int>(model_.skins.size()) - 1;
    }

    host::Document doc_;
    tinygltf::Model model_;
    std::map<host::NodeId, int> nodeOf_;
    std::map<host::NodeId, host::Matrix> localOf_;
    std::map<host::NodeId, host::NodeId> parentOf_;
    std::vector<std::pair<int, host::WeightTag>> pendingSkins_;
    int characterMaterial_ = -1;
    GltfReport report_;
};

} // namespace

GltfReport exportGltf(const host::Document& doc, const std::string& path, const scene::BakedMotion* motion) {
    Exporter exporter(doc);
    const GltfReport report = exporter.run(motion);
    const bool binary = std::filesystem::path(path).extension() == ".glb";
    const std::string temporary = path + ".part";
    tinygltf::TinyGLTF writer;
    if (!writer.WriteGltfSceneToFile(&exporter.model(), temporary, true, true, !binary, binary)) {
        std::filesystem::remove(temporary);
        throw CommandError(path + ": cannot write the glTF file");
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary);
        throw CommandError(path + ": cannot write the glTF file: " + error.message());
    }
    return report;
}

} // namespace flumpet::app
