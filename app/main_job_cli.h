// The command line of the main job: `rig`, `mannequin` and `demo`, added to the tool's parser.
#pragma once

#include "rig.h"

#include <CLI/CLI.hpp>

namespace flumpet::app {

class MainJobCommands {
  public:
    /// Adds the subcommands to the tool's parser.
    explicit MainJobCommands(CLI::App& app);

    /// True when one of them was given.
    bool parsed() const;
    /// Runs the one given; throws CommandError on failure.
    int run() const;

  private:
    CLI::App* rig_;
    CLI::App* mannequin_;
    CLI::App* demo_;
    RigOptions rigOptions_;
    MannequinOptions mannequinOptions_;
    DemoOptions demoOptions_;
};

} // namespace flumpet::app
