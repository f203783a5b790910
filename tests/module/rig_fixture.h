// A rigged scene in one line: a generator and a 22-joint humanoid skeleton whose joints fill
// every bone slot, each joint with a dynamics body tag (unless asked for bare joints).
#pragma once

#include "host/messages.h"
#include "module_fixture.h"
#include "parameters.h"

#include <map>
#include <string>

namespace flumpet::test {

/// A generator named "Flumpet" at the top level, with the messages the host sends it.
struct GeneratorFixture : ModuleFixture {
    host::Object generator;

    GeneratorFixture() { generator = makeGenerator(); }

    host::Object makeGenerator() {
        host::Object g = addGenerator();
        g.setName("Flumpet");
        return g;
    }

    void link(int32_t param, const host::Node& node) { generator.setParameter(host::DescID(param), host::Link{node.id()}); }
    host::NodeId linked(int32_t param) const { return generator.data().getLinkId(param); }
    host::InExcludeList list(int32_t param) const {
        const host::Container data = generator.data();
        const auto* l = data.getInExclude(param);
        return l ? *l : host::InExcludeList{};
    }
    void addToList(int32_t param, const host::Node& node) {
        host::InExcludeList l = list(param);
        l.insert(node.id());
        generator.setParameter(host::DescID(param), l);
    }
    void select(std::initializer_list<host::Object> objects) {
        for (const auto& id : engine.activeObjects(doc.id(), host::selection::Children)) engine.setSelected(id, false);
        for (const host::Object& o : objects) engine.setSelected(o.id(), true);
    }

    // Messages, as the host sends them.
    bool send(int32_t type, void* data = nullptr) { return generator.message(type, data); }
    bool press(int32_t button) {
        host::DescriptionCommand command{host::DescID(button)};
        return send(host::msg::DescriptionCommand, &command);
    }
    /// Sets a parameter and sends the parameter-set message, as the attribute editor does.
    bool set(int32_t param, const host::Value& value) {
        generator.setParameter(host::DescID(param), value);
        const host::DescID id(param);
        host::DescriptionPostSetValue record{&id};
        return send(host::msg::DescriptionPostSetParameter, &record);
    }
};

struct RigFixture : GeneratorFixture {
    host::Object skeleton; ///< the root joint ("Pelvis")
    std::map<std::string, host::Object> joints;

    explicit RigFixture(bool linkSlots = true, bool bodies = true) {
        const auto spine = addJointChain({"Pelvis", "Spine1", "Spine2", "Chest", "Neck", "Head"});
        skeleton = spine[0];
        const auto armL = addJointChain({"Shoulder_L", "UpperArm_L", "Forearm_L", "Hand_L"}, spine[3]);
        const auto armR = addJointChain({"Shoulder_R", "UpperArm_R", "Forearm_R", "Hand_R"}, spine[3]);
        const auto legL = addJointChain({"Hip_L", "Knee_L", "Ankle_L", "Toe_L"}, spine[0]);
        const auto legR = addJointChain({"Hip_R", "Knee_R", "Ankle_R", "Toe_R"}, spine[0]);
        for (const auto* chain : {&spine, &armL, &armR, &legL, &legR})
            for (const host::Object& j : *chain) {
                joints[j.name()] = j;
                if (bodies) addTag(j, host::tagtype::DynamicsBody);
            }
        if (linkSlots) {
            const int32_t params[] = {BODY_BONE_1,  BODY_BONE_2,  BODY_BONE_3,  BODY_BONE_4,  BODY_BONE_5,  BODY_BONE_6,
                                      ARM_A_BONE_1, ARM_A_BONE_2, ARM_A_BONE_3, ARM_A_BONE_4, ARM_B_BONE_1, ARM_B_BONE_2,
                                      ARM_B_BONE_3, ARM_B_BONE_4, LEG_A_BONE_1, LEG_A_BONE_2, LEG_A_BONE_3, LEG_A_BONE_4,
                                      LEG_B_BONE_1, LEG_B_BONE_2, LEG_B_BONE_3, LEG_B_BONE_4};
            const char* names[] = {"Pelvis",     "Spine1",    "Spine2", "Chest",      "Neck",       "Head",
                                   "Shoulder_L", "UpperArm_L", "Forearm_L", "Hand_L",  "Shoulder_R", "UpperArm_R",
                                   "Forearm_R",  "Hand_R",    "Hip_L",  "Knee_L",     "Ankle_L",    "Toe_L",
                                   "Hip_R",      "Knee_R",    "Ankle_R", "Toe_R"};
            for (size_t i = 0; i < 22; ++i) link(params[i], joints.at(names[i]));
        }
    }

    host::Object joint(const std::string& name) const { return joints.at(name); }
    host::Tag body(const std::string& name) const { return joint(name).tag(host::tagtype::DynamicsBody); }
    double followPosition(const std::string& name) const { return tagFloat(body(name), host::bodytag::FollowPosition); }
    double followRotation(const std::string& name) const { return tagFloat(body(name), host::bodytag::FollowRotation); }
    static double tagFloat(const host::Tag& tag, int32_t id) { return tag.data().getFloat(id, -1.0); }

};

} // namespace flumpet::test
