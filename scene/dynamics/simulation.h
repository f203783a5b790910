// The embedded host's rigid-body dynamics: the bodies, connectors and follow strengths of a
// document simulated with Bullet, frame by frame, into a cache of world matrices.
#pragma once

#include "host/math.h"
#include "host/values.h"

#include <cstdint>
#include <string>
#include <vector>

namespace flumpet::scene {

class Engine;

/// Entries of the dynamics settings hook that only the embedded host reads when it bakes (the
/// module writes none of them); each has a default when absent. Besides them a bake reads the
/// hook's gravity, substeps and iterations (host::dynamicsparam), which the rig builders set.
namespace bakeparam {
/// Seconds to simulate (3).
inline constexpr int32_t Seconds = 10991;
/// A static ground plane (off) and its height along Y (0).
inline constexpr int32_t Ground = 10992;
inline constexpr int32_t GroundHeight = 10993;
} // namespace bakeparam

struct BakeSettings {
    double seconds = 3.0;
    double framesPerSecond = 30.0;
    /// Simulation steps per frame and solver iterations per step.
    int32_t substeps = 8;
    int32_t iterations = 10;
    bool ground = false;
    double groundHeight = 0.0;
    /// Downward, in scene units per second squared (the rig builders' 1000 suits centimetres).
    double gravity = 1000.0;
};

/// What a bake produced: the world matrix of every body at every frame (frame 0 is the start).
struct BakedMotion {
    std::vector<host::NodeId> bodies;
    std::vector<std::vector<host::Matrix>> frames; ///< frames[f][b]
    int32_t connectors = 0;                        ///< connectors that joined two bodies
    int32_t springs = 0;                           ///< springs between two bodies
    bool operator==(const BakedMotion&) const = default;
};

/// How a bake went: what anyone watching the motion would want to know before trusting it.
struct StabilityReport {
    /// Frames simulated after the start, and the frames the bake was asked for.
    int64_t frames = 0;
    int64_t framesAsked = 0;
    /// The largest speeds any body reached: scene units per second, radians per second.
    double largestLinearSpeed = 0.0;
    double largestAngularSpeed = 0.0;
    /// The fastest any point of a body's surface moved from its turning alone (its turn times its
    /// size): a small body may turn fast, a large one may not.
    double largestSpinSpeed = 0.0;
    /// The speed above which a body, or a point of its surface, is taken to have blown up.
    double speedLimit = 0.0;
    /// A body at a frame.
    struct Escape {
        std::string body;
        int64_t frame = 0;
        bool operator==(const Escape&) const = default;
    };
    /// The body whose surface turned fastest, and when.
    Escape fastestSpin;
    /// Bodies that left the region the rig may move in (by name, first frame they were out).
    std::vector<Escape> bodiesOutside;
    /// Connectors whose bodies went beyond the connector's limits by more than the tolerance:
    /// the largest excess seen (radians for angles, scene units for coming apart) and its frame.
    struct Excess {
        std::string connector;
        std::string what; ///< "angle" or "apart"
        double amount = 0.0;
        int64_t frame = 0;
        bool operator==(const Excess&) const = default;
    };
    std::vector<Excess> jointsBeyondLimits;
    /// Pairs of bodies, not joined by a connector, that overlap where the bake starts.
    std::vector<std::pair<std::string, std::string>> overlapsAtRest;
    /// Where the first value that is not finite appeared; empty when every value was finite.
    std::string nonFinite;

    /// False when the motion has blown up: a value not finite, a body out of the region or a
    /// speed beyond its limit. Joints beyond their limits and overlaps at rest only warn.
    bool stable() const;
    /// The report as console lines, the verdict first.
    std::vector<std::string> lines() const;
    bool operator==(const StabilityReport&) const = default;
};

/// A bake's motion and its report.
struct Bake {
    BakedMotion motion;
    StabilityReport report;
};

/// Simulates the document from its current state. Bodies are the objects with a dynamics body
/// tag, shaped by their own geometry and that of their descendants which are not bodies
/// themselves; connectors join the bodies they link. Deterministic for a given document.
Bake simulateDocument(Engine& engine, host::NodeId doc, const BakeSettings& settings);

} // namespace flumpet::scene
