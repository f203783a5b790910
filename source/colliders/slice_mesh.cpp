#include "colliders/slice_mesh.h"

#include "colliders/bone_ends.h"
#include "colliders/collider_lists.h"
#include "colliders/plane_cut.h"
#include "colliders/prepare_mesh.h"
#include "command_context.h"
#include "parameters.h"
#include "random.h"

#include <string>
#include <vector>

namespace flumpet {

using host::Vector;

namespace {

/// Document parameter 1019 is written back with these set-parameter flags.
constexpr int32_t WriteBackFlags = 8;

Vector midpoint(const Vector& a, const Vector& b) {
    return (a + b) * 0.5;
}

/// Frees what a slice made and did not hand to the document (the working copy, a piece that
/// failed), whichever way the slice ends.
class FreeUnlessInserted {
  public:
    ~FreeUnlessInserted() {
        for (const host::Object& o : objects_)
            if (o.alive() && !o.document().alive()) o.free();
    }
    void add(const host::Object& o) { objects_.push_back(o); }

  private:
    std::vector<host::Object> objects_;
};

/// The joints below an end bone's child, the child first: c when it is a joint, then every
/// joint met walking down by first children.
std::vector<host::Object> childChain(const host::Object& child) {
    std::vector<host::Object> chain;
    for (host::Object o = child; o.alive(); o = o.firstChild())
        if (o.type() == host::type::Joint) chain.push_back(o);
    return chain;
}

struct Plane {
    Vector p0, n;
};

/// The plane where the bone's piece ends toward its end object: at E facing the bone, or, when
/// the weight tag knows E as a joint with a bone, 5% back toward the bone and tilted to the
/// bisector with the next bone.
Plane endPlane(const host::WeightTag& weights, const host::Object& end, const Vector& b) {
    const Vector e = end.globalPosition();
    Plane plane{e, b - e};
    const int32_t index = weights.jointIndex(end);
    if (index == -1) return plane;
    host::Bone next;
    if (!host::boneOf(weights.joint(index), next)) return plane;
    plane.p0 = e + (b - e) * 0.05;
    plane.n = -(host::normalise(e - b) + host::normalise(next.frame.v3 * next.length)) / 2.0;
    return plane;
}

class Slicer {
  public:
    Slicer(const host::Object& generator, const host::Object& mesh, const host::Object& bone,
           const host::WeightTag& weights)
        : generator_(generator), mesh_(mesh), bone_(bone), weights_(weights), slots_(generator),
          doc_(host::activeDocument(*bone.host())) {}

    bool run(int32_t mode);

  private:
    bool cutBone(const host::Object& end, const host::Object& previous);
    bool cutEndBone(const host::Object& previous);
    bool cutLandmarks();
    void cutSiblings();
    bool rebase();
    bool finish(int32_t mode);
    bool cut(const Vector& p0, const Vector& n) { return cutByPlane(piece_, p0, n, false); }
    host::WeightTag weightsOnCopy() const;
    /// Replaces the working copy by the part of it an end bone's piece can come from.
    void narrowToEndBoneRegion();
    void error(const std::string& text) const { bone_.host()->consoleLine(text + " (" + bone_.name() + ")"); }
    bool isEndBone() const { return slots_.is(ARM_A_BONE_4, bone_) || slots_.is(ARM_B_BONE_4, bone_); }

    host::Object generator_, mesh_, bone_;
    host::WeightTag weights_;
    SlotBones slots_;
    host::Document doc_;
    host::Object copy_, piece_;
    /// The copy's own weight tag: it follows the copy's points through the cuts, where the
    /// mesh's tag would name points by their indices before the cut.
    host::WeightTag copyWeights_;
    std::vector<host::Object> joints_;
    Vector b_;
    FreeUnlessInserted leftovers_;
};

bool Slicer::run(int32_t mode) {
    const int32_t modelingState = doc_.data().getInt(host::docparam::ModelingState);
    CommandContext& ctx = commandContext();
    ctx.created = ensureList(generator_, SETTINGS_CREATED_OBJECTS);
    ctx.extra = ensureList(generator_, ADDITIONAL_InEx_CREATED_OBJECTS);

    joints_ = {bone_};
    const host::Object cache = mesh_.deformCache();
    copy_ = (cache.alive() ? cache : mesh_).clone();
    leftovers_.add(copy_);
    copy_.setGlobalMatrix(mesh_.globalMatrix());
    copyWeights_ = weightsOnCopy();
    b_ = bone_.globalPosition();

    const host::Object end = boneEndObject(generator_, bone_);
    const host::Object previous = bonePreviousObject(generator_, bone_);
    if (isEndBone()) narrowToEndBoneRegion();
    if (!(isEndBone() ? cutEndBone(previous) : cutBone(end, previous))) return false;
    if (!cutLandmarks()) return false;
    cutSiblings();
    if (!rebase() || !finish(mode)) return false;
    doc_.setParameter(host::DescID(host::docparam::ModelingState), modelingState, WriteBackFlags);
    return true;
}

void Slicer::narrowToEndBoneRegion() {
    // An end bone's piece is made of polygons weighted to it and its child chains, and every
    // trim it makes works on such polygons alone: working on them instead of the whole mesh
    // gives the same piece, without whole-mesh work for each finger.
    std::vector<host::Object> region{bone_};
    for (host::Object child = bone_.firstChild(); child.alive(); child = child.next()) {
        const std::vector<host::Object> chain = childChain(child);
        region.insert(region.end(), chain.begin(), chain.end());
    }
    int32_t tagIndex = 0;
    while (copy_.tag(host::tagtype::Weight, tagIndex).alive() && !(copy_.tag(host::tagtype::Weight, tagIndex) == copyWeights_))
        ++tagIndex;
    if (!(copy_.tag(host::tagtype::Weight, tagIndex) == copyWeights_)) return;
    auto [ok, part] = prepareMesh(copy_, copyWeights_, region, true);
    leftovers_.add(part);
    const host::WeightTag partWeights(part.tag(host::tagtype::Weight, tagIndex));
    // Without its weights the region cannot stand in for the copy; the whole copy is used.
    if (!ok || !part.alive() || !partWeights.alive()) return;
    part.setName(copy_.name());
    part.setGlobalMatrix(copy_.globalMatrix());
    copy_ = part;
    copyWeights_ = partWeights;
}

host::WeightTag Slicer::weightsOnCopy() const {
    int32_t n = 0;
    for (host::Tag t = mesh_.tag(host::tagtype::Weight); t.alive() && !(t == weights_);
         t = mesh_.tag(host::tagtype::Weight, ++n)) {
    }
    const host::WeightTag own(copy_.tag(host::tagtype::Weight, n));
    if (own.alive()) return own;
    // A deform cache carries no tags: the copy gets a copy of the mesh's.
    host::Host& host = *copy_.host();
    const host::Tag clone(&host, host.cloneNode(weights_.id()));
    if (!clone.alive() || !copy_.insertTag(clone)) {
        clone.free();
        return weights_;
    }
    return host::WeightTag(clone);
}

bool Slicer::cutBone(const host::Object& end, const host::Object& previous) {
    const Vector e = end.globalPosition(), prev = previous.globalPosition();
    Vector p0 = b_ + (e - b_) * 0.05;
    Vector n = (host::normalise(e - b_) + host::normalise(b_ - prev)) / 2.0;
    if (slots_.is(LEG_A_BONE_1, bone_) || slots_.is(LEG_B_BONE_1, bone_)) n = e - b_;
    if (slots_.is(BODY_BONE_1, bone_)) {
        p0 = midpoint(slots_.position(LEG_A_BONE_1), slots_.position(LEG_B_BONE_1));
        n = e - b_;
    }
    if (slots_.is(LEG_A_BONE_4, bone_) || slots_.is(LEG_B_BONE_4, bone_)) {
        p0 = b_;
        n = b_ - prev;
    }

    auto [ok, piece] = prepareMesh(copy_, copyWeights_, joints_, true);
    piece_ = piece;
    leftovers_.add(piece_);
    if (!ok || !piece_.alive()) {
        error("Flumpet Error: sliceMesh() / prepareMesh() :");
        return false;
    }
    if (!cut(p0, n)) return false;

    const bool lastOfChain = slots_.is(BODY_BONE_6, bone_) || slots_.is(LEG_A_BONE_4, bone_) ||
                             slots_.is(LEG_B_BONE_4, bone_);
    if (lastOfChain || !bone_.firstChild().alive()) return true;
    const Plane plane = endPlane(weights_, end, b_);
    return cut(plane.p0, plane.n);
}

bool Slicer::cutEndBone(const host::Object& previous) {
    if (!bone_.firstChild().alive()) return false;
    for (host::Object child = bone_.firstChild(); child.alive(); child = child.next()) {
        const std::vector<host::Object> chain = childChain(child);
        joints_.insert(joints_.end(), chain.begin(), chain.end());
        if (chain.empty()) continue;
        const Vector f0 = chain[0].globalPosition();
        const Vector n = chain.size() >= 2 ? f0 - chain[1].globalPosition() : b_ - f0;
        // Trims the chain's weighted part beyond its first joint out of the working copy.
        auto [ok, region] = prepareMesh(copy_, copyWeights_, chain, false);
        if (!ok || !region.alive()) {
            error("Flumpet Error: sliceMesh() : no mesh!");
            return false;
        }
        if (!cutByPlane(region, f0, n, true)) return false;
    }

    auto [ok, piece] = prepareMesh(copy_, copyWeights_, joints_, true);
    piece_ = piece;
    leftovers_.add(piece_);
    if (!ok || !piece_.alive()) {
        error("Flumpet Error: sliceMesh() : no mesh!");
        return false;
    }
    if (!cut(b_, b_ - previous.globalPosition())) return false;

    keepNearestPart(bone_, piece_, doc_);
    const host::PolygonObject polygons(piece_);
    const host::Selection strays = polygons.pointSelection();
    if (auto kernel = polygons.openModeling()) {
        strays.forEach([&](int32_t point) {
            if (!kernel->deletePoint(point)) bone_.host()->consoleLine("Delete Point failing " + std::to_string(point));
        });
        kernel->commit(host::modelingflag::CommitUpdate);
    }
    return true;
}

bool Slicer::cutLandmarks() {
    if (slots_.is(LEG_A_BONE_1, bone_) || slots_.is(LEG_B_BONE_1, bone_)) {
        // Keeps this leg's side of the hips.
        const Vector m = midpoint(slots_.position(LEG_A_BONE_1), slots_.position(LEG_B_BONE_1));
        if (!cut(m, b_ - m)) return false;
    }
    const Vector chest = slots_.position(BODY_BONE_4);
    const Vector armA1 = slots_.position(ARM_A_BONE_1), armB1 = slots_.position(ARM_B_BONE_1);
    if (slots_.is(ARM_A_BONE_1, bone_) || slots_.is(ARM_B_BONE_1, bone_)) {
        if (!cut(chest, midpoint(armA1, armB1) - chest)) return false;
    }
    if (slots_.is(BODY_BONE_4, bone_)) {
        // Removes what lies beyond the first bones of the two arms.
        if (!cut(armB1, (chest - slots_.position(ARM_B_BONE_2)) / 2.0)) return false;
        if (!cut(armA1, (chest - slots_.position(ARM_A_BONE_2)) / 2.0)) return false;
    }
    if (slots_.is(BODY_BONE_5, bone_)) {
        // Keeps what lies between the first bones of the two arms.
        if (!cut(armB1, armA1 - armB1)) return false;
        if (!cut(armA1, armB1 - armA1)) return false;
    }
    return true;
}

void Slicer::cutSiblings() {
    const host::Object parent = bone_.parent();
    if (parent.type() != host::type::Joint) return;
    for (host::Object s = parent.firstChild(); s.alive(); s = s.next()) {
        if (s == bone_ || s.type() != host::type::Joint) continue;
        const Vector p0 = b_ + (s.globalPosition() - b_) * 0.45;
        // A failed sibling cut leaves the piece as it was.
        if (cut(p0, b_ - p0)) keepNearestPart(bone_, piece_, doc_);
    }
}

bool Slicer::rebase() {
    const host::PolygonObject piece(piece_);
    auto kernel = piece.openModeling();
    if (!kernel) return true;
    if (piece.pointCount() == 0) return false;
    const host::Matrix toBone = host::inverse(bone_.globalMatrix()) * piece.globalMatrix();
    const auto points = piece.points();
    for (int32_t i = 0; i < static_cast<int32_t>(points.size()); ++i)
        if (!kernel->setPoint(i, toBone * points[static_cast<size_t>(i)], host::modelingflag::None))
            bone_.host()->consoleLine("Set Point failing " + std::to_string(i));
    kernel->commit(host::modelingflag::CommitUpdate);
    piece.setGlobalMatrix({});
    return true;
}

bool Slicer::finish(int32_t mode) {
    for (const int32_t type : {host::tagtype::Texture, host::tagtype::Weight, host::tagtype::SkinBinding})
        for (host::Tag tag = piece_.tag(type); tag.alive(); tag = piece_.tag(type)) {
            tag.remove();
            tag.free();
        }
    piece_.setName(bone_.name() + "_" + copy_.name() + "_collider");
    piece_.setParameter(host::DescID(host::param::RenderVisibility), int32_t{1});
    piece_.setParameter(host::DescID(host::param::UseDisplayColour), int32_t{2});
    const float hue = randomInRange(0.1F, 0.9F);
    piece_.setParameter(host::DescID(host::param::DisplayColour), host::hsvToRgb({hue, 0.81, 0.86}));

    if (!piece_.insertUnderLast(bone_)) return false;
    listCollider(piece_, mode);
    doc_.addUndo(host::undo::NewObject, piece_);
    weights_.message(host::msg::Update);
    return true;
}

} // namespace

bool sliceMesh(const host::Object& generator, const host::Object& mesh, const host::Object& bone,
               const host::WeightTag& weights, int32_t mode) {
    if (!bone.alive() || !bone.host()) return false;
    return Slicer(generator, mesh, bone, weights).run(mode);
}

} // namespace flumpet
