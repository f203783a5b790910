#include "joints/rig_bodies.h"

#include "colliders/body_setup.h"
#include "colliders/create_collider.h"
#include "command_context.h"
#include "host/ids.h"

namespace flumpet {

void addProtectionTag(const host::Object& object, int32_t lockMode, bool alsoExtra) {
    if (!object.alive()) return;
    const host::Tag tag(object.host(), object.host()->allocTag(host::tagtype::Protection));
    if (!tag.alive()) return;
    tag.setParameter(host::DescID(protectionparam::LockMode), lockMode);
    tag.setParameter(host::DescID(protectionparam::LockChildren), int32_t{0});
    if (!object.insertTag(tag)) {
        tag.free();
        return;
    }
    CommandContext& ctx = commandContext();
    ctx.created.insert(tag);
    if (alsoExtra) ctx.extra.insert(tag);
    host::activeDocument(*object.host()).addUndo(host::undo::NewObject, tag);
}

void giveChainBody(const host::Object& generator, const host::Object& object, int32_t commandId,
                   bool collider) {
    if (!object.alive()) return;
    if (collider) {
        createCollider(generator, {}, object, commandId);
        addProtectionTag(object, 0, true);
    }
    addChainBody(generator, object);
}

host::Tag addChainBody(const host::Object& generator, const host::Object& object) {
    const host::Tag body(object.host(), object.host()->allocTag(host::tagtype::DynamicsBody));
    if (!body.alive()) return {};
    setupChainBody(generator, body, 300.0F, 30.0F, 0.7F, 0.7F, object);
    if (!body.object().alive()) return {}; // not inserted: setupChainBody has freed it
    generator.document().addUndo(host::undo::NewObject, body);
    return body;
}

} // namespace flumpet
