// A small skinned character in one line: a 22-joint humanoid skeleton (arms out to the sides,
// legs down, two fingers on each hand) filling every bone slot, and one polygon object "Body"
// made of open tubes (torso, arms, legs) whose points are weighted fully to the joint of the
// bone they lie along. The generator's lists and slots are loaded into the command context and
// the weight tag collected, as a command leaves them before the collider builders run.
#pragma once

#include "bone_slots.h"
#include "command_context.h"
#include "module/colliders/collider_meshes.h"
#include "module/rig_fixture.h"
#include "random.h"

#include <functional>

namespace flumpet::test {

struct CharacterFixture : RigFixture {
    host::PolygonObject body;
    host::WeightTag weights;

    /// Scene units: the pelvis stands 100 above the ground, arms reach to x = ±68.
    CharacterFixture() : RigFixture(false) {
        seedRandom(5);
        place();
        linkSlots();
        makeBody();
        loadContext();
    }

    void loadContext() {
        CommandContext& ctx = commandContext();
        ctx.slots = loadBoneSlots(generator);
        ctx.refreshLists(generator);
        collectWeightTags(doc.firstObject());
    }

    host::Vector pos(const std::string& name) const { return joint(name).globalPosition(); }

    /// Runs fn inside one undo group of the document.
    template <class Fn> void inUndoGroup(Fn&& fn) {
        doc.startUndo();
        fn();
        doc.endUndo();
    }

  private:
    void at(const std::string& name, const host::Vector& world) { joint(name).setGlobalMatrix({world, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}); }

    void place() {
        // Fingers hang below the hands; they are not slot bones.
        for (const char* side : {"_L", "_R"})
            for (const char* finger : {"Finger1", "Finger2"}) {
                const auto chain = addJointChain({std::string(finger) + side, std::string(finger) + "Tip" + side},
                                                 joint(std::string("Hand") + side));
                for (const host::Object& j : chain) joints[j.name()] = j;
            }
        // Parents before children: setting a parent's matrix moves its children.
        const std::pair<const char*, host::Vector> spots[] = {
            {"Pelvis", {0, 100, 0}},      {"Spine1", {0, 110, 0}},       {"Spine2", {0, 120, 0}},
            {"Chest", {0, 130, 0}},       {"Neck", {0, 145, 0}},         {"Head", {0, 155, 0}},
            {"Shoulder_L", {5, 140, 0}},  {"UpperArm_L", {15, 140, 0}},  {"Forearm_L", {35, 140, 0}},
            {"Hand_L", {55, 140, 0}},     {"Finger1_L", {62, 140, 2}},   {"Finger1Tip_L", {66, 140, 2}},
            {"Finger2_L", {62, 140, -2}}, {"Finger2Tip_L", {66, 140, -2}}, {"Shoulder_R", {-5, 140, 0}},
            {"UpperArm_R", {-15, 140, 0}}, {"Forearm_R", {-35, 140, 0}}, {"Hand_R", {-55, 140, 0}},
            {"Finger1_R", {-62, 140, 2}}, {"Finger1Tip_R", {-66, 140, 2}}, {"Finger2_R", {-62, 140, -2}},
            {"Finger2Tip_R", {-66, 140, -2}}, {"Hip_L", {10, 95, 0}},     {"Knee_L", {10, 55, 0}},
            {"Ankle_L", {10, 15, 0}},     {"Toe_L", {10, 5, 0}},         {"Hip_R", {-10, 95, 0}},
            {"Knee_R", {-10, 55, 0}},     {"Ankle_R", {-10, 15, 0}},     {"Toe_R", {-10, 5, 0}}};
        for (const auto& [name, world] : spots) at(name, world);
    }

    void linkSlots() {
        const int32_t params[] = {BODY_BONE_1,  BODY_BONE_2,  BODY_BONE_3,  BODY_BONE_4,  BODY_BONE_5,  BODY_BONE_6,
                                  ARM_A_BONE_1, ARM_A_BONE_2, ARM_A_BONE_3, ARM_A_BONE_4, ARM_B_BONE_1, ARM_B_BONE_2,
                                  ARM_B_BONE_3, ARM_B_BONE_4, LEG_A_BONE_1, LEG_A_BONE_2, LEG_A_BONE_3, LEG_A_BONE_4,
                                  LEG_B_BONE_1, LEG_B_BONE_2, LEG_B_BONE_3, LEG_B_BONE_4};
        for (size_t i = 0; i < 22; ++i) link(params[i], joint(slotNames()[i]));
    }

  public:
    static const std::array<const char*, 22>& slotNames() {
        static const std::array<const char*, 22> names{
            "Pelvis",     "Spine1",     "Spine2",    "Chest",  "Neck",       "Head",       "Shoulder_L", "UpperArm_L",
            "Forearm_L",  "Hand_L",     "Shoulder_R", "UpperArm_R", "Forearm_R", "Hand_R", "Hip_L",      "Knee_L",
            "Ankle_L",    "Toe_L",      "Hip_R",     "Knee_R", "Ankle_R",    "Toe_R"};
        return names;
    }

  private:
    /// A tube's points go to the joint whose stretch along the tube holds them.
    struct Stretch {
        double from; // where the joint's part of the tube starts, along the tube's axis
        std::string joint;
    };

    void makeBody() {
        MeshArrays mesh;
        std::vector<std::string> owner; // joint name per point
        const auto addTube = [&](const MeshArrays& t, const std::function<std::string(const host::Vector&)>& jointAt,
                                 const std::function<host::Vector(const host::Vector&)>& place) {
            const auto base = static_cast<int32_t>(mesh.points.size());
            for (const host::Vector& p : t.points) {
                mesh.points.push_back(place(p));
                owner.push_back(jointAt(mesh.points.back()));
            }
            for (const host::Polygon& p : t.polygons) mesh.polygons.push_back({p.a + base, p.b + base, p.c + base, p.d + base});
        };
        const auto byStretch = [](std::vector<Stretch> stretches, auto key) {
            return [stretches, key](const host::Vector& p) {
                std::string name = stretches.front().joint;
                for (const Stretch& s : stretches)
                    if (key(p) >= s.from) name = s.joint;
                return name;
            };
        };
        const auto same = [](const host::Vector& p) { return p; };
        // Torso: y from 92 to 160, radius 12.
        addTube(tube(12, 92, 160, 16, 27),
                byStretch({{0, "Pelvis"}, {110, "Spine1"}, {120, "Spine2"}, {130, "Chest"}, {145, "Neck"}, {155, "Head"}},
                          [](const host::Vector& p) { return p.y; }),
                same);
        for (const double side : {1.0, -1.0}) {
            const std::string s = side > 0 ? "_L" : "_R";
            // Arm: along x from 5 to 68 at height 140, radius 4.
            addTube(tube(4, 5, 68, 12, 42),
                    [=](const host::Vector& p) {
                        const double x = p.x * side;
                        if (x >= 66) return std::string(p.z >= 0 ? "Finger1Tip" : "Finger2Tip") + s;
                        if (x >= 62) return std::string(p.z >= 0 ? "Finger1" : "Finger2") + s;
                        if (x >= 55) return "Hand" + s;
                        if (x >= 35) return "Forearm" + s;
                        if (x >= 15) return "UpperArm" + s;
                        return "Shoulder" + s;
                    },
                    [=](const host::Vector& p) { return host::Vector{p.y * side, 140 + p.x, p.z}; });
            // Leg: along y from 97 down to 0 at x = ±10, radius 5.
            addTube(tube(5, 0, 97, 12, 39),
                    byStretch({{-1, "Toe" + s}, {5, "Ankle" + s}, {15, "Knee" + s}, {55, "Hip" + s}},
                              [](const host::Vector& p) { return p.y; }),
                    [=](const host::Vector& p) { return host::Vector{p.x + 10 * side, p.y, p.z}; });
        }
        body = addMesh("Body", mesh.points, mesh.polygons);
        weights = host::WeightTag(addTag(body, host::tagtype::Weight));
        for (int32_t i = 0; i < static_cast<int32_t>(owner.size()); ++i) {
            const int32_t index = weights.addJoint(joint(owner[static_cast<size_t>(i)]));
            weights.setWeight(index, i, 1.0);
        }
    }
};

} // namespace flumpet::test
