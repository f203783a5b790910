// Follow strengths: how strongly each simulated body is pulled back toward the animation. The
// generator holds them as fractions and pushes them into the dynamics body tags as percentages.
#pragma once

#include "host/nodes.h"

namespace flumpet {

/// A fraction as the percentage a body tag holds: rounded to single precision and multiplied by
/// 100 in single precision (0.3 gives 30.000001907348633).
double toPercent(double fraction);
/// A value rounded to single precision and widened again.
double toSingle(double value);

/// The first dynamics body tag of an object (or of the object a node stands for); empty when
/// it has none.
host::Tag bodyTagOf(const host::Node& node);

/// Writes one number into a body tag; a value that is not finite is never written.
void setBodyValue(const host::Tag& tag, int32_t param, double value);

/// Writes the two follow percentages into a body tag (a non-finite one is left out).
void setFollow(const host::Tag& tag, double positionFraction, double rotationFraction);

/// Reaction to a set follow parameter (the eight strength and mass parameters). Answers false
/// when a list it needs is missing; true otherwise, also for ids it does not react to.
bool reactToFollowParameter(const host::Object& generator, int32_t paramId);

/// The add-selected button: resets the old override members, then makes the selected joints
/// that have body tags the new override list.
void addSelectedToOverrides(const host::Object& generator);

/// Puts the selected joints with body tags into a new override list with the override values.
void applyFollowValues(const host::Object& generator);

/// An element was added to a list parameter of the generator.
bool reactToListElementAdded(const host::Object& generator, int32_t listParam, host::NodeId element);

/// An element is about to be removed from a list parameter of the generator.
bool reactToListElementRemoved(const host::Object& generator, int32_t listParam, int32_t index);

/// Pushes every strength again: slot bones, then the extra-objects list, then the override list.
void reapplyAllFollowValues(const host::Object& generator);

/// A document event: re-sends the strength parameters or stamps the version text.
bool reactToDocumentEvent(const host::Object& generator, int32_t kind);

} // namespace flumpet
