#include "model_import.h"

#include "host/geometry_handles.h"
#include "host/ids.h"
#include "object_paths.h"
#include "scene/engine.h"
#include "scene/scene_file.h"

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <cmath>
#include <algorithm>
#include <cstring>
#include <exception>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <pthread.h>

namespace flumpet::app {

namespace {

host::Matrix toMatrix(const aiMatrix4x4& m) {
    // Column vectors: the axes are the first three columns, the offset the fourth.
    host::Matrix out;
    out.v1 = {m.a1, m.b1, m.c1};
    out.v2 = {m.a2, m.b2, m.c2};
    out.v3 = {m.a3, m.b3, m.c3};
    out.off = {m.a4, m.b4, m.c4};
    return out;
}

/// A node's children; empty places (some readers leave them) are skipped.
std::vector<const aiNode*> childrenOf(const aiNode* n) {
    std::vector<const aiNode*> out;
    if (!n || !n->mChildren) return out;
    for (unsigned i = 0; i < n->mNumChildren; ++i)
        if (n->mChildren[i]) out.push_back(n->mChildren[i]);
    return out;
}

/// Hash of an exact position, for welding.
struct PositionKey {
    double x, y, z;
    bool operator==(const PositionKey& o) const { return x == o.x && y == o.y && z == o.z; }
};
struct PositionHash {
    size_t operator()(const PositionKey& k) const {
        auto bits = [](double d) {
            if (d == 0.0) d = 0.0; // -0 and +0 weld
            uint64_t u;
            std::memcpy(&u, &d, sizeof u);
            return u;
        };
        size_t h = bits(k.x);
        h = h * 1000003u ^ bits(k.y);
        h = h * 1000003u ^ bits(k.z);
        return h;
    }
};

class Importer {
  public:
    Importer(scene::Engine& engine, const host::Document& doc, const std::string& path,
             const std::function<void(const std::string&)>& note)
        : engine_(engine), doc_(doc), path_(path), note_(note) {}

    ImportReport run(const aiScene& scene) {
        scene_ = &scene;
        // Without meshes of its own the import library makes stand-in meshes; they are not the
        // character's.
        meshes_ = (scene.mFlags & AI_SCENE_FLAGS_INCOMPLETE) ? 0 : scene.mNumMeshes;
        markBones();
        globals_[scene.mRootNode] = toMatrix(scene.mRootNode->mTransformation);
        computeGlobals(scene.mRootNode);
        for (unsigned m = 0; m < meshes_; ++m) collectBindPoses(*scene.mMeshes[m]);
        build(scene.mRootNode, host::Object{});
        return report_;
    }

  private:
    [[noreturn]] void fail(const std::string& what) const { throw CommandError(path_ + ": " + what); }

    // The arrays a mesh claims must be there before anything follows them.
    void checkMesh(const aiMesh* mesh) const {
        if (!mesh) fail("a mesh is missing");
        const std::string name = mesh->mName.C_Str();
        if ((mesh->mNumVertices && !mesh->mVertices) || (mesh->mNumFaces && !mesh->mFaces) ||
            (mesh->mNumBones && !mesh->mBones))
            fail("mesh \"" + name + "\" is incomplete");
        for (unsigned b = 0; b < mesh->mNumBones; ++b)
            if (!mesh->mBones[b] || (mesh->mBones[b]->mNumWeights && !mesh->mBones[b]->mWeights))
                fail("mesh \"" + name + "\" has an incomplete bone");
        for (unsigned f = 0; f < mesh->mNumFaces; ++f)
            if (mesh->mFaces[f].mNumIndices && !mesh->mFaces[f].mIndices) fail("mesh \"" + name + "\" has an incomplete face");
    }

    // Bones are the nodes the meshes name; nodes between bones count as joints too.
    void markBones() {
        if (meshes_ && !scene_->mMeshes) fail("the meshes are missing");
        for (unsigned m = 0; m < meshes_; ++m) checkMesh(scene_->mMeshes[m]);
        std::unordered_set<std::string> boneNames;
        for (unsigned m = 0; m < meshes_; ++m)
            for (unsigned b = 0; b < scene_->mMeshes[m]->mNumBones; ++b)
                boneNames.insert(scene_->mMeshes[m]->mBones[b]->mName.C_Str());
        // Depth first, so that every name's first node is the one the file lists first.
        std::vector<std::pair<const aiNode*, int>> stack{{scene_->mRootNode, 0}};
        while (!stack.empty()) {
            const auto [n, depth] = stack.back();
            stack.pop_back();
            // Every node becomes an object, and meshes of a node with more may sit one level below.
            const int objectDepth = depth + (n->mNumMeshes ? 1 : 0);
            if (objectDepth > scene::MaxHierarchyDepth)
                fail("the hierarchy is more than " + std::to_string(scene::MaxHierarchyDepth) +
                     " levels deep, deeper than a scene file holds");
            nodesByName_[n->mName.C_Str()].push_back(n);
            if (boneNames.count(n->mName.C_Str())) bones_.insert(n);
            const auto children = childrenOf(n);
            for (auto c = children.rbegin(); c != children.rend(); ++c) stack.push_back({*c, depth + 1});
        }

        for (const aiNode* bone : std::vector<const aiNode*>(bones_.begin(), bones_.end())) {
            // Walk up to the next bone; what lies between is part of the skeleton.
            std::vector<const aiNode*> between;
            for (const aiNode* p = bone->mParent; p; p = p->mParent) {
                if (bones_.count(p)) {
                    joints_.insert(between.begin(), between.end());
                    break;
                }
                between.push_back(p);
            }
        }
        joints_.insert(bones_.begin(), bones_.end());
    }

    void computeGlobals(const aiNode* n) {
        for (const aiNode* c : childrenOf(n)) {
            globals_[c] = globals_[n] * toMatrix(c->mTransformation);
            computeGlobals(c);
        }
    }

    /// A node's names from the root down, as the scene will show it (before renaming).
    static std::string quotedPath(const aiNode* n) {
        std::string path = n->mName.C_Str();
        for (const aiNode* p = n->mParent; p; p = p->mParent) path = std::string(p->mName.C_Str()) + "/" + path;
        return "\"" + path + "\"";
    }

    // A bone's bind pose is the inverse of its offset matrix, placed by the mesh's node.
    void collectBindPoses(const aiMesh& mesh) {
        const aiNode* owner = meshOwner(mesh);
        const host::Matrix meshGlobal = owner ? globals_[owner] : host::Matrix{};
        const std::vector<const aiNode*>& nodes = boneNodes(mesh);
        for (unsigned b = 0; b < mesh.mNumBones; ++b) {
            const aiBone& bone = *mesh.mBones[b];
            const host::Matrix offset = toMatrix(bone.mOffsetMatrix);
            if (!host::isFinite(offset) || offset.determinant() == 0.0)
                fail("bone \"" + std::string(bone.mName.C_Str()) + "\" has an unusable bind matrix");
            bindGlobals_.emplace(nodes[b], meshGlobal * host::inverse(offset));
        }
    }

    /// The node of each bone of a mesh. Bones name their nodes; when several nodes carry one
    /// name, the mesh's k-th bone of that name goes to the k-th such node in file order, so
    /// that each keeps its own weights.
    const std::vector<const aiNode*>& boneNodes(const aiMesh& mesh) {
        if (const auto it = boneNodes_.find(&mesh); it != boneNodes_.end()) return it->second;
        std::vector<const aiNode*> out;
        std::map<std::string, size_t> seen;
        std::set<std::string> told;
        const std::string meshName = mesh.mName.C_Str();
        for (unsigned b = 0; b < mesh.mNumBones; ++b) {
            const std::string name = mesh.mBones[b]->mName.C_Str();
            const auto it = nodesByName_.find(name);
            if (it == nodesByName_.end()) fail("bone \"" + name + "\" has no node");
            const size_t k = seen[name]++;
            const std::vector<const aiNode*>& candidates = it->second;
            out.push_back(candidates[std::min(k, candidates.size() - 1)]);
            if (candidates.size() > 1 && told.insert(name).second)
                note_("bone name \"" + name + "\" is carried by " + std::to_string(candidates.size()) +
                      " nodes; mesh \"" + meshName + "\" weights them in the order the file lists them");
            if (k >= candidates.size())
                note_("mesh \"" + meshName + "\" names bone \"" + name + "\" more often than nodes carry it; "
                      "the extra weights are kept on " + quotedPath(candidates.back()));
        }
        return boneNodes_.emplace(&mesh, std::move(out)).first->second;
    }

    const aiNode* meshOwner(const aiMesh& mesh) {
        if (meshOwners_.empty()) {
            std::vector<const aiNode*> stack{scene_->mRootNode};
            while (!stack.empty()) {
                const aiNode* n = stack.back();
                stack.pop_back();
                for (unsigned i = 0; i < n->mNumMeshes && n->mMeshes; ++i)
                    if (n->mMeshes[i] < meshes_) meshOwners_.emplace(scene_->mMeshes[n->mMeshes[i]], n);
                for (const aiNode* c : childrenOf(n)) stack.push_back(c);
            }
        }
        const auto it = meshOwners_.find(&mesh);
        return it == meshOwners_.end() ? nullptr : it->second;
    }

    /// Where a node stands: bones in their bind pose, other nodes as the file places them
    /// relative to their parent's standing.
    host::Matrix standing(const aiNode* n) {
        if (const auto it = standing_.find(n); it != standing_.end()) return it->second;
        host::Matrix m;
        if (const auto bind = bindGlobals_.find(n); bind != bindGlobals_.end())
            m = bind->second;
        else
            m = (n->mParent ? standing(n->mParent) : host::Matrix{}) * toMatrix(n->mTransformation);
        standing_.emplace(n, m);
        return m;
    }

    std::string uniqueName(const std::string& wanted) {
        std::string name = wanted.empty() ? "Unnamed" : wanted;
        if (usedNames_.insert(name).second) return name;
        for (int i = 1;; ++i) {
            const std::string candidate = name + "." + std::to_string(i);
            if (usedNames_.insert(candidate).second) {
                note_("renamed \"" + name + "\" to \"" + candidate + "\": the name was taken");
                return candidate;
            }
        }
    }

    host::Object insert(int32_t type, const std::string& name, const host::Object& parent, const host::Matrix& global) {
        if (!host::isFinite(global)) fail("node \"" + name + "\" has a transform that is not finite");
        host::Object o(&engine_, engine_.allocObject(type));
        o.setName(uniqueName(name));
        doc_.insertLast(o, parent);
        o.setGlobalMatrix(global);
        return o;
    }

    void build(const aiNode* n, const host::Object& parent) {
        const bool joint = joints_.count(n) != 0;
        const unsigned meshCount = meshes_ ? n->mNumMeshes : 0;
        if (meshCount && !n->mMeshes) fail("node \"" + std::string(n->mName.C_Str()) + "\" names a missing mesh");
        for (unsigned i = 0; i < meshCount; ++i)
            if (n->mMeshes[i] >= meshes_) fail("node \"" + std::string(n->mName.C_Str()) + "\" names a missing mesh");
        const std::vector<const aiNode*> children = childrenOf(n);
        if (!joint && meshCount == 1 && children.empty()) {
            // A node that only holds a mesh becomes that polygon object itself.
            pendingMeshes_.push_back({scene_->mMeshes[n->mMeshes[0]], parent, n, n->mName.C_Str()});
        } else {
            const host::Object o = insert(joint ? host::type::Joint : host::type::Null, n->mName.C_Str(), parent, standing(n));
            jointObjects_.emplace(n, o);
            if (joint) ++report_.joints;
            for (const aiNode* c : children) build(c, o);
            for (unsigned i = 0; i < meshCount; ++i) {
                const aiMesh* mesh = scene_->mMeshes[n->mMeshes[i]];
                const std::string name = mesh->mName.length ? mesh->mName.C_Str() : std::string(n->mName.C_Str()) + "_Mesh";
                pendingMeshes_.push_back({mesh, o, n, name});
            }
        }
        // Meshes come last, once every joint their weights name exists.
        if (n == scene_->mRootNode)
            for (const PendingMesh& p : pendingMeshes_) buildMesh(*p.mesh, p.parent, globals_[p.node], p.name);
    }

    // Points are in the mesh node's coordinates as the file places it (the frame the bind
    // matrices refer to).
    void buildMesh(const aiMesh& mesh, const host::Object& parent, const host::Matrix& placement, const std::string& name) {
        const host::PolygonObject object(insert(host::type::Polygon, name, parent, placement));

        // Weld points that share a position; texture seams must not cut the surface apart.
        std::vector<host::Vector> points;
        std::vector<int32_t> remap(mesh.mNumVertices);
        std::vector<unsigned> firstVertex; // of each point
        std::unordered_map<PositionKey, int32_t, PositionHash> seen;
        for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
            const aiVector3D& p = mesh.mVertices[v];
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
                fail("mesh \"" + name + "\" has a point that is not finite");
            const auto [it, added] = seen.emplace(PositionKey{p.x, p.y, p.z}, static_cast<int32_t>(points.size()));
            if (added) {
                points.push_back({p.x, p.y, p.z});
                firstVertex.push_back(v);
            }
            remap[v] = it->second;
        }
        report_.vertices += static_cast<int64_t>(mesh.mNumVertices);

        std::vector<host::Polygon> polygons;
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            std::vector<int32_t> idx;
            for (unsigned k = 0; k < face.mNumIndices; ++k) {
                if (face.mIndices[k] >= mesh.mNumVertices) fail("mesh \"" + name + "\" has an index out of range");
                const int32_t i = remap[face.mIndices[k]];
                if (idx.empty() || idx.back() != i) idx.push_back(i);
            }
            while (idx.size() > 1 && idx.front() == idx.back()) idx.pop_back();
            if (idx.size() < 3) continue; // points, lines and faces welded flat
            if (idx.size() == 3) polygons.push_back({idx[0], idx[1], idx[2], idx[2]});
            else if (idx.size() == 4) polygons.push_back({idx[0], idx[1], idx[2], idx[3]});
            else
                for (size_t k = 1; k + 1 < idx.size(); ++k) polygons.push_back({idx[0], idx[k], idx[k + 1], idx[k + 1]});
        }
        if (!object.setMesh(points, polygons)) fail("mesh \"" + name + "\" could not be stored");
        ++report_.meshes;
        report_.points += static_cast<int>(points.size());
        report_.polygons += static_cast<int>(polygons.size());
        if (mesh.mNumBones > 0) buildWeights(mesh, object, remap, firstVertex, name);
    }

    // A welded point takes the weights of the first vertex that stood there, all of them and
    // only them, so its weights sum to what that vertex's did (1 in a well-made file).
    void buildWeights(const aiMesh& mesh, const host::PolygonObject& object, const std::vector<int32_t>& remap,
                      const std::vector<unsigned>& firstVertex, const std::string& name) {
        host::WeightTag tag(host::Tag(&engine_, engine_.allocTag(host::tagtype::Weight)));
        object.insertTag(tag);
        host::GeometryServices& geo = engine_.geometry();
        // Bones of one name are one joint: their weights are kept together, not overwritten.
        std::map<const aiNode*, std::map<int32_t, double>> byJoint;
        std::vector<const aiNode*> order;
        const std::vector<const aiNode*>& nodes = boneNodes(mesh);
        for (unsigned b = 0; b < mesh.mNumBones; ++b) {
            const aiBone& bone = *mesh.mBones[b];
            const aiNode* node = nodes[b];
            const auto [at, first] = byJoint.try_emplace(node);
            if (first) order.push_back(node);
            for (unsigned w = 0; w < bone.mNumWeights; ++w) {
                const aiVertexWeight& vw = bone.mWeights[w];
                if (vw.mVertexId >= mesh.mNumVertices) fail("mesh \"" + name + "\" weights a missing point");
                if (!std::isfinite(vw.mWeight) || vw.mWeight < 0) fail("mesh \"" + name + "\" has a bad weight");
                const int32_t point = remap[vw.mVertexId];
                if (firstVertex[static_cast<size_t>(point)] == vw.mVertexId) at->second[point] += vw.mWeight;
            }
        }
        for (const aiNode* node : order) {
            const int32_t index = geo.addWeightJoint(tag.id(), jointObjects_.at(node).id());
            std::vector<host::WeightEntry> entries;
            for (const auto& [point, weight] : byJoint[node])
                if (weight > 0) entries.push_back({point, weight});
            if (index < 0 || !geo.setWeights(tag.id(), index, entries)) fail("mesh \"" + name + "\": weights could not be stored");
        }
    }

    scene::Engine& engine_;
    host::Document doc_;
    std::string path_;
    const std::function<void(const std::string&)>& note_;
    const aiScene* scene_ = nullptr;
    unsigned meshes_ = 0;
    std::set<const aiNode*> bones_, joints_;
    /// Nodes by name, in file order (depth first).
    std::unordered_map<std::string, std::vector<const aiNode*>> nodesByName_;
    std::unordered_map<const aiMesh*, std::vector<const aiNode*>> boneNodes_;
    std::unordered_map<const aiNode*, host::Matrix> globals_, bindGlobals_, standing_;
    std::unordered_map<const aiMesh*, const aiNode*> meshOwners_;
    std::unordered_map<const aiNode*, host::Object> jointObjects_;
    struct PendingMesh {
        const aiMesh* mesh;
        host::Object parent;
        const aiNode* node;
        std::string name;
    };
    std::vector<PendingMesh> pendingMeshes_;
    std::set<std::string> usedNames_;
    ImportReport report_;
};

} // namespace

namespace {

/// The counts an ASCII OFF header claims must fit in the file: a reader believing them would
/// reserve memory for billions of elements that are not there.
void checkOffClaims(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return;
    in.seekg(0, std::ios::end);
    const auto size = static_cast<double>(in.tellg());
    in.seekg(0);
    std::string word;
    if (!(in >> word) || word.size() < 3 || word.compare(word.size() - 3, 3, "OFF") != 0) return;
    double counts[2] = {0, 0};
    for (double& c : counts) {
        while (in >> std::ws && in.peek() == '#') in.ignore(1 << 20, '\n');
        if (!(in >> c)) return; // the reader reports a broken header itself
    }
    // At least "0 0 0" and a line break per vertex, "0" and a line break per face.
    if (counts[0] < 0 || counts[1] < 0 || counts[0] * 6 + counts[1] * 2 > size)
        throw CommandError(path + ": cannot import: it claims " + std::to_string(static_cast<long long>(counts[0])) +
                           " vertices and " + std::to_string(static_cast<long long>(counts[1])) + " faces but holds " +
                           std::to_string(static_cast<long long>(size)) + " bytes");
}

ImportReport importOnThisThread(scene::Engine& engine, const host::Document& doc, const std::string& path,
                                const std::function<void(const std::string&)>& note) {
    checkOffClaims(path);
    Assimp::Importer importer;
    // Keep the file's own hierarchy and meshes untouched (no splitting by primitive type: a
    // mesh of triangles and quads stays one polygon object); the reader below checks every
    // index it follows (the library's own validation refuses files without meshes, such as
    // bare skeletons).
    const aiScene* scene = importer.ReadFile(path, 0);
    // A file without meshes (a bare skeleton) counts as incomplete to the import library; it is
    // still a hierarchy worth importing.
    if (!scene || !scene->mRootNode) {
        const std::string why = importer.GetErrorString();
        if (why.find("bad_alloc") != std::string::npos) throw std::bad_alloc();
        throw CommandError(path + ": cannot import: " + why);
    }
    // Readers that accept anything give an empty root for a file that is not theirs.
    if (scene->mNumMeshes == 0 && childrenOf(scene->mRootNode).empty())
        throw CommandError(path + ": cannot import: the file holds no meshes and no hierarchy");
    return Importer(engine, doc, path, note).run(*scene);
}

/// Runs work on a thread with a large stack: the import library reads nested nodes by
/// recursion, and a file nested tens of thousands deep must not overflow the stack.
template <typename Work> void onLargeStack(Work& work) {
    struct Job {
        Work* work;
        std::exception_ptr error;
    } job{&work, nullptr};
    auto body = [](void* p) -> void* {
        Job& j = *static_cast<Job*>(p);
        try {
            (*j.work)();
        } catch (...) {
            j.error = std::current_exception();
        }
        return nullptr;
    };
    for (const size_t stack : {size_t{1} << 30, size_t{1} << 28}) {
        pthread_attr_t attributes;
        if (pthread_attr_init(&attributes) != 0) break;
        pthread_t thread;
        const bool started = pthread_attr_setstacksize(&attributes, stack) == 0 &&
                             pthread_create(&thread, &attributes, body, &job) == 0;
        pthread_attr_destroy(&attributes);
        if (!started) continue; // a memory cap may not leave room for the larger stack
        pthread_join(thread, nullptr);
        if (job.error) std::rethrow_exception(job.error);
        return;
    }
    work();
}

} // namespace

ImportReport importModel(scene::Engine& engine, const host::Document& doc, const std::string& path,
                         const std::function<void(const std::string&)>& note) {
    std::optional<ImportReport> report;
    auto work = [&] { report = importOnThisThread(engine, doc, path, note); };
    try {
        onLargeStack(work);
    } catch (const std::bad_alloc&) {
        throw CommandError(path + ": cannot import: it needs more memory than allowed (see --memory-limit)");
    }
    return *report;
}

} // namespace flumpet::app
