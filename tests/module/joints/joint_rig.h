// The 22-joint rig ready for the joint builders: the bone-slot table and the generator's lists
// loaded into the command context, as the dispatcher leaves them before a builder runs.
#pragma once

#include "bone_slots.h"
#include "command_context.h"
#include "module/rig_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace flumpet::test {

struct JointRig : RigFixture {
    explicit JointRig(bool linkSlots = true, bool bodies = true) : RigFixture(linkSlots, bodies) { loadContext(); }

    /// Re-reads the slots and the lists, creating the two builder lists where missing.
    void loadContext() {
        ListRef::ensure(generator, SETTINGS_CREATED_OBJECTS);
        ListRef::ensure(generator, ADDITIONAL_InEx_CREATED_OBJECTS);
        CommandContext& ctx = commandContext();
        ctx.slots = loadBoneSlots(generator);
        ctx.refreshLists(generator);
    }
    /// The builders' group: a null at the generator's origin.
    host::Object addGroup(const std::string& name = "Flumpet_Connectors") { return addNull(name, generator); }
    host::Vector pos(const std::string& name) const { return joint(name).globalPosition(); }
    /// Undoing the last group gives the document saved as `before` back; redo the one now.
    void expectUndoAndRedo(const std::string& before) {
        const std::string after = save();
        ASSERT_TRUE(engine.undo(doc.id())) << engine.lastError();
        EXPECT_EQ(save(), before);
        ASSERT_TRUE(engine.redo(doc.id())) << engine.lastError();
        EXPECT_EQ(save(), after);
    }
    /// Runs a builder inside one undo group.
    template <class Build> auto inUndoGroup(Build&& build) {
        doc.startUndo();
        auto result = build();
        doc.endUndo();
        return result;
    }
};

inline constexpr float degrees(float d) {
    return d * 3.14159265358979F / 180.0F;
}

/// Whether two vectors agree within a tolerance per component.
inline testing::AssertionResult near(const host::Vector& actual, const host::Vector& expected,
                                     double tolerance) {
    const host::Vector d = actual - expected;
    if (std::abs(d.x) <= tolerance && std::abs(d.y) <= tolerance && std::abs(d.z) <= tolerance)
        return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << "(" << actual.x << ", " << actual.y << ", " << actual.z << ") is not within " << tolerance
           << " of (" << expected.x << ", " << expected.y << ", " << expected.z << ")";
}

} // namespace flumpet::test
