// Fitting a box collider's width (local X) and depth (local Z) to the character mesh around it.
#pragma once

#include "host/nodes.h"

#include <optional>
#include <vector>

namespace flumpet {

/// Distances from box centres to the mesh (scene units), gathered by geRaySolver and used up by
/// the collider builder. Module-wide: they persist between calls until emptied.
struct FittingLists {
    std::vector<float> x;
    std::vector<float> z;

    bool filled() const { return !x.empty() && !z.empty(); }
    void clear() {
        x.clear();
        z.clear();
    }
};

/// The module's fitting lists.
FittingLists& fittingLists();

/// Half the width a fitting list asks for: its smallest value, or nothing when no ray hit the
/// mesh and the list holds only the 100 each solver run starts it with. A box fitted to that
/// start value alone would be 200 scene units wide whatever the character's size.
std::optional<float> fittedHalfWidth(const std::vector<float>& list);

/// Casts twenty slightly scattered rays along the box's X axis and twenty along its Z axis (each
/// direction tried both ways) against the mesh as deformed, appending 100 to each list and then
/// the distance of every nearest hit (5 when a hit has no nearest intersection). Answers a copy
/// of the lists.
FittingLists geRaySolver(const host::Object& generator, const host::Object& mesh, const host::Object& box);

/// Lets the box's clamp constraint measure its distance d to the mesh (a scene update with the
/// constraint switched on) and makes the box 3·d wide and deep. Answers d, or 1.0 without a box
/// or constraint. Records undo for the box and the tag, which it changes, not for anything new.
float simpleSolver(const host::Object& box);

} // namespace flumpet
