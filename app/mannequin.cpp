#include "mannequin.h"

#include "host/geometry_handles.h"
#include "host/ids.h"
#include "object_paths.h"
#include "scene/engine.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace flumpet::app {

namespace {

using host::Vector;

struct JointSpec {
    const char* name;
    const char* parent;
    Vector position;
};

// Left side only (+X is the character's left); the right side mirrors it.
const JointSpec Body[] = {
    {"Hips", nullptr, {0, 98, 0}},      {"Spine", "Hips", {0, 108, 0}}, {"Spine1", "Spine", {0, 120, 0}},
    {"Spine2", "Spine1", {0, 132, 0}},  {"Neck", "Spine2", {0, 150, 0}}, {"Head", "Neck", {0, 160, 0}},
    {"HeadTop_End", "Head", {0, 178, 0}},
};
const JointSpec LeftSide[] = {
    {"LeftShoulder", "Spine2", {4, 144, 0}},
    {"LeftArm", "LeftShoulder", {17, 145, 0}},
    {"LeftForeArm", "LeftArm", {45, 145, 0}},
    {"LeftHand", "LeftForeArm", {71, 145, 0}},
    {"LeftHandIndex1", "LeftHand", {80, 145, 0.5}},
    {"LeftHandThumb1", "LeftHand", {74, 144, 3}},
    {"LeftUpLeg", "Hips", {10, 94, 0}},
    {"LeftLeg", "LeftUpLeg", {10, 52, 1}},
    {"LeftFoot", "LeftLeg", {10, 10, 0}},
    {"LeftToeBase", "LeftFoot", {10, 3, 12}},
    {"LeftToe_End", "LeftToeBase", {10, 3, 19}},
};

/// A round cone: the segment a-b swept by a radius that runs from ra to rb.
struct Limb {
    const char* owner; ///< the joint that carries this part's weights
    Vector a, b;
    double ra, rb;
};

const Limb Trunk[] = {
    {"Hips", {-9, 96, 0}, {9, 96, 0}, 12, 12},       {"Spine", {-6, 108, 0}, {6, 108, 0}, 11, 11},
    {"Spine1", {-7, 120, 0}, {7, 120, 0}, 12, 12},   {"Spine2", {-9, 134, 0}, {9, 134, 0}, 12, 12},
    {"Neck", {0, 142, 0}, {0, 156, 0}, 5.5, 5.5},    {"Head", {0, 162, 1}, {0, 170, 1}, 9, 9},
};
const Limb LeftLimbs[] = {
    {"LeftShoulder", {4, 142, 0}, {17, 145, 0}, 6, 5.5},
    {"LeftArm", {17, 145, 0}, {45, 145, 0}, 5.5, 4.3},
    {"LeftForeArm", {45, 145, 0}, {70, 145, 0}, 4.3, 3.2},
    {"LeftHand", {71, 145, 0}, {79, 145, 0.5}, 3.2, 3},
    {"LeftHandIndex1", {79, 145, 0.5}, {88, 145, 1}, 2.5, 2},
    {"LeftHandThumb1", {73, 144, 2.5}, {78, 143, 6}, 2, 1.8},
    {"LeftUpLeg", {10, 94, 0}, {10, 52, 1}, 8, 5.5},
    {"LeftLeg", {10, 52, 1}, {10, 10, 0}, 5.5, 3.8},
    {"LeftFoot", {10, 6, -3}, {10, 4, 12}, 4, 3.5},
    {"LeftToeBase", {10, 3.5, 12}, {10, 3.5, 18}, 3, 2.6},
};

Vector mirrored(const Vector& v) { return {-v.x, v.y, v.z}; }
std::string rightName(const std::string& left) { return "Right" + left.substr(4); }

/// Signed distance (approximately) to a limb's surface.
double limbDistance(const Limb& l, const Vector& p) {
    const Vector ab = l.b - l.a;
    const double t = std::clamp(host::dot(p - l.a, ab) / host::dot(ab, ab), 0.0, 1.0);
    return host::length(p - (l.a + ab * t)) - (l.ra + (l.rb - l.ra) * t);
}

/// Blends two distances within k of each other into one rounded surface.
double smoothMin(double a, double b, double k) {
    const double h = std::max(k - std::abs(a - b), 0.0) / k;
    return std::min(a, b) - h * h * k * 0.25;
}

constexpr double Blend = 3.0;      // centimetres over which parts melt together
constexpr double WeightSpread = 3; // centimetres over which weights fade between parts

struct Parts {
    std::vector<Limb> limbs;
    std::vector<int> owners; // joint index per limb
    std::vector<Vector> centres;
    std::vector<double> reach; // from the centre, the farthest the limb's surface goes

    void add(const Limb& l, int owner) {
        limbs.push_back(l);
        owners.push_back(owner);
        centres.push_back((l.a + l.b) / 2);
        reach.push_back(host::length(l.b - l.a) / 2 + std::max(l.ra, l.rb));
    }

    double field(const Vector& p) const {
        double d = limbDistance(limbs[0], p);
        for (size_t i = 1; i < limbs.size(); ++i) {
            // A limb farther than the blend from the surface so far changes nothing.
            const double bound = d + Blend + reach[i];
            const Vector off = p - centres[i];
            if (bound > 0 && host::dot(off, off) > bound * bound) continue;
            d = smoothMin(d, limbDistance(limbs[i], p), Blend);
        }
        return d;
    }
};

std::vector<MannequinJoint> skeleton() {
    std::vector<MannequinJoint> joints;
    std::map<std::string, int> index;
    const auto add = [&](const std::string& name, const char* parent, const Vector& at) {
        index[name] = static_cast<int>(joints.size());
        joints.push_back({name, parent ? index.at(parent) : -1, at});
    };
    for (const auto& j : Body) add(j.name, j.parent, j.position);
    for (const auto& j : LeftSide) add(j.name, j.parent, j.position);
    for (const auto& j : LeftSide) {
        const std::string parent = j.parent;
        const std::string mirroredParent = parent.rfind("Left", 0) == 0 ? rightName(parent) : parent;
        add(rightName(j.name), mirroredParent.c_str(), mirrored(j.position));
    }
    return joints;
}

Parts parts(const std::vector<MannequinJoint>& joints) {
    const auto jointIndex = [&](const std::string& name) {
        for (size_t i = 0; i < joints.size(); ++i)
            if (joints[i].name == name) return static_cast<int>(i);
        return -1;
    };
    Parts p;
    for (const Limb& l : Trunk) p.add(l, jointIndex(l.owner));
    for (const Limb& l : LeftLimbs) p.add(l, jointIndex(l.owner));
    for (const Limb& l : LeftLimbs) p.add({l.owner, mirrored(l.a), mirrored(l.b), l.ra, l.rb}, jointIndex(rightName(l.owner)));
    return p;
}

TriangleMesh surfaceAt(const Parts& parts, double spacing) {
    // A box around every part, with room for the grid to close the surface.
    Vector lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
    for (const Limb& l : parts.limbs)
        for (const Vector& end : {l.a, l.b}) {
            const double r = std::max(l.ra, l.rb) + 2 * spacing + Blend;
            lo = {std::min(lo.x, end.x - r), std::min(lo.y, end.y - r), std::min(lo.z, end.z - r)};
            hi = {std::max(hi.x, end.x + r), std::max(hi.y, end.y + r), std::max(hi.z, end.z + r)};
        }
    TriangleMesh mesh = polygonise([&](const Vector& p) { return parts.field(p); }, lo, hi, spacing);
    keepLargestPiece(mesh);
    return mesh;
}

// Each point leans on the parts whose surfaces are nearest; joints meet in smooth bands.
std::vector<std::pair<int, double>> weightsAt(const Parts& parts, const Vector& p) {
    std::vector<double> d(parts.limbs.size());
    double nearest = 1e300;
    for (size_t i = 0; i < parts.limbs.size(); ++i) nearest = std::min(nearest, d[i] = limbDistance(parts.limbs[i], p));
    std::vector<std::pair<int, double>> byJoint; // few entries: a linear search is fastest
    for (size_t i = 0; i < parts.limbs.size(); ++i) {
        const double x = (d[i] - nearest) / WeightSpread;
        if (x >= 3) continue;
        const auto it = std::find_if(byJoint.begin(), byJoint.end(), [&](const auto& e) { return e.first == parts.owners[i]; });
        if (it == byJoint.end()) byJoint.push_back({parts.owners[i], std::exp(-x * x)});
        else it->second += std::exp(-x * x);
    }
    std::sort(byJoint.begin(), byJoint.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    if (byJoint.size() > 4) byJoint.resize(4);
    double sum = 0;
    for (const auto& e : byJoint) sum += e.second;
    for (auto& e : byJoint) e.second /= sum;
    return byJoint;
}

} // namespace

Mannequin makeMannequin(int64_t triangles) {
    triangles = std::clamp(triangles, MannequinMinTriangles, MannequinMaxTriangles);
    Mannequin m;
    m.joints = skeleton();
    const Parts p = parts(m.joints);
    // The triangle count goes with the inverse square of the grid spacing, roughly: thin parts
    // count less on a coarse grid, so the spacing is corrected until the count is near (or
    // near a count that is quick to make, then scaled once).
    const double wanted = static_cast<double>(triangles);
    const double trial = std::min(wanted, 20000.0);
    double spacing = 4.0;
    for (int round = 0; round < 4; ++round) {
        m.surface = surfaceAt(p, spacing);
        const double made = static_cast<double>(m.surface.triangles.size());
        if (std::abs(made - trial) < 0.03 * trial) break;
        spacing *= std::sqrt(made / trial);
    }
    if (wanted > trial) {
        spacing *= std::sqrt(static_cast<double>(m.surface.triangles.size()) / wanted);
        m.surface = surfaceAt(p, spacing);
    }
    m.weights.reserve(m.surface.points.size());
    for (const Vector& point : m.surface.points) m.weights.push_back(weightsAt(p, point));
    return m;
}

host::Object insertMannequin(scene::Engine& engine, const host::Document& doc, const Mannequin& m) {
    host::Object root(&engine, engine.allocObject(host::type::Null));
    root.setName("Mannequin");
    doc.insertFirst(root);
    std::vector<host::Object> joints;
    for (const MannequinJoint& j : m.joints) {
        host::Object o(&engine, engine.allocObject(host::type::Joint));
        o.setName(j.name);
        doc.insertLast(o, j.parent < 0 ? root : joints[size_t(j.parent)]);
        o.setGlobalMatrix(host::Matrix{j.position, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
        joints.push_back(o);
    }

    const host::PolygonObject body(host::Object(&engine, engine.allocObject(host::type::Polygon)));
    body.setName("Body");
    doc.insertLast(body, root);
    std::vector<host::Polygon> polygons;
    polygons.reserve(m.surface.triangles.size());
    for (const auto& t : m.surface.triangles) polygons.push_back({t[0], t[1], t[2], t[2]});
    if (!body.setMesh(m.surface.points, polygons)) throw CommandError("the mannequin's surface could not be stored");

    const host::WeightTag tag(host::Tag(&engine, engine.allocTag(host::tagtype::Weight)));
    body.insertTag(tag);
    std::vector<std::vector<host::WeightEntry>> perJoint(joints.size());
    for (size_t point = 0; point < m.weights.size(); ++point)
        for (const auto& [joint, w] : m.weights[point]) perJoint[size_t(joint)].push_back({static_cast<int32_t>(point), w});
    for (size_t j = 0; j < joints.size(); ++j) {
        if (perJoint[j].empty()) continue;
        const int32_t index = tag.addJoint(joints[j]);
        if (index < 0 || !tag.setWeights(index, perJoint[j])) throw CommandError("the mannequin's weights could not be stored");
    }
    return root;
}

} // namespace flumpet::app
