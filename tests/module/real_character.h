// The real character (BCN_Epileptic.X through the importer) with a generator whose 22 bone
// slots are filled by the assignment buttons, as an artist does it.
#pragma once

#include "host/messages.h"
#include "model_import.h"
#include "module/joints/rig_census.h"
#include "module/module_fixture.h"
#include "parameters.h"
#include "random.h"

#include <string>

namespace flumpet::test {

struct RealCharacter : ModuleFixture {
    host::Object generator;

    RealCharacter() {
        // Box fitting scatters its rays at random: a fixed seed gives every run the same rig.
        seedRandom(1);
        app::importModel(engine, doc, std::string(FLUMPET_TEST_MODELS) + "/X/BCN_Epileptic.X",
                         [](const std::string&) {});
        generator = addGenerator();
        generator.setName("Flumpet");
        assign("B_Spine1", "B_Root_Neck_H", BODY_ASSIGN_SELECTED);
        assign("B_Clavicle_Left", "B_Hand_Left", ARM_A_ASSIGN_SELECTED);
        assign("B_Clavicle_Right", "B_Hand_Right", ARM_B_ASSIGN_SELECTED);
        assign("B_Hip_Left", "B_Toe_Left", LEG_A_ASSIGN_SELECTED);
        assign("B_Hip_Right", "B_Toe_Right", LEG_B_ASSIGN_SELECTED);
        select({});
    }
    host::Object find(const std::string& name) const {
        for (const host::Object& o : allObjects(doc))
            if (o.name() == name) return o;
        ADD_FAILURE() << "no object " << name;
        return {};
    }
    void select(std::initializer_list<host::Object> objects) {
        for (const auto& id : engine.activeObjects(doc.id(), host::selection::Children))
            engine.setSelected(id, false);
        for (const host::Object& o : objects)
            engine.setSelected(o.id(), true);
    }
    bool press(int32_t button) {
        host::DescriptionCommand command{host::DescID(button)};
        return generator.message(host::msg::DescriptionCommand, &command);
    }

  private:
    void assign(const std::string& top, const std::string& bottom, int32_t button) {
        select({find(top), find(bottom)});
        press(button);
    }
};

} // namespace flumpet::test
