#include "colliders/create_collider.h"

#include "colliders/box_fitting.h"
#include "colliders/collider_lists.h"
#include "colliders/cube_collider.h"
#include "colliders/slice_mesh.h"
#include "command_context.h"
#include "host/geometry_handles.h"
#include "parameters.h"

#include <algorithm>
#include <vector>

namespace flumpet {

namespace {

bool slicingEnabled(const host::Object& generator, int32_t mode) {
    const host::Container data = generator.data();
    if (mode == CMD_CREATE || mode == CMD_GENERATE_COLLIDERS) return data.getInt(CUBES_COLLIDERS) == 0;
    if (mode == CMD_GENERATE_SELECTED || mode == CMD_CONNECT_SELECTED) return data.getInt(CUBES_COLLIDERS2) == 0;
    return false;
}

/// What the walk over the meshes found: whether a piece was cut, and the meshes to fit to.
struct MeshWalk {
    bool sliced = false;
    std::vector<host::Object> meshes;
};

/// The polygon objects of the character meshes list, slicing each that carries a weight tag.
MeshWalk walkListedMeshes(const host::Object& generator, const ListRef& list, const host::Object& bone,
                          int32_t mode, bool slicing) {
    MeshWalk walk;
    const host::Document doc = generator.document();
    for (int32_t i = 0; i < list.count(); ++i) {
        const host::Object mesh(doc.host(), list.at(i, doc).id());
        if (!mesh.alive() || mesh.type() != host::type::Polygon) continue;
        walk.meshes.push_back(mesh);
        const host::WeightTag weights(mesh.tag(host::tagtype::Weight));
        if (weights.alive() && slicing && sliceMesh(generator, mesh, bone, weights, mode)) walk.sliced = true;
    }
    return walk;
}

/// The meshes whose collected weight tags weight the bone, slicing each.
MeshWalk walkWeightedMeshes(const host::Object& generator, const host::Object& bone, int32_t mode, bool slicing) {
    MeshWalk walk;
    const host::Document doc = bone.document();
    // A copy: slicing must not be disturbed by anything that touches the context's list.
    const std::vector<host::NodeId> tags = commandContext().weightTags;
    for (const host::NodeId id : tags) {
        const host::WeightTag weights(doc.resolveTag(id));
        if (!weights.alive()) continue;
        const int32_t index = weights.jointIndex(bone);
        const host::Object mesh = weights.object();
        if (index == -1 || weights.weightCount(index) <= 0 || mesh.type() != host::type::Polygon) continue;
        if (slicing && sliceMesh(generator, mesh, bone, weights, mode)) walk.sliced = true;
        walk.meshes.push_back(mesh);
    }
    return walk;
}

/// The box the caller gave, or a new box collider for the bone.
host::Object boxFor(const host::Object& generator, const host::Object& box, const host::Object& bone, int32_t mode) {
    return box.alive() ? box : createCubeCollider(generator, bone, mode);
}

void fitTo(const host::Object& generator, const std::vector<host::Object>& meshes, const host::Object& box) {
    for (const host::Object& mesh : meshes) geRaySolver(generator, mesh, box);
}

} // namespace

void createCollider(const host::Object& generator, const host::Object& box, const host::Object& bone, int32_t mode) {
    if (!generator.alive() || (!box.alive() && !bone.alive())) return;
    const bool slicing = slicingEnabled(generator, mode);
    const ListRef characterMeshes = ensureList(generator, SETTINGS_RETARGET_CHARACTER_MESH);
    fittingLists().clear();

    host::Object fitted;
    MeshWalk walk;
    if (!characterMeshes.empty()) walk = walkListedMeshes(generator, characterMeshes, bone, mode, slicing);
    if (walk.sliced) return;
    if (!walk.meshes.empty()) {
        fitted = boxFor(generator, box, bone, mode);
        fitTo(generator, walk.meshes, fitted);
    } else if (bone.alive()) {
        walk = walkWeightedMeshes(generator, bone, mode, slicing);
        if (walk.sliced) return;
        fitted = boxFor(generator, box, bone, mode);
        fitTo(generator, walk.meshes, fitted);
        if (walk.meshes.empty()) simpleSolver(fitted);
    } else {
        // Re-fitting a selected box: to the polygon object selected last.
        const host::Document doc = generator.document();
        host::Object target;
        for (const host::Object& o : doc.activeObjects(host::selection::Children | host::selection::SelectionOrder))
            if (o.type() == host::type::Polygon) target = o;
        if (!target.alive()) {
            simpleSolver(box);
            return;
        }
        fitted = box;
        geRaySolver(generator, target, box);
    }

    FittingLists& lists = fittingLists();
    if (lists.filled() && fitted.alive()) {
        // A box the caller gave changes size; one made here is new, its record covers it.
        if (fitted == box) fitted.document().addUndo(host::undo::ChangeSmall, fitted);
        // An axis along which no ray met the mesh keeps the size the box has.
        if (const auto x = fittedHalfWidth(lists.x))
            fitted.setParameter(host::DescID({host::primitive::CubeSize}, {host::param::VectorX}), static_cast<double>(2 * *x));
        if (const auto z = fittedHalfWidth(lists.z))
            fitted.setParameter(host::DescID({host::primitive::CubeSize}, {host::param::VectorZ}), static_cast<double>(2 * *z));
        lists.clear();
    } else {
        lists.clear();
        simpleSolver(box);
    }
}

} // namespace flumpet
