#include "rope/selected_chains.h"
#include "scene/scene_fixture.h"

#include <gtest/gtest.h>

#include <map>

namespace flumpet::test {
namespace {

// Two unrelated hierarchies:
//   A > B > n1 (null) > C > D
//   X > Y > { m1 (null), Z > { p1 (null), q1 (null) > R } }
struct ChainScene : SceneFixture {
    std::map<std::string, host::Object> o;

    ChainScene() {
        joint("A");
        joint("B", "A");
        null("n1", "B");
        joint("C", "n1");
        joint("D", "C");
        joint("X");
        joint("Y", "X");
        null("m1", "Y");
        joint("Z", "Y");
        null("p1", "Z");
        null("q1", "Z");
        joint("R", "q1");
    }
    void joint(const std::string& name, const std::string& parent = {}) {
        o[name] = add(host::type::Joint, name, parent.empty() ? host::Object{} : o.at(parent));
    }
    void null(const std::string& name, const std::string& parent) { o[name] = addNull(name, o.at(parent)); }

    std::vector<std::vector<std::string>> chainsOf(const std::vector<std::string>& selection) {
        for (const auto& [name, object] : o) engine.setSelected(object.id(), false);
        for (const auto& name : selection) engine.setSelected(o.at(name).id(), true);
        std::vector<JointChain> chains{{o.at("A")}}; // replaced, not added to
        collectSelectedChains(engine, chains);
        std::vector<std::vector<std::string>> names;
        for (const JointChain& chain : chains) {
            names.emplace_back();
            for (const host::Object& j : chain) names.back().push_back(j.name());
        }
        return names;
    }
};

struct ChainCase {
    const char* what;
    std::vector<std::string> selection; // in selection order
    std::vector<std::vector<std::string>> chains;
};

void PrintTo(const ChainCase& c, std::ostream* os) {
    *os << c.what;
}

class SelectedChains : public testing::TestWithParam<ChainCase> {};

TEST_P(SelectedChains, FollowTheSelection) {
    ChainScene scene;
    EXPECT_EQ(scene.chainsOf(GetParam().selection), GetParam().chains);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SelectedChains,
    testing::Values(
        ChainCase{"nothing selected", {}, {}},
        ChainCase{"only nulls selected", {"n1", "m1"}, {}},
        ChainCase{"top then bottom, the null between skipped", {"A", "D"}, {{"A", "B", "C", "D"}}},
        ChainCase{"bottom then top", {"D", "A"}, {{"A", "B", "C", "D"}}},
        ChainCase{"first and last decide, a joint between them is ignored", {"B", "X", "D"}, {{"B", "C", "D"}}},
        ChainCase{"one joint runs down through a lone null", {"B"}, {{"B", "C", "D"}}},
        ChainCase{"a null child steps over to its joint sibling; a null sibling ends the chain", {"Y"}, {{"Y", "Z"}}},
        ChainCase{"two unrelated joints give two chains", {"X", "A"}, {{"X", "Y", "Z"}, {"A", "B", "C", "D"}}},
        ChainCase{"a selected null among joints does not count", {"A", "m1"}, {{"A", "B", "C", "D"}}}));

} // namespace
} // namespace flumpet::test
