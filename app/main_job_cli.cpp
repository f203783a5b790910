#include "main_job_cli.h"

#include "mannequin.h"

namespace flumpet::app {

MainJobCommands::MainJobCommands(CLI::App& app) {
    rig_ = app.add_subcommand("rig", "Rig a character in one go: map its bones, build colliders, connectors and body tags");
    rig_->add_option("INPUT", rigOptions_.input, "Model file (FBX, glTF, COLLADA, DirectX .x ...) or scene file (.json)")
        ->required();
    rig_->add_option("--map", rigOptions_.map, "auto (by joint names and the skeleton's shape) or a mapping file (JSON)")
        ->default_val("auto");
    rig_->add_flag("--springs", rigOptions_.springs, "Also build the springs that hold the pose");
    rig_->add_flag("--boxes", rigOptions_.boxes, "Box colliders instead of pieces cut from the character's mesh");
    rig_->add_option("--seed", rigOptions_.seed, "Seed for the module's random numbers (reproducible runs)");
    rig_->add_option("-o,--output", rigOptions_.output, "Scene file to write")->required();
    rig_->add_option("--gltf", rigOptions_.gltf, "Also write the rig as glTF (.gltf, or .glb for binary)");
    rig_->add_flag("--simulate", rigOptions_.simulation.simulate,
                   "Then bake the rig's dynamics (the character falling), print the stability report and write the motion "
                   "into the scene's cache and the glTF's animation; exit status 1 when unstable");
    rig_->add_option("--seconds", rigOptions_.simulation.seconds, "How long --simulate simulates")
        ->default_val(3.0)
        ->check(CLI::Range(0.0, 3600.0));
    rig_->add_flag("!--no-ground", rigOptions_.simulation.ground,
                   "Simulate without the ground plane --simulate puts just under the character's lowest point");
    rig_->add_flag("-q,--quiet", rigOptions_.quiet, "Print nothing but errors");
    rig_->footer("The mapping it chose is printed as a table; a mapping file is one JSON object from slot symbol\n"
                 "to joint name or path, e.g. {\"BODY_BONE_1\": \"Hips\", \"ARM_A_BONE_4\": \"Root/Spine/Hand_L\"};\n"
                 "its entries replace the automatic choice.\n\n"
                 "Examples:\n"
                 "  flumpet rig /usr/share/assimp/models/X/BCN_Epileptic.X --springs -o rig.json --gltf rig.gltf\n"
                 "  flumpet rig character.fbx --map mapping.json --boxes -o rig.json\n"
                 "  flumpet rig character.fbx --simulate --seconds 5 -o rig.json --gltf rig.gltf\n");

    mannequin_ = app.add_subcommand("mannequin", "Write the generated sample character (a skinned humanoid)");
    mannequin_->add_option("--triangles", mannequinOptions_.triangles, "About how many triangles its surface has")
        ->default_val(20000)
        ->check(CLI::Range(MannequinMinTriangles, MannequinMaxTriangles));
    mannequin_->add_option("-o,--output", mannequinOptions_.output, "Scene file to write")->required();
    mannequin_->add_option("--gltf", mannequinOptions_.gltf, "Also write it as glTF (.gltf, or .glb for binary)");
    mannequin_->add_flag("-q,--quiet", mannequinOptions_.quiet, "Print nothing but errors");
    mannequin_->footer("Example:\n  flumpet mannequin --triangles 100000 -o mannequin.json\n");

    demo_ = app.add_subcommand("demo", "Make the mannequin, rig it with springs, let it fall and write the results");
    demo_->add_option("-o,--output", demoOptions_.directory, "Folder to write into (made when missing)")
        ->default_val("flumpet-demo");
    demo_->add_option("--triangles", demoOptions_.triangles, "About how many triangles the mannequin has")
        ->default_val(20000)
        ->check(CLI::Range(MannequinMinTriangles, MannequinMaxTriangles));
    demo_->add_option("--seed", demoOptions_.seed, "Seed for the module's random numbers")->default_val(1);
    demo_->add_flag("-q,--quiet", demoOptions_.quiet, "Print nothing but errors");
    demo_->footer("Writes mannequin.json (the character), rig.json (the rigged scene, its dynamics baked: the\n"
                  "mannequin falling onto a ground plane for 3 s) and rig.gltf (the fall as an animation, for any\n"
                  "glTF viewer) into the folder.\n\n"
                  "Example:\n  flumpet demo -o demo\n");
}

bool MainJobCommands::parsed() const { return rig_->parsed() || mannequin_->parsed() || demo_->parsed(); }

int MainJobCommands::run() const {
    if (rig_->parsed()) return rigCommand(rigOptions_);
    if (mannequin_->parsed()) return mannequinCommand(mannequinOptions_);
    return demoCommand(demoOptions_);
}

} // namespace flumpet::app
