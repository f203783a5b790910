// Filling the generator's 22 bone slots from a character's skeleton: by the joints' names in
// the common naming schemes, by the skeleton's shape where names do not tell, or from a mapping
// file.
#pragma once

#include "host/math.h"
#include "host/nodes.h"

#include <array>
#include <map>
#include <string>
#include <vector>

namespace flumpet::app {

/// The joints of a document, parents before children.
struct SkeletonJoint {
    std::string name;
    std::string path;
    int parent = -1; ///< nearest joint above, -1 at the top
    std::vector<int> children;
    host::Vector position; ///< world space
    host::NodeId id = host::NoNode;
};
std::vector<SkeletonJoint> skeletonOf(const host::Document& doc);

/// How a slot got its joint.
enum class MappedBy { None, Name, Shape, File };

struct BoneMapping {
    /// Joint index per slot (slot order of the template), -1 when unfilled.
    std::array<int, 22> joints;
    std::array<MappedBy, 22> how;
    /// Remarks for the user: what was guessed and why.
    std::vector<std::string> notes;

    BoneMapping() {
        joints.fill(-1);
        how.fill(MappedBy::None);
    }
    bool complete() const;
    std::vector<int> unfilledSlots() const;
};

/// The slot symbols in slot order (BODY_BONE_1 ... LEG_B_BONE_4).
const std::array<const char*, 22>& slotSymbols();

/// Maps the skeleton automatically. The first arm and leg are the character's left.
BoneMapping mapBones(const std::vector<SkeletonJoint>& skeleton);

/// Applies a mapping file: a JSON object from slot symbol to joint name or path. Its entries
/// replace the automatic choice. Throws CommandError naming the file and the entry that is
/// wrong (unknown symbol, joint not found, a name several joints share).
void applyMappingFile(BoneMapping& mapping, const std::vector<SkeletonJoint>& skeleton, const std::string& file);

/// The mapping as a table for the user, with a last line naming the slots left unfilled.
std::string mappingTable(const BoneMapping& mapping, const std::vector<SkeletonJoint>& skeleton);

} // namespace flumpet::app
