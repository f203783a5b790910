#include "scene/expressions.h"

#include "host/ids.h"
#include "scene/engine.h"

namespace flumpet::scene {

namespace {

/// The distance from a world point to a mesh's nearest point; false when there is none.
bool distanceToMesh(Engine& engine, NodeId mesh, const Vector& point, double& distance) {
    if (!engine.isInstanceOf(mesh, host::type::Polygon)) return false;
    const NodeId cache = engine.deformCache(mesh);
    auto query = engine.geometry().newDistanceQuery();
    if (!query->init(cache != host::NoNode ? cache : mesh)) return false;
    host::MeshPrimitiveInfo info;
    info.type = host::meshprimitive::Polygon;
    return query->closestMeshPrimitive(point, info, distance);
}

void measureClamp(Engine& engine, Node& tag, NodeId doc) {
    if (tag.data.getInt(host::constraint::Measure) == 0 || !tag.owner) return;
    const NodeId target = tag.data.getLinkId(host::constraint::Target);
    const Node* targetNode = engine.find(target);
    if (!targetNode || !targetNode->document || targetNode->document->id != doc) return;
    double distance = 0.0;
    if (!distanceToMesh(engine, target, engine.globalMatrix(tag.owner->id).off, distance)) return;
    Container clamp = tag.data.getContainer(host::constraint::ClampSettings);
    clamp.setFloat(host::constraint::MeasuredDistance, distance);
    tag.data.setContainer(host::constraint::ClampSettings, std::move(clamp));
    engine.markDirty(&tag, host::dirty::Data);
}

} // namespace

void evaluateExpressions(Engine& engine, NodeId doc) {
    Node* d = engine.find(doc);
    if (!d || d->kind != NodeKind::Document) return;
    std::vector<Node*> constraints;
    auto walk = [&](auto& self, Node* first) -> void {
        for (Node* n = first; n; n = n->next) {
            for (Node* t : n->tags)
                if (t->type == host::tagtype::Constraint) constraints.push_back(t);
            self(self, n->firstChild);
        }
    };
    walk(walk, d->firstChild);
    for (Node* tag : constraints) measureClamp(engine, *tag, doc);
}

} // namespace flumpet::scene
