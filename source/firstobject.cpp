#include "firstobject.h"

#include "dispatch.h"

#include "host/ids.h"
#include "main.h"
#include "parameters.h"

#include <string>
#include <vector>

namespace flumpet {

using host::Container;
using host::DescID;
using host::DescLevel;
namespace descprop = host::descprop;

std::unique_ptr<host::ObjectData> FirstObject::alloc() {
    return std::make_unique<FirstObject>();
}

bool FirstObject::initialise(host::Node node) {
    Container data = node.data();
    data.setFloat(SETTINGS_CONTROL_FOLLOW_POSITION, 0.0);
    data.setFloat(SETTINGS_CONTROL_FOLLOW_ROTATION, 0.0);
    data.setFloat(SETTINGS_SELECTED_BONES_FOLLOW_POSITION, 0.0);
    data.setFloat(SETTINGS_SELECTED_BONES_FOLLOW_ROTATION, 1.0);
    data.setBool(ADDITIONAL_SETTINGS_CONTROL_BOOL, true);
    data.setFloat(ADDITIONAL_SETTINGS_CONTROL_FOLLOW_DENSITY, 300.0);
    data.setFloat(ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION_MASS, 30.0);
    data.setFloat(ADDITIONAL_SETTINGS_CONTROL_FOLLOW_POSITION, 1.0);
    data.setFloat(ADDITIONAL_SETTINGS_CONTROL_FOLLOW_ROTATION, 1.0);
    for (int32_t list : {SETTINGS_RETARGET_CHARACTER_MESH, SETTINGS_CREATED_OBJECTS,
                         SETTINGS_SELECTED_BONES_SELECTED_BONES, ADDITIONAL_InEx_CREATED_OBJECTS})
        data.set(list, host::InExcludeList{});
    data.setInt(ROPE_JOINTS_AMOUNT, 30);
    data.setFloat(ROPE_RADIUS, 1.0);
    data.setBool(ROPE_ENDS_FIXED, true);
    data.set(ROPE_RADIUS_SCALE, host::SplineCurve{});
    data.set(ROPE_AMOUNT_DISTRIBUTION, host::SplineCurve{});
    host::SplineCurve distribution;
    distribution.insertKnot(0.0, 0.0);
    distribution.insertKnot(1.0, 0.0);
    data.set(ROPE_AMOUNT_DISTRIBUTION, distribution);
    host::SplineCurve scale;
    scale.insertKnot(0.0, 1.0);
    scale.insertKnot(1.0, 1.0);
    data.set(ROPE_RADIUS_SCALE, scale);
    node.setData(data);
    node.setParameter(DescID(VERSION_TEXT), std::to_string(ModuleVersion));
    return true;
}

bool FirstObject::message(host::Node node, int32_t type, void* data) {
    return dispatchMessage(host::Object(node.host(), node.id()), type, data);
}

namespace {

struct RopeEntry {
    int32_t id;
    int32_t parent;
    int32_t valueType;
    const char* name;
};

// The rope settings in the order they are added, each under its parent group.
constexpr RopeEntry ropeEntries[] = {
    {ROPE_SETTINGS_GROUP, ROPE_TAB_GROUP, host::datatype::Group, "Rope Settings"},
    {ROPE_JOINTS_AMOUNT, ROPE_SETTINGS_GROUP, host::datatype::Long, "Joints Amount"},
    {ROPE_AMOUNT_DISTRIBUTION_GROUP, ROPE_SETTINGS_GROUP, host::datatype::Group, "Amount Distribution"},
    {ROPE_AMOUNT_DISTRIBUTION, ROPE_AMOUNT_DISTRIBUTION_GROUP, host::datatype::SplineCurve, "Distribution"},
    {ROPE_RADIUS, ROPE_SETTINGS_GROUP, host::datatype::Real, "Rope Radius"},
    {ROPE_RADIUS_SCALE_GROUP, ROPE_SETTINGS_GROUP, host::datatype::Group, "Radius Scale"},
    {ROPE_RADIUS_SCALE, ROPE_RADIUS_SCALE_GROUP, host::datatype::SplineCurve, "Scale"},
    {ROPE_ENDS_FIXED, ROPE_SETTINGS_GROUP, host::datatype::Bool, "Ends Fixed"},
    {ROPE_CONTROLLER_1, ROPE_SETTINGS_GROUP, host::datatype::Link, "1st controller"},
    {ROPE_CONTROLLER_2, ROPE_SETTINGS_GROUP, host::datatype::Link, "2nd controller"},
    {ROPE_PIECE_INSTANCE, ROPE_SETTINGS_GROUP, host::datatype::Link, "Piece Instance"},
};

DescID entryId(int32_t id, int32_t valueType) {
    return DescID(DescLevel{id, valueType, 0});
}

void setGroupLayout(Container& p, bool open) {
    p.setInt(descprop::Columns, 1);
    p.setInt(descprop::Default, open ? 1 : 0);
    p.setInt(descprop::ScaleH, 1);
}

void setCurveEditor(Container& p, double yMin, double yMax) {
    p.setInt(descprop::CustomGui, host::gui::CurveEditor);
    for (int32_t flag :
         {descprop::CurveGridH, descprop::CurveGridV, descprop::CurveEditH, descprop::CurveEditV})
        p.setBool(flag, true);
    p.setFloat(descprop::CurveXMin, 0.0);
    p.setFloat(descprop::CurveXMax, 1.0);
    p.setFloat(descprop::CurveYMin, yMin);
    p.setFloat(descprop::CurveYMax, yMax);
}

void setLinkBox(Container& p, int32_t acceptedType) {
    p.setInt(descprop::CustomGui, host::gui::LinkBox);
    Container accept;
    accept.setInt(acceptedType, 1);
    p.setContainer(descprop::Accept, accept);
}

Container ropeProperties(const RopeEntry& e, Container p, bool hidden) {
    p.setString(descprop::Name, e.name);
    switch (e.id) {
    case ROPE_SETTINGS_GROUP:
        setGroupLayout(p, true);
        break;
    case ROPE_AMOUNT_DISTRIBUTION_GROUP:
    case ROPE_RADIUS_SCALE_GROUP:
        setGroupLayout(p, false);
        break;
    case ROPE_JOINTS_AMOUNT:
        p.setInt(descprop::CustomGui, host::gui::IntegerSlider);
        p.setInt(descprop::Default, 100);
        p.setInt(descprop::Min, 0);
        p.setInt(descprop::Step, 1);
        p.setFloat(descprop::MinSlider, 0.0);
        p.setFloat(descprop::MaxSlider, 400.0);
        p.setInt(descprop::Animate, descprop::AnimateOff);
        p.setBool(descprop::Hide, hidden);
        break;
    case ROPE_AMOUNT_DISTRIBUTION:
        setCurveEditor(p, -1.0, 1.0);
        p.setInt(descprop::Animate, descprop::AnimateOff);
        p.setBool(descprop::Hide, hidden);
        break;
    case ROPE_RADIUS:
        p.setInt(descprop::CustomGui, host::gui::RealSlider);
        p.setFloat(descprop::Default, 2.0);
        p.setFloat(descprop::Min, 0.0);
        p.setFloat(descprop::Max, 10000000.0);
        p.setFloat(descprop::MinSlider, 0.0);
        p.setFloat(descprop::MaxSlider, 20.0);
        p.setFloat(descprop::Step, 0.02);
        p.setInt(descprop::Unit, host::unit::Metres);
        p.setBool(descprop::Hide, hidden);
        break;
    case ROPE_RADIUS_SCALE:
        setCurveEditor(p, 0.0, 1.0);
        p.setBool(descprop::Hide, hidden);
        break;
    case ROPE_ENDS_FIXED:
        p.setBool(descprop::Default, true);
        p.setInt(descprop::Animate, descprop::AnimateOff);
        p.setBool(descprop::Hide, hidden);
        break;
    case ROPE_CONTROLLER_1:
    case ROPE_CONTROLLER_2:
        // Written by the rope builder only, so never shown.
        setLinkBox(p, host::type::Null);
        p.setInt(descprop::Animate, descprop::AnimateOff);
        p.setBool(descprop::Hide, true);
        break;
    case ROPE_PIECE_INSTANCE:
        setLinkBox(p, host::type::AnyObject);
        p.setBool(descprop::Hide, hidden);
        break;
    default:
        break;
    }
    return p;
}

} // namespace

void addRopeEntries(host::PluginServices& plugins, host::Description& description, int32_t connectorMode) {
    bool wanted = false;
    for (const RopeEntry& e : ropeEntries)
        wanted = wanted || description.wants(entryId(e.id, e.valueType));
    if (!wanted) return;
    const bool hidden = connectorMode != RopeMode;
    for (const RopeEntry& e : ropeEntries) {
        Container properties = ropeProperties(e, plugins.defaultDescription(e.valueType), hidden);
        description.set(entryId(e.id, e.valueType), std::move(properties),
                        entryId(e.parent, host::datatype::Group));
    }
}

bool FirstObject::buildDescription(host::Node node, host::Description& description, int32_t& flags) {
    host::Host* h = node.host();
    if (!h || !h->plugins().loadDescription(PluginId, description)) return false;

    const DescID generateColliders(CMD_GENERATE_COLLIDERS);
    if (description.wants(generateColliders))
        if (host::Description::Entry* e = description.find(generateColliders))
            e->properties.setString(descprop::ShortName, "Generate Colliders");

    addRopeEntries(h->plugins(), description, node.data().getInt(CONNECTOR_MODE, 0));

    flags |= host::descflags::Loaded;
    return ObjectData::buildDescription(node, description, flags);
}

bool FirstObject::describeEnabling(host::Node node, const DescID& id, const host::Value& value, int32_t flags,
                                   const Container* entryProperties) {
    ObjectData::describeEnabling(node, id, value, flags, entryProperties);
    return true;
}

void FirstObject::checkDirty(host::Object object, host::Document document) {
    ObjectData::checkDirty(object, document);
    checkGeneratorDirty(object);
}

} // namespace flumpet
