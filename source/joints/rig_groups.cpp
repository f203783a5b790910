#include "joints/rig_groups.h"

#include "command_context.h"
#include "host/ids.h"
#include "host/math.h"

#include <cmath>

namespace flumpet {

host::Object makeGroupNull(const host::Object& generator, const std::string& suffix, bool alsoExtra) {
    if (!generator.host()) return {};
    const host::Object group(generator.host(), generator.host()->allocObject(host::type::Null));
    if (!group.alive()) return {};
    group.setParameter(host::DescID(host::param::Name), generator.name() + suffix);
    if (!group.insertUnderLast(generator)) {
        group.free();
        return {};
    }
    CommandContext& ctx = commandContext();
    ctx.created.insert(group);
    if (alsoExtra) ctx.extra.insert(group);
    generator.document().addUndo(host::undo::NewObject, group);
    return group;
}

int64_t currentFrame(const host::Document& doc) {
    host::Time time{0, 1};
    double fps = 0.0;
    host::Value value;
    if (doc.getParameter(host::DescID(host::docparam::Time), value))
        if (const auto* t = std::get_if<host::Time>(&value)) time = *t;
    if (doc.getParameter(host::DescID(host::docparam::FrameRate), value)) fps = host::numberValue(value, 0.0);
    const double denominator = std::floor(static_cast<double>(time.denominator));
    // A zero denominator would divide by zero; a frame beyond 64 bits cannot be written.
    if (denominator < 1.0) return 0;
    const double frame = std::floor(fps * static_cast<double>(time.numerator)) / denominator;
    if (!std::isfinite(frame) || std::abs(frame) >= 9.0e18) return 0;
    return static_cast<int64_t>(frame);
}

void markAsSpringGroup(const host::Object& group, const host::Object& generator, const host::Document& doc,
                       float hue) {
    if (!group.alive()) return;
    group.setParameter(host::DescID(host::param::Name),
                       generator.name() + "_Springs (frame: " + std::to_string(currentFrame(doc)) + ")");
    group.setParameter(host::DescID(host::param::DisplayColour),
                       host::hsvToRgb({static_cast<double>(hue), 0.81, 0.86}));
}

void deleteGroup(const host::Object& group) {
    if (!group.alive()) return;
    group.document().addUndo(host::undo::DeleteObject, group);
    group.remove();
    group.free();
}

} // namespace flumpet
