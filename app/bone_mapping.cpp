#include "bone_mapping.h"

#include "host/ids.h"
#include "object_paths.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

namespace flumpet::app {

namespace {

enum class Role { Other, Pelvis, Spine, Neck, Head, Clavicle, UpperArm, Forearm, Hand, Finger, Thigh, Shin, Foot, Toe, End };
enum class Side { None, Left, Right };

// Slot ranges of the template: body 0-5, first arm 6-9, first leg 10-13, second arm 14-17,
// second leg 18-21. The first arm and leg are the left ones.
constexpr int BodyFirst = 0, ArmA = 6, LegA = 10, ArmB = 14, LegB = 18;

/// Words of a joint's name, lower case: "mixamorig:LeftUpLeg" gives left, up, leg;
/// "B_Clavicle_Left" gives b, clavicle, left; "spine_01" gives spine, 01.
std::vector<std::string> words(const std::string& name) {
    const std::string bare = name.substr(name.find_last_of(':') == std::string::npos ? 0 : name.find_last_of(':') + 1);
    std::vector<std::string> out;
    std::string word;
    const auto flush = [&] {
        if (!word.empty()) out.push_back(word);
        word.clear();
    };
    for (size_t i = 0; i < bare.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bare[i]);
        if (!std::isalnum(c)) {
            flush();
            continue;
        }
        if (!word.empty()) {
            const unsigned char prev = static_cast<unsigned char>(bare[i - 1]);
            const bool lowerToUpper = std::islower(prev) && std::isupper(c);
            const bool digitChange = bool(std::isdigit(prev)) != bool(std::isdigit(c));
            if (lowerToUpper || digitChange) flush();
        }
        word += static_cast<char>(std::tolower(c));
    }
    flush();
    return out;
}

struct Kind {
    Role role = Role::Other;
    Side side = Side::None;
};

Kind classify(const std::string& name) {
    const std::vector<std::string> w = words(name);
    const std::set<std::string> has(w.begin(), w.end());
    const auto any = [&](std::initializer_list<const char*> list) {
        for (const char* s : list)
            if (has.count(s)) return true;
        return false;
    };
    Kind k;
    if (any({"left", "l", "lft"})) k.side = Side::Left;
    else if (any({"right", "r", "rgt"})) k.side = Side::Right;
    // The side may also lead a word: "lHand", "rFoot".
    const bool upper = any({"up", "upper"}), lower = any({"low", "lower", "fore"});
    if (any({"end", "nub", "tip", "top", "effector"})) k.role = Role::End;
    else if (any({"finger", "fingers", "thumb", "index", "middle", "ring", "pinky", "little", "digit"})) k.role = Role::Finger;
    else if (any({"jaw", "eye", "eyes", "lip", "brow", "eyebrow", "eyelid", "cheek", "mouth", "tail", "ptail", "hair",
                  "tongue", "teeth", "nose", "ear", "twist", "roll", "ik", "pole"}))
        k.role = Role::Other;
    else if (any({"toe", "toes", "toebase", "ball"})) k.role = Role::Toe;
    else if (any({"foot", "ankle"})) k.role = Role::Foot;
    else if (any({"calf", "shin", "knee", "lowerleg"}) || (has.count("leg") && lower)) k.role = Role::Shin;
    else if (any({"thigh", "upleg", "upperleg"}) || (has.count("leg") && upper)) k.role = Role::Thigh;
    else if (has.count("leg")) k.role = Role::Shin;
    else if (any({"hand", "wrist", "palm"})) k.role = Role::Hand;
    else if (any({"forearm", "lowerarm", "elbow"}) || (has.count("arm") && lower)) k.role = Role::Forearm;
    else if (any({"upperarm", "uparm", "arm", "humerus"})) k.role = Role::UpperArm;
    else if (any({"clavicle", "collar", "shoulder", "scapula"})) k.role = Role::Clavicle;
    else if (any({"neck"})) k.role = Role::Neck;
    else if (any({"head", "skull"})) k.role = Role::Head;
    else if (any({"spine", "chest", "torso", "abdomen", "back", "belly", "waist", "upperchest"})) k.role = Role::Spine;
    else if (any({"pelvis", "hips"})) k.role = Role::Pelvis;
    else if (any({"hip"})) k.role = k.side == Side::None ? Role::Pelvis : Role::Thigh;
    return k;
}

class Mapper {
  public:
    explicit Mapper(const std::vector<SkeletonJoint>& s) : s_(s) {
        kinds_.reserve(s.size());
        for (const SkeletonJoint& j : s) kinds_.push_back(classify(j.name));
        height_.assign(s.size(), 0);
        size_.assign(s.size(), 0);
        depth_.assign(s.size(), 0);
        for (size_t i = 0; i < s.size(); ++i) depth_[i] = s[i].parent < 0 ? 0 : depth_[size_t(s[i].parent)] + 1;
        for (size_t i = s.size(); i-- > 0;) {
            height_[i] += 1;
            size_[i] += 1;
            if (s[i].parent >= 0) {
                height_[size_t(s[i].parent)] = std::max(height_[size_t(s[i].parent)], height_[i]);
                size_[size_t(s[i].parent)] += size_[i];
            }
        }
    }

    BoneMapping run() {
        BoneMapping m;
        if (s_.empty()) {
            m.notes.push_back("the scene has no joints");
            return m;
        }
        findAnchors(m);
        if (pelvis_ < 0) {
            m.notes.push_back("no pelvis found: the skeleton has no joint where legs and spine part");
            return m;
        }
        mapBody(m);
        for (const Side side : {Side::Left, Side::Right}) {
            mapLimb(m, side == Side::Left ? ArmA : ArmB, hand_[idx(side)], chest_,
                    {Role::Clavicle, Role::UpperArm, Role::Forearm, Role::Hand}, armBranch_[idx(side)]);
            mapLimb(m, side == Side::Left ? LegA : LegB, legTip_[idx(side)], pelvis_, {Role::Thigh, Role::Shin, Role::Foot, Role::Toe},
                    legBranch_[idx(side)]);
        }
        return m;
    }

  private:
    static size_t idx(Side s) { return s == Side::Left ? 0 : 1; }
    Role role(int j) const { return kinds_[size_t(j)].role; }
    int parent(int j) const { return s_[size_t(j)].parent; }

    bool isAncestor(int a, int b) const { // a above b, or a == b
        for (; b >= 0; b = parent(b))
            if (b == a) return true;
        return false;
    }
    int commonAncestor(int a, int b) const {
        if (a < 0 || b < 0) return -1;
        while (depth_[size_t(a)] > depth_[size_t(b)]) a = parent(a);
        while (depth_[size_t(b)] > depth_[size_t(a)]) b = parent(b);
        while (a != b) a = parent(a), b = parent(b);
        return a;
    }
    /// Joints from below `top` down to `bottom` (both ends: top excluded, bottom included).
    std::vector<int> pathBelow(int top, int bottom) const {
        std::vector<int> path;
        for (int j = bottom; j >= 0 && j != top; j = parent(j)) path.push_back(j);
        std::reverse(path.begin(), path.end());
        return path;
    }
    /// The child that leads the longest way down (the first of equals).
    int tallestChild(int j, int except = -1) const {
        int best = -1;
        for (int c : s_[size_t(j)].children)
            if (c != except && (best < 0 || height_[size_t(c)] > height_[size_t(best)])) best = c;
        return best;
    }
    /// The shallowest joint of a role on a side (None: any side), or -1.
    int named(Role r, Side side) const {
        int best = -1;
        for (size_t i = 0; i < s_.size(); ++i)
            if (kinds_[i].role == r && (side == Side::None || kinds_[i].side == side) &&
                (best < 0 || depth_[i] < depth_[size_t(best)]))
                best = static_cast<int>(i);
        return best;
    }
    host::Vector centre(int j) const {
        host::Vector sum;
        int n = 0;
        std::function<void(int)> walk = [&](int k) {
            sum += s_[size_t(k)].position;
            ++n;
            for (int c : s_[size_t(k)].children) walk(c);
        };
        walk(j);
        return sum / n;
    }

    void findAnchors(BoneMapping& m) {
        for (const Side side : {Side::Left, Side::Right}) {
            hand_[idx(side)] = named(Role::Hand, side);
            const int toe = named(Role::Toe, side);
            legTip_[idx(side)] = toe >= 0 ? toe : named(Role::Foot, side);
        }
        int top = named(Role::Head, Side::None);
        if (top < 0) top = named(Role::Neck, Side::None);

        // Where the legs and the spine part; where the arms part.
        if (legTip_[0] >= 0 && legTip_[1] >= 0 && top >= 0)
            pelvis_ = commonAncestor(commonAncestor(legTip_[0], legTip_[1]), top);
        if (pelvis_ >= 0 && hand_[0] >= 0 && hand_[1] >= 0) {
            chest_ = commonAncestor(hand_[0], hand_[1]);
            if (!isAncestor(pelvis_, chest_) || chest_ == pelvis_) chest_ = -1;
        }
        if (pelvis_ >= 0 && chest_ >= 0 && top >= 0 && isAncestor(chest_, top)) top_ = top;
        if (pelvis_ < 0 || chest_ < 0) findByShape(m);
    }

    // No names to go by: the longest chains from the root. Legs and spine part at the first
    // joint with two long branches; arms and neck at the first joint above with three.
    void findByShape(BoneMapping& m) {
        int root = -1;
        for (size_t i = 0; i < s_.size(); ++i)
            if (s_[i].parent < 0 && (root < 0 || size_[i] > size_[size_t(root)])) root = static_cast<int>(i);
        const auto longBranches = [&](int j, int least) {
            int n = 0;
            for (int c : s_[size_t(j)].children) n += height_[size_t(c)] >= least;
            return n;
        };
        int j = root;
        while (j >= 0 && longBranches(j, 3) < 2) j = tallestChild(j);
        if (j < 0) return;
        pelvis_ = j;
        // The spine is the branch with the most joints.
        int spine = -1;
        for (int c : s_[size_t(pelvis_)].children)
            if (spine < 0 || size_[size_t(c)] > size_[size_t(spine)]) spine = c;
        int chest = spine;
        while (chest >= 0 && longBranches(chest, 2) < 3) {
            int next = -1;
            for (int c : s_[size_t(chest)].children)
                if (next < 0 || size_[size_t(c)] > size_[size_t(next)]) next = c;
            chest = next;
        }
        if (chest < 0) return;
        chest_ = chest;
        m.notes.push_back("names did not tell the body apart: found it by the skeleton's shape");
        shapeFound_ = true;

        // Up from the pelvis to the chest; the neck is the chest's branch that leads up most.
        const host::Vector up = host::normalise(s_[size_t(chest_)].position - s_[size_t(pelvis_)].position);
        int neck = -1;
        double best = -2;
        for (int c : s_[size_t(chest_)].children) {
            const double d = host::dot(host::normalise(centre(c) - s_[size_t(chest_)].position), up);
            if (d > best) best = d, neck = c;
        }
        top_ = neck;
        while (top_ >= 0 && tallestChild(top_) >= 0 && pathBelow(chest_, top_).size() < 2) top_ = tallestChild(top_);

        std::vector<int> arms, legs;
        for (int c : s_[size_t(chest_)].children)
            if (c != neck) arms.push_back(c);
        int legRoot = pelvis_;
        for (;;) {
            std::vector<int> rest;
            for (int c : s_[size_t(legRoot)].children)
                if (!isAncestor(c, chest_)) rest.push_back(c);
            if (rest.size() == 1 && legRoot == pelvis_) {
                legRoot = rest[0];
                continue;
            }
            legs = rest;
            break;
        }
        const auto tallestTwo = [&](std::vector<int> v) {
            std::stable_sort(v.begin(), v.end(), [&](int a, int b) { return height_[size_t(a)] > height_[size_t(b)]; });
            if (v.size() > 2) v.resize(2);
            return v;
        };
        arms = tallestTwo(arms);
        legs = tallestTwo(legs);

        // Left and right by the side of the body: the feet point forward.
        host::Vector forward{0, 0, 1};
        const host::Vector left = host::normalise(host::cross(up, forward));
        const auto sideOf = [&](int branch) {
            return host::dot(centre(branch) - s_[size_t(pelvis_)].position, left) >= 0 ? Side::Left : Side::Right;
        };
        for (const auto* group : {&arms, &legs}) {
            auto& out = group == &arms ? armBranch_ : legBranch_;
            if (group->size() == 2) {
                const bool firstLeft = sideOf((*group)[0]) == Side::Left;
                out[0] = (*group)[firstLeft ? 0 : 1];
                out[1] = (*group)[firstLeft ? 1 : 0];
            }
        }
        hand_ = {-1, -1};
        legTip_ = {-1, -1};
    }

    void fill(BoneMapping& m, int slot, int joint, MappedBy how) {
        m.joints[size_t(slot)] = joint;
        m.how[size_t(slot)] = joint < 0 ? MappedBy::None : how;
    }

    void mapBody(BoneMapping& m) {
        const MappedBy how = shapeFound_ ? MappedBy::Shape : MappedBy::Name;
        std::vector<int> lower = pathBelow(pelvis_, chest_); // up to the chest
        std::vector<int> upper = top_ >= 0 ? pathBelow(chest_, top_) : std::vector<int>{};
        std::vector<int> spine, necks, heads;
        for (int j : lower)
            if (role(j) == Role::Spine) spine.push_back(j);
        for (int j : upper) {
            if (role(j) == Role::Neck) necks.push_back(j);
            if (role(j) == Role::Head && heads.empty()) heads.push_back(j);
            if (role(j) == Role::Spine) spine.push_back(j);
        }
        std::vector<int> body;
        if (!shapeFound_ && spine.size() + necks.size() + heads.size() >= 3) {
            // By name: pelvis, spine, neck, head; extra necks go first, then spine joints are
            // thinned out evenly (keeping the top one, where the arms hang).
            while (1 + spine.size() + necks.size() + heads.size() > 6 && necks.size() > 1) necks.pop_back();
            if (1 + spine.size() + necks.size() + heads.size() > 6) {
                const size_t keep = 5 - necks.size() - heads.size();
                spine = thinned(spine, keep);
            }
            body.push_back(pelvis_);
            for (const auto* part : {&spine, &necks, &heads}) body.insert(body.end(), part->begin(), part->end());
        } else {
            // By shape: the chest in slot 3, the two joints above it after.
            std::vector<int> rest = upper;
            if (top_ >= 0)
                for (int j = tallestChild(top_); j >= 0 && rest.size() < 3; j = tallestChild(j)) rest.push_back(j);
            body.push_back(pelvis_);
            const size_t fromRest = std::min<size_t>(rest.size(), std::max<size_t>(2, 5 - std::min<size_t>(lower.size(), 3)));
            const std::vector<int> mid = thinned(lower, 5 - fromRest);
            body.insert(body.end(), mid.begin(), mid.end());
            body.insert(body.end(), rest.begin(), rest.begin() + static_cast<long>(std::min(rest.size(), 6 - body.size())));
        }
        for (size_t i = 0; i < body.size() && i < 6; ++i) fill(m, BodyFirst + static_cast<int>(i), body[i], how);
    }

    /// `keep` joints of the chain spread evenly, the last always among them.
    static std::vector<int> thinned(const std::vector<int>& chain, size_t keep) {
        if (chain.size() <= keep) return chain;
        std::vector<int> out;
        for (size_t i = 0; i < keep; ++i) out.push_back(chain[(i + 1) * chain.size() / keep - 1]);
        return out;
    }

    void mapLimb(BoneMapping& m, int firstSlot, int tip, int from, const std::array<Role, 4>& roles, int branch) {
        std::vector<int> chain;
        MappedBy how = MappedBy::Name;
        if (tip >= 0 && from >= 0 && isAncestor(from, tip)) {
            chain = pathBelow(from, tip);
            // Joints above both limbs of a pair (a lower pelvis) belong to neither.
            const int other = (firstSlot == ArmA || firstSlot == ArmB) ? hand_[firstSlot == ArmA ? 1 : 0]
                                                                       : legTip_[firstSlot == LegA ? 1 : 0];
            if (other >= 0) std::erase_if(chain, [&](int j) { return isAncestor(j, other); });
            if (chain.size() > 4) {
                std::vector<int> picked;
                size_t at = 0;
                for (Role r : roles)
                    for (; at < chain.size(); ++at)
                        if (role(chain[at]) == r) {
                            picked.push_back(chain[at++]);
                            break;
                        }
                chain = picked.size() == 4 ? picked : std::vector<int>(chain.end() - 4, chain.end());
            }
        } else if (branch >= 0) {
            how = MappedBy::Shape;
            for (int j = branch; j >= 0 && chain.size() < 4; j = tallestChild(j)) chain.push_back(j);
        }
        if (!chain.empty() && chain.size() < 4 && how == MappedBy::Name) {
            // Too short a chain: its last joint's child completes it.
            for (int j = tallestChild(chain.back()); j >= 0 && chain.size() < 4; j = tallestChild(j)) chain.push_back(j);
            m.notes.push_back(std::string(slotSymbols()[size_t(firstSlot)]).substr(0, 5) + " chain is short: completed with " +
                              s_[size_t(chain.back())].name);
        }
        for (size_t i = 0; i < chain.size() && i < 4; ++i) fill(m, firstSlot + static_cast<int>(i), chain[i], how);
    }

    const std::vector<SkeletonJoint>& s_;
    std::vector<Kind> kinds_;
    std::vector<int> height_, size_, depth_;
    int pelvis_ = -1, chest_ = -1, top_ = -1;
    bool shapeFound_ = false;
    std::array<int, 2> hand_{-1, -1}, legTip_{-1, -1}, armBranch_{-1, -1}, legBranch_{-1, -1};
};

const char* howText(MappedBy how) {
    switch (how) {
    case MappedBy::Name: return "name";
    case MappedBy::Shape: return "shape";
    case MappedBy::File: return "file";
    case MappedBy::None: break;
    }
    return "";
}

} // namespace

std::vector<SkeletonJoint> skeletonOf(const host::Document& doc) {
    std::vector<SkeletonJoint> out;
    std::map<host::NodeId, int> index;
    for (const host::Object& o : allObjects(doc)) {
        if (o.type() != host::type::Joint) continue;
        SkeletonJoint j;
        j.name = o.name();
        j.path = objectPath(o);
        j.position = o.globalPosition();
        j.id = o.id();
        for (host::Object p = o.parent(); p.alive(); p = p.parent())
            if (const auto it = index.find(p.id()); it != index.end()) {
                j.parent = it->second;
                break;
            }
        index[o.id()] = static_cast<int>(out.size());
        if (j.parent >= 0) out[size_t(j.parent)].children.push_back(static_cast<int>(out.size()));
        out.push_back(std::move(j));
    }
    return out;
}

bool BoneMapping::complete() const {
    return std::all_of(joints.begin(), joints.end(), [](int j) { return j >= 0; });
}

std::vector<int> BoneMapping::unfilledSlots() const {
    std::vector<int> out;
    for (size_t i = 0; i < joints.size(); ++i)
        if (joints[i] < 0) out.push_back(static_cast<int>(i));
    return out;
}

const std::array<const char*, 22>& slotSymbols() {
    static const std::array<const char*, 22> symbols{
        "BODY_BONE_1",  "BODY_BONE_2",  "BODY_BONE_3",  "BODY_BONE_4",  "BODY_BONE_5",  "BODY_BONE_6",
        "ARM_A_BONE_1", "ARM_A_BONE_2", "ARM_A_BONE_3", "ARM_A_BONE_4", "LEG_A_BONE_1", "LEG_A_BONE_2",
        "LEG_A_BONE_3", "LEG_A_BONE_4", "ARM_B_BONE_1", "ARM_B_BONE_2", "ARM_B_BONE_3", "ARM_B_BONE_4",
        "LEG_B_BONE_1", "LEG_B_BONE_2", "LEG_B_BONE_3", "LEG_B_BONE_4"};
    return symbols;
}

BoneMapping mapBones(const std::vector<SkeletonJoint>& skeleton) { return Mapper(skeleton).run(); }

void applyMappingFile(BoneMapping& mapping, const std::vector<SkeletonJoint>& skeleton, const std::string& file) {
    std::ifstream in(file);
    if (!in) throw CommandError(file + ": cannot read the mapping file");
    const nlohmann::json j = nlohmann::json::parse(in, nullptr, false);
    if (j.is_discarded() || !j.is_object())
        throw CommandError(file + ": a mapping file is one JSON object from slot symbol to joint name or path");
    const auto& symbols = slotSymbols();
    for (const auto& item : j.items()) {
        const std::string symbol = item.key();
        const nlohmann::json& value = item.value();
        const auto at = std::find_if(symbols.begin(), symbols.end(), [&](const char* s) { return symbol == s; });
        if (at == symbols.end()) throw CommandError(file + ": \"" + symbol + "\" is not a bone slot (BODY_BONE_1 ... LEG_B_BONE_4)");
        if (!value.is_string()) throw CommandError(file + ": " + symbol + ": expected a joint name or path");
        const std::string wanted = value.get<std::string>();
        std::vector<int> found;
        for (size_t i = 0; i < skeleton.size(); ++i)
            if (skeleton[i].path == wanted) found = {static_cast<int>(i)};
        if (found.empty())
            for (size_t i = 0; i < skeleton.size(); ++i)
                if (skeleton[i].name == wanted) found.push_back(static_cast<int>(i));
        if (found.empty()) throw CommandError(file + ": " + symbol + ": no joint named \"" + wanted + "\"");
        if (found.size() > 1) {
            std::string paths;
            for (int f : found) paths += (paths.empty() ? "" : ", ") + skeleton[size_t(f)].path;
            throw CommandError(file + ": " + symbol + ": several joints are named \"" + wanted + "\" (" + paths + "); give a path");
        }
        const size_t slot = static_cast<size_t>(at - symbols.begin());
        mapping.joints[slot] = found.front();
        mapping.how[slot] = MappedBy::File;
    }
}

std::string mappingTable(const BoneMapping& mapping, const std::vector<SkeletonJoint>& skeleton) {
    std::ostringstream out;
    out << "slot  symbol        joint                          found by\n";
    for (size_t i = 0; i < 22; ++i) {
        std::string joint = mapping.joints[i] < 0 ? "(not found)" : skeleton[size_t(mapping.joints[i])].name;
        out << (i < 10 ? " " : "") << i << "    " << slotSymbols()[i] << std::string(14 - std::string(slotSymbols()[i]).size(), ' ')
            << joint << std::string(joint.size() < 31 ? 31 - joint.size() : 1, ' ') << howText(mapping.how[i]) << "\n";
    }
    for (const std::string& note : mapping.notes) out << "note: " << note << "\n";
    const auto unfilled = mapping.unfilledSlots();
    if (!unfilled.empty()) {
        out << "Could not fill " << unfilled.size() << " of 22 slots:";
        for (int s : unfilled) out << " " << slotSymbols()[size_t(s)];
        out << " (name them in a mapping file: --map FILE)\n";
    }
    return out.str();
}

} // namespace flumpet::app
