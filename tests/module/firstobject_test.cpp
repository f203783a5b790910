#include "module_fixture.h"

#include "firstobject.h"
#include "host/ids.h"
#include "parameters.h"

#include <set>

namespace flumpet::test {
namespace {

using host::DescID;
namespace descprop = host::descprop;

TEST(FirstObject, NewGeneratorHoldsItsInitialValues) {
    ModuleFixture f;
    host::Object g = f.addGenerator();
    ASSERT_TRUE(g.alive());
    EXPECT_EQ(g.name(), "Flumpet");
    const host::Container c = g.data();

    struct FloatValue {
        int32_t id;
        double value;
    };
    for (const FloatValue& v : {FloatValue{1044, 0.0},
                                {1045, 0.0},
                                {1047, 0.0},
                                {1048, 1.0},
                                {1107, 300.0},
                                {1108, 30.0},
                                {1105, 1.0},
                                {1106, 1.0},
                                {1132, 1.0}}) {
        SCOPED_TRACE(v.id);
        const host::Value* stored = c.find(v.id);
        ASSERT_NE(stored, nullptr);
        ASSERT_TRUE(std::holds_alternative<double>(*stored));
        EXPECT_EQ(std::get<double>(*stored), v.value);
    }
    EXPECT_EQ(std::get<int32_t>(*c.find(ROPE_JOINTS_AMOUNT)), 30);
    EXPECT_EQ(std::get<bool>(*c.find(ADDITIONAL_SETTINGS_CONTROL_BOOL)), true);
    EXPECT_EQ(std::get<bool>(*c.find(ROPE_ENDS_FIXED)), true);
    for (int32_t list : {1037, 1058, 1051, 1109}) {
        ASSERT_NE(c.getInExclude(list), nullptr) << list;
        EXPECT_EQ(c.getInExclude(list)->count(), 0) << list;
    }
    // Never written: they read as 0.
    for (int32_t unwritten : {CONNECTOR_MODE, CUBES_COLLIDERS, CUBES_COLLIDERS2})
        EXPECT_FALSE(c.has(unwritten));

    host::Value version;
    ASSERT_TRUE(g.getParameter(DescID(VERSION_TEXT), version));
    EXPECT_EQ(std::get<std::string>(version), "1010");

    using Knot = host::SplineCurve::Knot;
    ASSERT_NE(c.getCurve(ROPE_AMOUNT_DISTRIBUTION), nullptr);
    EXPECT_EQ(c.getCurve(ROPE_AMOUNT_DISTRIBUTION)->knots(), (std::vector<Knot>{{0, 0}, {1, 0}}));
    ASSERT_NE(c.getCurve(ROPE_RADIUS_SCALE), nullptr);
    EXPECT_EQ(c.getCurve(ROPE_RADIUS_SCALE)->knots(), (std::vector<Knot>{{0, 1}, {1, 1}}));
    for (double x : {0.0, 0.25, 0.5, 1.0}) {
        EXPECT_EQ(c.getCurve(ROPE_AMOUNT_DISTRIBUTION)->valueAt(x), 0.0);
        EXPECT_EQ(c.getCurve(ROPE_RADIUS_SCALE)->valueAt(x), 1.0);
    }
}

TEST(FirstObject, DescriptionDefaultsDifferFromInitialValues) {
    ModuleFixture f;
    host::Object g = f.addGenerator();
    const host::Description d = f.describe(g);
    const auto* amount = d.find(DescID(ROPE_JOINTS_AMOUNT));
    const auto* radius = d.find(DescID(ROPE_RADIUS));
    ASSERT_TRUE(amount && radius);
    EXPECT_EQ(amount->properties.getInt(descprop::Default), 100);
    EXPECT_EQ(radius->properties.getFloat(descprop::Default), 2.0);
    EXPECT_EQ(g.data().getInt(ROPE_JOINTS_AMOUNT), 30);
    EXPECT_EQ(g.data().getFloat(ROPE_RADIUS), 1.0);
    EXPECT_EQ(radius->properties.getInt(descprop::Unit), host::unit::Metres);
    EXPECT_EQ(radius->id[0].dtype, host::datatype::Real);
}

// Names of the rope entries the attribute editor shows.
std::set<std::string> shownRopeEntries(const host::Description& d) {
    std::set<std::string> shown;
    for (const auto& e : d.entries())
        if (e.id.firstId() >= ROPE_JOINTS_AMOUNT && e.id.firstId() <= ROPE_PIECE_INSTANCE &&
            !e.properties.getBool(descprop::Hide))
            shown.insert(e.properties.getString(descprop::Name));
    return shown;
}

TEST(FirstObject, RopeEntriesShowOnlyInRopeMode) {
    ModuleFixture f;
    host::Object g = f.addGenerator();
    const std::set<std::string> groups = {"Rope Settings", "Amount Distribution", "Radius Scale"};
    EXPECT_EQ(shownRopeEntries(f.describe(g)), groups);

    g.setParameter(DescID(CONNECTOR_MODE), int32_t{6});
    std::set<std::string> rope = groups;
    rope.insert({"Joints Amount", "Distribution", "Rope Radius", "Scale", "Ends Fixed", "Piece Instance"});
    EXPECT_EQ(shownRopeEntries(f.describe(g)), rope);

    g.setParameter(DescID(CONNECTOR_MODE), int32_t{5});
    EXPECT_EQ(shownRopeEntries(f.describe(g)), groups);
}

TEST(FirstObject, DescriptionPlacesRopeEntriesAndRenamesTheColliderButton) {
    ModuleFixture f;
    host::Object g = f.addGenerator();
    host::Description d;
    int32_t flags = 0;
    ASSERT_TRUE(f.engine.pluginRegistry().describe(g.id(), nullptr, d, flags));
    EXPECT_EQ(flags & host::descflags::Loaded, host::descflags::Loaded);

    struct Placement {
        int32_t id, parent;
    };
    std::vector<int32_t> order;
    for (const auto& e : d.entries())
        if (e.id.firstId() >= ROPE_JOINTS_AMOUNT && e.id.firstId() <= ROPE_PIECE_INSTANCE)
            order.push_back(e.id.firstId());
    EXPECT_EQ(order,
              (std::vector<int32_t>{1136, 1131, 1139, 1140, 1132, 1138, 1137, 1133, 1134, 1135, 1141}));
    for (const Placement& p : {Placement{1136, 1101}, {1131, 1136}, {1140, 1139}, {1137, 1138}, {1141, 1136}})
        EXPECT_EQ(d.find(DescID(p.id))->parent.firstId(), p.parent) << p.id;
    EXPECT_TRUE(d.find(DescID(ROPE_TAB_GROUP)));

    const auto* accept = d.find(DescID(ROPE_CONTROLLER_1));
    ASSERT_TRUE(accept);
    EXPECT_TRUE(accept->properties.getContainer(descprop::Accept).has(host::type::Null));
    EXPECT_EQ(d.find(DescID(ROPE_AMOUNT_DISTRIBUTION))->properties.getFloat(descprop::CurveYMin), -1.0);
    EXPECT_EQ(d.find(DescID(CMD_GENERATE_COLLIDERS))->properties.getString(descprop::ShortName),
              "Generate Colliders");
}

TEST(FirstObject, SingleIdentifierBuildsOnlyWhatWasAsked) {
    ModuleFixture f;
    host::Object g = f.addGenerator();
    auto ask = [&](DescID single) {
        host::Description d;
        int32_t flags = 0;
        EXPECT_TRUE(f.engine.pluginRegistry().describe(g.id(), &single, d, flags));
        return d;
    };
    // Asked for a rope entry (with a second level): every rope entry comes, the button keeps its name.
    DescID radiusX(host::DescLevel{ROPE_RADIUS, 0, 0}, host::DescLevel{1000, 0, 0});
    host::Description rope = ask(radiusX);
    EXPECT_TRUE(rope.find(DescID(ROPE_PIECE_INSTANCE)));
    EXPECT_NE(rope.find(DescID(CMD_GENERATE_COLLIDERS))->properties.getString(descprop::ShortName),
              "Generate Colliders");
    // Asked for the button: no rope entries, the button renamed.
    host::Description button = ask(DescID(CMD_GENERATE_COLLIDERS));
    EXPECT_FALSE(button.find(DescID(ROPE_SETTINGS_GROUP)));
    EXPECT_EQ(button.find(DescID(CMD_GENERATE_COLLIDERS))->properties.getString(descprop::ShortName),
              "Generate Colliders");
}

// Every parameter the module reads or writes has an entry of its value type in the description.
TEST(FirstObject, DescriptionCoversEveryParameter) {
    ModuleFixture f;
    const host::Description d = f.describe(f.addGenerator());
    namespace dt = host::datatype;
    struct Expected {
        int32_t id, type;
    };
    std::vector<Expected> expected;
    for (int32_t link : {1003, 1004, 1005, 1006, 1008, 1009, 1014, 1016, 1018, 1020, 1027, 1029, 1031,
                         1033, 1015, 1017, 1019, 1021, 1028, 1030, 1032, 1034, 1134, 1135, 1141})
        expected.push_back({link, dt::Link});
    for (int32_t button : {1010, 1022, 1023, 1035, 1036, 1042, 1049, 1053, 1054, 1056, 1059, 1060, 1062, 1063,
                           1102, 1110, 1111, 1113})
        expected.push_back({button, dt::Button});
    for (int32_t list : {1037, 1051, 1058, 1109})
        expected.push_back({list, dt::InExclude});
    for (int32_t real : {1044, 1045, 1047, 1048, 1105, 1106, 1107, 1108, 1132})
        expected.push_back({real, dt::Real});
    for (int32_t flag : {1112, 1115, 1117, 1133})
        expected.push_back({flag, dt::Bool});
    for (int32_t group : {1101, 1136, 1138, 1139, SETTINGS_BODY_GROUP, SETTINGS_ARMS_GROUP,
                          SETTINGS_LEGS_GROUP, SETTINGS_CONTROL_GROUP})
        expected.push_back({group, dt::Group});
    expected.insert(expected.end(), {{1064, dt::String},
                                     {1103, dt::Long},
                                     {1131, dt::Long},
                                     {1137, dt::SplineCurve},
                                     {1140, dt::SplineCurve}});
    for (const Expected& e : expected) {
        const auto* entry = d.find(DescID(e.id));
        ASSERT_NE(entry, nullptr) << e.id;
        EXPECT_EQ(entry->id[0].dtype, e.type) << e.id;
    }
}

TEST(FirstObject, CopiesUndoAndFilesKeepAWorkingGenerator) {
    ModuleFixture f;
    host::Object g = f.addGenerator();
    g.setParameter(DescID(CONNECTOR_MODE), int32_t{6});

    host::Object copy = g.clone();
    ASSERT_TRUE(copy.alive());
    EXPECT_EQ(copy.data(), g.data());
    f.doc.insertLast(copy);
    EXPECT_EQ(shownRopeEntries(f.describe(copy)).count("Rope Radius"), 1u);

    ASSERT_TRUE(f.doc.startUndo());
    ASSERT_TRUE(f.doc.addUndo(host::undo::DeleteObject, g));
    ASSERT_TRUE(g.remove());
    ASSERT_TRUE(g.free());
    ASSERT_TRUE(f.doc.endUndo());
    ASSERT_TRUE(f.engine.undo(f.doc.id()));
    EXPECT_TRUE(f.doc.resolve(g.id()).alive());
    EXPECT_EQ(shownRopeEntries(f.describe(g)).count("Rope Radius"), 1u);

    const std::string saved = f.save();
    EXPECT_EQ(saved.find("payload"), std::string::npos);
    const host::NodeId loaded = scene::loadDocument(f.engine, saved);
    host::Document reread(&f.engine, loaded);
    host::Object first = reread.firstObject();
    ASSERT_EQ(first.type(), PluginId);
    EXPECT_EQ(first.data(), g.data());
    EXPECT_TRUE(first.message(host::msg::Update));
    EXPECT_EQ(shownRopeEntries(f.describe(first)).count("Rope Radius"), 1u);
}

} // namespace
} // namespace flumpet::test
