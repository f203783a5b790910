#include "colliders/cube_collider.h"

#include "colliders/aim_matrix.h"
#include "colliders/bone_ends.h"
#include "colliders/collider_lists.h"
#include "colliders/mesh_distance.h"
#include "command_context.h"
#include "host/geometry_handles.h"
#include "parameters.h"
#include "random.h"

#include <limits>
#include <string>

namespace flumpet {

using host::DescID;
using host::Vector;

namespace {

constexpr const char* ClampName = "Clamp-Const for Cube Sizes";

/// The sub-d's display colour: a random hue between 0.1 and 0.9.
Vector randomColour() {
    const float hue = static_cast<float>(nextRandom()) / 40958.754F + 0.1F;
    return host::hsvToRgb({hue, 0.81, 0.86});
}

/// The centre of an object's bounding box in its own coordinates (the origin for an object
/// without points, such as a joint).
Vector boundingBoxCentre(const host::Object& object) {
    const auto points = host::PolygonObject(object).points();
    if (points.empty()) return {};
    Vector lo = points[0], hi = points[0];
    for (const Vector& p : points) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    return (lo + hi) * 0.5;
}

void setSize(const host::Object& cube, float x, float y, float z) {
    cube.setParameter(DescID(host::primitive::CubeSize),
                      Vector{static_cast<double>(x), static_cast<double>(y), static_cast<double>(z)});
}

/// Of the meshes whose weight tags name the bone, the one nearest the cube (the first of equals).
host::Object nearestWeightedMesh(const host::Object& cube, const host::Object& bone) {
    const host::Document doc = bone.document();
    host::Object nearest;
    float best = std::numeric_limits<float>::infinity();
    for (const host::NodeId id : commandContext().weightTags) {
        const host::WeightTag tag(doc.resolveTag(id));
        if (!tag.alive() || tag.jointIndex(bone) == -1) continue;
        const host::Object mesh = tag.object();
        if (!mesh.alive()) continue;
        const float d = meshDistance(cube, mesh).distance;
        if (!nearest.alive() || d < best) {
            nearest = mesh;
            best = d;
        }
    }
    return nearest;
}

void addClampConstraint(const host::Object& cube, const host::Object& target) {
    host::Host& host = *cube.host();
    const host::Tag tag(&host, host.allocTag(host::tagtype::Constraint));
    if (!tag.alive()) return;
    namespace c = host::constraint;
    tag.setParameter(DescID(host::param::Name), std::string(ClampName));
    tag.setParameter(DescID(c::ClampEnabled), int32_t{1});
    tag.setParameter(DescID(c::ClampTolerance), 0.00001);
    tag.setParameter(DescID(c::ClampTo), int32_t{5});
    tag.setParameter(DescID(c::ClampAxis), int32_t{0});
    tag.setParameter(DescID(c::Target), host::Link{target.id()});
    tag.setParameter(DescID({c::ClampSettings}, {c::ClampMode}), int32_t{4});
    if (!cube.insertTag(tag)) tag.free();
}

} // namespace

Vector boneEndPoint(const host::Object& generator, const host::Object& bone) {
    Vector end = boneEndObject(generator, bone).globalPosition();
    host::Bone own;
    if (host::boneOf(bone, own) && own.length > 0.0) end = own.frame.off + own.frame.v3 * own.length;
    return end;
}

host::Object createCubeCollider(const host::Object& generator, const host::Object& bone, int32_t mode) {
    if (!bone.alive() || !bone.host()) return {};
    host::Host& host = *bone.host();
    const Vector e = boneEndPoint(generator, bone);
    const Vector p = bone.globalPosition();
    const auto length = static_cast<float>(host::distanceSingle(p, e));

    const host::Object cube(&host, host.allocObject(host::type::Cube));
    cube.setName(bone.name() + "_Cube");
    cube.setParameter(DescID(host::param::RenderVisibility), int32_t{1});
    setSize(cube, length / 5, length, length / 5);
    cube.setLocalPosition({0, static_cast<double>(length / 2), 0});
    const host::Tag phong(&host, host.allocTag(host::tagtype::Phong));
    if (!cube.insertTag(phong)) phong.free();

    const host::Object subd(&host, host.allocObject(host::type::SubdivisionSurface));
    subd.setParameter(DescID(host::param::Name), bone.name() + "_SubD");
    subd.setParameter(DescID(host::param::RenderVisibility), int32_t{1});
    subd.setParameter(DescID(host::param::UseDisplayColour), int32_t{2});
    subd.setParameter(DescID(host::param::DisplayColour), randomColour());
    subd.setParameter(DescID(host::subdivision::EditorLevel), int32_t{2});
    subd.setParameter(DescID(host::subdivision::RenderLevel), int32_t{2});

    if (!subd.insertUnderLast(bone)) {
        subd.free();
        cube.free();
        return {};
    }
    cube.insertUnderLast(subd);
    listCollider(subd, mode);
    listCollider(cube, mode);
    subd.setGlobalMatrix(aimMatrix(p, e, subd.globalMatrix().v3));

    const SlotBones slots(generator);
    if (slots.is(BODY_BONE_1, bone)) {
        // Centred on the root bone, reaching to its end on either side.
        cube.setLocalPosition(boundingBoxCentre(bone));
        setSize(cube, length / 5, 2 * static_cast<float>(host::distanceSingle(cube.globalPosition(), e)), length / 5);
    }
    const bool hasOtherChild = bone.firstChild() != subd || subd.next().alive();
    if ((slots.is(ARM_A_BONE_4, bone) || slots.is(ARM_B_BONE_4, bone)) && hasOtherChild) {
        // From the bone to the middle of its children (the hand's fingers).
        Vector sum;
        int count = 0;
        for (host::Object c = bone.firstChild(); c.alive(); c = c.next()) {
            // The box's own sub-d stands at the bone; it is no child the box should reach for.
            if (c == subd) continue;
            sum += c.globalPosition();
            ++count;
        }
        const Vector a = sum / count;
        subd.setGlobalMatrix(aimMatrix(p, a, subd.globalMatrix().v3));
        host::Matrix m = cube.globalMatrix();
        m.off = (p + a) * 0.5;
        cube.setGlobalMatrix(m);
        cube.setParameter(DescID({host::primitive::CubeSize}, {host::param::VectorY}), host::distanceSingle(p, a));
    }

    if (const host::Object mesh = nearestWeightedMesh(cube, bone); mesh.alive()) addClampConstraint(cube, mesh);

    // The sub-d first: undo, which runs backwards, then takes the cube out of it before it
    // takes the sub-d out of the bone, and redo puts them back in that order.
    const host::Document doc = bone.document();
    doc.addUndo(host::undo::NewObject, subd);
    doc.addUndo(host::undo::NewObject, cube);
    return cube;
}

} // namespace flumpet
