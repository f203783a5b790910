#include "scene_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace flumpet::test {
namespace {

using host::Object;

// A document that uses every value type, tags, nesting, selection and settings.
void buildEveryValueScene(SceneFixture& f) {
    Object gen = f.addNull("Generator");
    Object hip = f.add(host::type::Joint, "Hip", gen);
    Object knee = f.add(host::type::Joint, "Knee", hip);
    knee.setLocalPosition({0, -4.5, 0.25});
    hip.setLocalRotation({0.1, 0.2, 0.3});
    f.addTag(knee, host::tagtype::DynamicsBody).setParameter(host::DescID(11062), 30.000001907348633);

    host::Container c;
    c.setInt(1103, 6);
    c.setFloat(1044, 0.1);
    c.setFloat(1045, std::numeric_limits<double>::quiet_NaN());
    c.setFloat(1046, -std::numeric_limits<double>::infinity());
    c.setBool(1112, true);
    c.setString(1064, "1010 \"quoted\" \n ünïcode");
    c.setVector(1100, {1e-300, -2.5, 3});
    host::Matrix m = host::rotationZ(0.7);
    m.off = {1, 2, 3};
    c.setMatrix(1200, m);
    c.setTime(1201, {7, 30});
    c.setLink(1003, hip.id());
    c.setLink(1004, 987654); // a link whose node is gone stays a dead link
    host::InExcludeList list;
    list.insert(hip.id());
    list.insert(knee.id());
    c.set(1058, list);
    host::SplineCurve curve;
    curve.insertKnot(0, 1);
    curve.insertKnot(1, 1);
    c.set(1137, curve);
    host::Container sub;
    sub.setFloat(9, 0.5);
    c.setContainer(50004, sub);
    c.set(1300, std::monostate{});
    c.setCustomData(1301, host::CustomData{200000275, {0x00, 0x0f, 0xa0, 0xff}});
    gen.setData(c);

    f.engine.setSelected(knee.id(), true);
    f.engine.setSelected(gen.id(), true);
    host::Container settings;
    settings.setInt(2117, 4);
    f.engine.setDocumentSettings(f.doc.id(), 3, settings);
    f.doc.sceneHook(host::hook::DynamicsSettings).setParameter(host::DescID(10022), 1000.0);
}

TEST(SceneFile, LoadThenSaveGivesTheSameBytes) {
    SceneFixture f;
    buildEveryValueScene(f);
    const std::string saved = f.save();

    scene::Engine other;
    const host::NodeId doc = scene::loadDocument(other, saved);
    EXPECT_EQ(scene::saveDocument(other, doc), saved);

    // The values survive, not only the bytes.
    host::Document d(&other, doc);
    const Object gen = d.firstObject();
    const host::Container c = gen.data();
    EXPECT_TRUE(std::isnan(c.getFloat(1045)));
    EXPECT_EQ(c.getString(1064), "1010 \"quoted\" \n ünïcode");
    EXPECT_EQ(d.resolve(c.getLinkId(1003)).name(), "Hip");
    EXPECT_FALSE(d.resolve(c.getLinkId(1004)).alive());
    EXPECT_EQ(c.getContainer(50004).getFloat(9), 0.5);
    ASSERT_NE(c.customData(1301, 200000275), nullptr);
    EXPECT_EQ(c.customData(1301, 200000275)->bytes, (std::vector<uint8_t>{0x00, 0x0f, 0xa0, 0xff}));
    const auto selected = other.activeObjects(doc, host::selection::Children | host::selection::SelectionOrder);
    ASSERT_EQ(selected.size(), 2u);
    EXPECT_EQ(Object(&other, selected[0]).name(), "Knee");
    // A node made after loading never takes an id the file used, dead links included.
    EXPECT_GT(other.allocObject(host::type::Null), 987654u);
}

TEST(SceneFile, LoadingBesideClashingIdsRenumbersLinksConsistently) {
    SceneFixture f;
    buildEveryValueScene(f);
    const std::string saved = f.save();
    const host::NodeId second = scene::loadDocument(f.engine, saved); // same ids already taken
    host::Document d(&f.engine, second);
    const Object gen = d.firstObject();
    EXPECT_NE(gen.id(), f.doc.firstObject().id());
    const Object hip = d.resolve(gen.data().getLinkId(1003));
    EXPECT_EQ(hip.name(), "Hip");
    EXPECT_EQ(hip.document(), d);
    const host::Container data = gen.data();
    EXPECT_EQ(d.resolve(data.getInExclude(1058)->idAt(1)).name(), "Knee");
    EXPECT_FALSE(d.resolve(gen.data().getLinkId(1004)).alive());
}

struct BadFile {
    const char* what;
    std::string text;
    const char* expectedInMessage;
};

std::string withDocument(const std::string& document) {
    return R"({"format":"flumpet-scene","version":1,"document":)" + document + "}";
}

std::string documentWith(const std::string& objects, const std::string& parameters = "[]") {
    return withDocument(R"({"id":1,"name":"D","parameters":)" + parameters +
                        R"(,"settings":[],"hooks":[],"selection":[],"objects":)" + objects + "}");
}

std::string nullObject(int id, const std::string& extra = "", const std::string& children = "[]") {
    return R"({"id":)" + std::to_string(id) + R"(,"type":5140,"name":"N","parameters":[)" + extra +
           R"(],"matrix":[0,0,0,1,0,0,0,1,0,0,0,1],"tags":[],"children":)" + children + "}";
}

void PrintTo(const BadFile& b, std::ostream* os) { *os << b.what; }

class HostileFile : public testing::TestWithParam<BadFile> {};

TEST_P(HostileFile, GivesAClearErrorAndLeavesNothingBehind) {
    scene::Engine engine;
    try {
        scene::loadDocument(engine, GetParam().text);
        FAIL() << "loaded: " << GetParam().what;
    } catch (const scene::SceneFileError& e) {
        EXPECT_NE(std::string(e.what()).find(GetParam().expectedInMessage), std::string::npos)
            << GetParam().what << ": " << e.what();
    }
    EXPECT_TRUE(engine.documents().empty());
}

std::string deepNesting(int depth) {
    std::string s;
    for (int i = 0; i < depth; ++i) s += "[";
    return s;
}

std::string deepHierarchy(int depth) {
    std::string object = nullObject(depth + 2);
    for (int i = depth; i > 0; --i) object = nullObject(i + 1, "", "[" + object + "]");
    return documentWith("[" + object + "]");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileFile,
    testing::Values(
        BadFile{"empty", "", "not valid JSON"},
        BadFile{"truncated", withDocument(R"({"id":1,"name":"D")"), "not valid JSON"},
        BadFile{"other format", R"({"format":"x","version":1,"document":{}})", "/format"},
        BadFile{"future version", R"({"format":"flumpet-scene","version":9,"document":{}})", "/version"},
        BadFile{"missing key", withDocument(R"({"id":1})"), "/document: missing \"name\""},
        BadFile{"wrong type",
                documentWith(R"([{"id":"x","type":5140,"name":"N","parameters":[],"matrix":[],"tags":[],"children":[]}])"),
                "/document/objects/0/id: expected a whole number"},
        BadFile{"NaN in a matrix",
                documentWith(R"([{"id":2,"type":5140,"name":"N","parameters":[],"matrix":[0,0,0,1,0,0,0,1,0,0,0,"NaN"],"tags":[],"children":[]}])"),
                "/document/objects/0/matrix/11"},
        BadFile{"short matrix",
                documentWith(R"([{"id":2,"type":5140,"name":"N","parameters":[],"matrix":[0,0],"tags":[],"children":[]}])"),
                "expected 12 elements"},
        BadFile{"unknown type", documentWith(R"([{"id":2,"type":777,"name":"N"}])"), "unknown type 777"},
        BadFile{"duplicate id", documentWith("[" + nullObject(2) + "," + nullObject(2) + "]"), "used twice"},
        BadFile{"id of the document reused", documentWith("[" + nullObject(1) + "]"), "used twice"},
        BadFile{"negative link", documentWith("[" + nullObject(2, R"({"id":1003,"type":"link","value":-5})") + "]"),
                "/document/objects/0/parameters/0/value"},
        BadFile{"huge id", documentWith("[" + nullObject(2, R"({"id":1003,"type":"link","value":18446744073709551615})") + "]"),
                "out of range"},
        BadFile{"unknown value type", documentWith("[" + nullObject(2, R"({"id":1,"type":"blob","value":1})") + "]"),
                "unknown value type"},
        BadFile{"custom data not in hex", documentWith("[" + nullObject(2, R"({"id":1,"type":"custom","value":[5,"0g"]})") + "]"),
                "hexadecimal digits"},
        BadFile{"custom data of odd length", documentWith("[" + nullObject(2, R"({"id":1,"type":"custom","value":[5,"abc"]})") + "]"),
                "even number"},
        BadFile{"int out of range", documentWith("[" + nullObject(2, R"({"id":1,"type":"int","value":3000000000})") + "]"),
                "out of range"},
        BadFile{"parameter twice",
                documentWith("[" + nullObject(2, R"({"id":1,"type":"int","value":1},{"id":1,"type":"int","value":2})") + "]"),
                "appears twice"},
        BadFile{"zero time denominator", documentWith("[" + nullObject(2, R"({"id":1,"type":"time","value":[1,0]})") + "]"),
                "out of range"},
        BadFile{"selection of a missing object",
                withDocument(R"({"id":1,"name":"D","parameters":[],"settings":[],"hooks":[],"selection":[5],"objects":[]})"),
                "/document/selection/0"},
        BadFile{"number overflow", documentWith("[" + nullObject(2, R"({"id":1,"type":"float","value":-0.03e352462508})") + "]"),
                "not valid JSON"},
        BadFile{"deep JSON nesting", deepNesting(5000), "nesting deeper"},
        BadFile{"deep hierarchy", deepHierarchy(450), "hierarchy deeper"}));

TEST(SceneFile, NamesThatAreNotUtf8StillSave) {
    SceneFixture f;
    f.addNull("Bone\xff\xfe");
    const std::string saved = f.save();
    scene::Engine other;
    const host::NodeId doc = scene::loadDocument(other, saved);
    EXPECT_EQ(scene::saveDocument(other, doc), saved);
    EXPECT_EQ(host::Document(&other, doc).firstObject().name().substr(0, 4), "Bone");
}

TEST(SceneFile, SaveToFileNeverLeavesAHalfWrittenFile) {
    SceneFixture f;
    buildEveryValueScene(f);
    const std::string dir = testing::TempDir();
    const std::string path = dir + "/flumpet_scene_test.json";
    scene::saveDocumentFile(f.engine, f.doc.id(), path);
    scene::Engine other;
    const host::NodeId doc = scene::loadDocumentFile(other, path);
    EXPECT_EQ(scene::saveDocument(other, doc), f.save());
    EXPECT_THROW(scene::saveDocumentFile(f.engine, f.doc.id(), dir + "/no/such/folder/x.json"), scene::SceneFileError);
    try {
        scene::loadDocumentFile(other, dir + "/missing.json");
        FAIL();
    } catch (const scene::SceneFileError& e) {
        EXPECT_NE(std::string(e.what()).find("missing.json"), std::string::npos);
    }
}

} // namespace
} // namespace flumpet::test
