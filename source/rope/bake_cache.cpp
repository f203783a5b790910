#include "rope/bake_cache.h"

#include "command_context.h"
#include "host/host.h"
#include "host/ids.h"
#include "host/messages.h"
#include "parameters.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace flumpet {

namespace {

/// The frame rate as a time's denominator: a whole number, at least 1 (a rate of 0 would make
/// the time meaningless).
int64_t frameRateDenominator(const host::Document& doc) {
    host::Value value;
    double fps = 0.0;
    if (doc.getParameter(host::DescID(host::docparam::FrameRate), value)) fps = host::numberValue(value, 0.0);
    if (!std::isfinite(fps)) return 1;
    return std::max<int64_t>(1, std::llround(std::min(fps, double(std::numeric_limits<int32_t>::max()))));
}

/// Presses a button of a host node as the user would: the command, then the use of the element.
void pressHookButton(host::Host& host, const host::Document& doc, const host::Node& hook, int32_t button) {
    const host::DescID id(host::DescLevel{button, host::datatype::ButtonPress, hook.type()});
    host::DescriptionCommand command{id};
    hook.message(host::msg::DescriptionCommand, &command);
    host::DescriptionUsed used{doc.id(), 0, &id};
    hook.message(host::msg::DescriptionUsed, &used);
    host.eventAdd(host::refresh::None);
}

} // namespace

bool bakeOrClearCache(host::Host& host, int32_t bake, int32_t clear) {
    const host::Document doc = host::activeDocument(host);
    host::Container settings = host.documentSettings(doc.id(), host::docsettings::DynamicsKind);
    if (!settings.customDataWritable(host::docsettings::DynamicsData, host::docsettings::DynamicsDataType))
        return false;
    // The container still holds that same data: writing it back stores the data back.
    host.setDocumentSettings(doc.id(), host::docsettings::DynamicsKind, settings);
    doc.message(host::msg::Update);
    host.eventAdd(host::refresh::None);

    const int64_t denominator = frameRateDenominator(doc);
    const host::Node hook = doc.sceneHook(host::hook::DynamicsSettings);
    if (bake == 1) {
        if (!hook.alive()) return false;
        pressHookButton(host, doc, hook, host::dynamicshook::Bake);
        host.statusText("Baked!");
    }
    if (clear == 1) {
        if (!hook.alive()) return false;
        pressHookButton(host, doc, hook, host::dynamicshook::ClearCache);
        host.statusText("Cache cleared!");
    }
    if (!hook.alive()) return false;
    hook.setParameter(host::DescID(host::dynamicshook::CacheStartA), int32_t{0});
    hook.setParameter(host::DescID(host::dynamicshook::CacheStartB), int32_t{0});
    hook.setParameter(host::DescID(host::dynamicshook::CacheStartTime), host::Time{0, denominator});
    return true;
}

bool bakeButton(const host::Object& generator, bool bake) {
    CommandContext& ctx = commandContext();
    ctx.refreshLists(generator);
    if (!ctx.created.present()) return false;
    if (ctx.created.empty() || !generator.host()) return true;
    bakeOrClearCache(*generator.host(), bake ? 1 : 0, bake ? 0 : 1);
    return true;
}

} // namespace flumpet
