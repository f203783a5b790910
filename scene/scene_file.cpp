#include "scene/scene_file.h"

#include "scene/engine.h"
#include "host/ids.h"
#include "scene/blob_text.h"
#include "scene/payload_codec.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <set>
#include <sstream>
#include <unordered_map>

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace flumpet::scene {

using nlohmann::json;
using host::Value;

namespace {

constexpr const char* FormatName = "flumpet-scene";
/// Version 2 may store large arrays encoded; version 1 files (all plain) still load.
constexpr int FormatVersion = 2;
constexpr int OldestVersion = 1;
/// Deeper nesting than this is refused before it can exhaust the stack.
constexpr int MaxJsonDepth = 1000;
/// Ids stay below 2^53 so that every JSON reader keeps them exact.
constexpr uint64_t MaxId = (uint64_t{1} << 53) - 1;

// --- Writing ----------------------------------------------------------------------------------

json floatJson(double v) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
    return v;
}

json vectorJson(const Vector& v) { return json::array({floatJson(v.x), floatJson(v.y), floatJson(v.z)}); }

json matrixJson(const Matrix& m) {
    json a = json::array();
    for (const Vector* v : {&m.off, &m.v1, &m.v2, &m.v3})
        for (double c : {v->x, v->y, v->z}) a.push_back(floatJson(c));
    return a;
}

json containerJson(const Container& c);

std::string hexText(const std::vector<uint8_t>& bytes) {
    static constexpr char Digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const uint8_t b : bytes) {
        text += Digits[b >> 4];
        text += Digits[b & 15];
    }
    return text;
}

json valueJson(const Value& value) {
    json entry;
    entry["type"] = host::valueKindName(value);
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                entry["value"] = nullptr;
            } else if constexpr (std::is_same_v<T, int32_t> || std::is_same_v<T, bool> ||
                                 std::is_same_v<T, std::string>) {
                entry["value"] = v;
            } else if constexpr (std::is_same_v<T, double>) {
                entry["value"] = floatJson(v);
            } else if constexpr (std::is_same_v<T, Vector>) {
                entry["value"] = vectorJson(v);
            } else if constexpr (std::is_same_v<T, Matrix>) {
                entry["value"] = matrixJson(v);
            } else if constexpr (std::is_same_v<T, host::Time>) {
                entry["value"] = json::array({v.numerator, v.denominator});
            } else if constexpr (std::is_same_v<T, host::Link>) {
                entry["value"] = v.id;
            } else if constexpr (std::is_same_v<T, host::InExcludeList>) {
                entry["value"] = v.ids();
            } else if constexpr (std::is_same_v<T, host::SplineCurve>) {
                json knots = json::array();
                for (const auto& k : v.knots()) knots.push_back(json::array({floatJson(k.x), floatJson(k.y)}));
                entry["value"] = knots;
            } else if constexpr (std::is_same_v<T, host::CustomData>) {
                entry["value"] = json::array({v.type, hexText(v.bytes)});
            } else {
                entry["value"] = v ? containerJson(*v) : json::array();
            }
        },
        value);
    return entry;
}

json containerJson(const Container& c) {
    json a = json::array();
    for (const auto& [id, value] : c.values()) {
        json entry = valueJson(value);
        entry["id"] = id;
        a.push_back(std::move(entry));
    }
    return a;
}

json nodeHeader(const Node& n) {
    json j;
    j["id"] = n.id;
    j["type"] = n.type;
    j["name"] = n.name;
    j["parameters"] = containerJson(n.data);
    return j;
}

json objectJson(const Node& n, std::vector<std::string>& blobs) {
    json j = nodeHeader(n);
    j["matrix"] = matrixJson(n.local);
    json tags = json::array();
    for (const Node* t : n.tags) {
        json tj = nodeHeader(*t);
        if (t->payload && t->payload->savedInSceneFile()) tj["payload"] = savePayload(*t, blobs);
        tags.push_back(std::move(tj));
    }
    j["tags"] = std::move(tags);
    if (n.payload && n.payload->savedInSceneFile()) j["payload"] = savePayload(n, blobs);
    json children = json::array();
    for (const Node* c = n.firstChild; c; c = c->next) children.push_back(objectJson(*c, blobs));
    j["children"] = std::move(children);
    return j;
}

// --- Reading ----------------------------------------------------------------------------------

/// Reads one JSON value with its place in the file, so every error can name it.
class Reader {
  public:
    Reader(const json& j, std::string path) : j_(j), path_(std::move(path)) {}

    [[noreturn]] void fail(const std::string& what) const {
        throw SceneFileError((path_.empty() ? std::string("/") : path_) + ": " + what);
    }
    const json& raw() const { return j_; }
    const std::string& path() const { return path_; }

    Reader at(const char* key) const {
        if (!j_.is_object()) fail("expected an object");
        const auto it = j_.find(key);
        if (it == j_.end()) fail(std::string("missing \"") + key + "\"");
        return Reader(*it, path_ + "/" + key);
    }
    bool has(const char* key) const { return j_.is_object() && j_.contains(key); }
    Reader item(size_t i) const { return Reader(j_[i], path_ + "/" + std::to_string(i)); }
    size_t size() const {
        if (!j_.is_array()) fail("expected an array");
        return j_.size();
    }
    size_t size(size_t exact) const {
        const size_t n = size();
        if (n != exact) fail("expected " + std::to_string(exact) + " elements, found " + std::to_string(n));
        return n;
    }
    std::string string() const {
        if (!j_.is_string()) fail("expected a string");
        return j_.get<std::string>();
    }
    bool boolean() const {
        if (!j_.is_boolean()) fail("expected true or false");
        return j_.get<bool>();
    }
    int64_t integer(int64_t lo, int64_t hi) const {
        if (!j_.is_number_integer()) fail("expected a whole number");
        if (j_.is_number_unsigned() && j_.get<uint64_t>() > static_cast<uint64_t>(hi)) fail("number out of range");
        const auto v = j_.get<int64_t>();
        if (v < lo || v > hi) fail("number " + std::to_string(v) + " out of range");
        return v;
    }
    int32_t int32() const {
        return static_cast<int32_t>(integer(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    }
    NodeId id(bool allowNone) const {
        const auto v = static_cast<NodeId>(integer(allowNone ? 0 : 1, static_cast<int64_t>(MaxId)));
        return v;
    }
    /// A number; with allowSpecial also "NaN", "Infinity" and "-Infinity".
    double number(bool allowSpecial) const {
        if (j_.is_number()) return j_.get<double>();
        if (allowSpecial && j_.is_string()) {
            const auto s = j_.get<std::string>();
            if (s == "NaN") return std::numeric_limits<double>::quiet_NaN();
            if (s == "Infinity") return std::numeric_limits<double>::infinity();
            if (s == "-Infinity") return -std::numeric_limits<double>::infinity();
        }
        fail(allowSpecial ? "expected a number" : "expected a finite number");
    }
    Vector vector(bool allowSpecial) const {
        size(3);
        return {item(0).number(allowSpecial), item(1).number(allowSpecial), item(2).number(allowSpecial)};
    }
    Matrix matrix(bool allowSpecial) const {
        size(12);
        auto v = [&](size_t i) {
            return Vector{item(i).number(allowSpecial), item(i + 1).number(allowSpecial),
                          item(i + 2).number(allowSpecial)};
        };
        return {v(0), v(3), v(6), v(9)};
    }

  private:
    const json& j_;
    std::string path_;
};

struct LoadState {
    Engine& engine;
    std::set<NodeId> seen;
    std::vector<std::pair<Node*, NodeId>> wanted; // node and the id the file gives it
    std::vector<std::string_view> blobs;          // encoded arrays cut out of the text
};

Container readContainer(const Reader& r, LoadState& s);

Value readValue(const Reader& entry, LoadState& s) {
    const std::string kind = entry.at("type").string();
    const Reader v = entry.at("value");
    if (kind == "int") return v.int32();
    if (kind == "float") return v.number(true);
    if (kind == "bool") return v.boolean();
    if (kind == "string") return v.string();
    if (kind == "vector") return v.vector(true);
    if (kind == "matrix") return v.matrix(true);
    if (kind == "time") {
        v.size(2);
        const int64_t den = v.item(1).integer(1, std::numeric_limits<int64_t>::max());
        return host::Time{v.item(0).integer(std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()), den};
    }
    if (kind == "link") {
        return host::Link{v.id(true)};
    }
    if (kind == "inexclude") {
        host::InExcludeList list;
        for (size_t i = 0, n = v.size(); i < n; ++i) {
            list.insert(v.item(i).id(false));
        }
        return list;
    }
    if (kind == "curve") {
        host::SplineCurve curve;
        double lastX = -std::numeric_limits<double>::infinity();
        for (size_t i = 0, n = v.size(); i < n; ++i) {
            const Reader knot = v.item(i);
            knot.size(2);
            const double x = knot.item(0).number(false), y = knot.item(1).number(false);
            if (x < lastX) knot.fail("knots must be in ascending x order");
            lastX = x;
            curve.insertKnot(x, y);
        }
        return curve;
    }
    if (kind == "container") return std::make_shared<const Container>(readContainer(v, s));
    if (kind == "custom") {
        v.size(2);
        host::CustomData data;
        data.type = v.item(0).int32();
        const std::string hex = v.item(1).string();
        if (hex.size() % 2 != 0) v.item(1).fail("expected an even number of hexadecimal digits");
        const auto digit = [&](char c) -> uint8_t {
            if (c >= '0' && c <= '9') return uint8_t(c - '0');
            if (c >= 'a' && c <= 'f') return uint8_t(c - 'a' + 10);
            v.item(1).fail("expected lower-case hexadecimal digits");
        };
        for (size_t i = 0; i < hex.size(); i += 2) data.bytes.push_back(uint8_t(digit(hex[i]) << 4 | digit(hex[i + 1])));
        return data;
    }
    if (kind == "none") {
        if (!v.raw().is_null()) v.fail("expected null");
        return std::monostate{};
    }
    entry.at("type").fail("unknown value type \"" + kind + "\"");
}

Container readContainer(const Reader& r, LoadState& s) {
    Container c;
    for (size_t i = 0, n = r.size(); i < n; ++i) {
        const Reader entry = r.item(i);
        const int32_t id = entry.at("id").int32();
        if (c.has(id)) entry.at("id").fail("parameter " + std::to_string(id) + " appears twice");
        c.set(id, readValue(entry, s));
    }
    return c;
}

void claimId(const Reader& r, Node* node, LoadState& s) {
    const NodeId id = r.at("id").id(false);
    if (!s.seen.insert(id).second) r.at("id").fail("id " + std::to_string(id) + " is used twice");
    s.wanted.emplace_back(node, id);
}

Node* readNode(const Reader& r, NodeKind kind, LoadState& s, std::vector<NodeId>& created) {
    const int32_t type = r.at("type").int32();
    if (!s.engine.knowsType(type, kind)) r.at("type").fail("unknown type " + std::to_string(type));
    Node* n = s.engine.createNode(kind, type);
    created.push_back(n->id);
    claimId(r, n, s);
    n->name = r.at("name").string();
    n->data = readContainer(r.at("parameters"), s);
    if (r.has("payload")) loadPayload(*n, r.at("payload").raw(), r.path() + "/payload", s.blobs);
    return n;
}

Node* readObject(const Reader& r, LoadState& s, std::vector<NodeId>& created, int depth = 0) {
    if (depth > MaxHierarchyDepth) r.fail("hierarchy deeper than " + std::to_string(MaxHierarchyDepth));
    Node* n = readNode(r, NodeKind::Object, s, created);
    const Matrix m = r.at("matrix").matrix(false);
    n->local = m;
    const Reader tags = r.at("tags");
    for (size_t i = 0, count = tags.size(); i < count; ++i) {
        Node* t = readNode(tags.item(i), NodeKind::Tag, s, created);
        t->owner = n;
        n->tags.push_back(t);
    }
    const Reader children = r.at("children");
    for (size_t i = 0, count = children.size(); i < count; ++i) {
        Node* c = readObject(children.item(i), s, created, depth + 1);
        c->parent = n;
        c->prev = n->lastChild;
        (n->lastChild ? n->lastChild->next : n->firstChild) = c;
        n->lastChild = c;
    }
    return n;
}

// Rewrites every link in a container through the map (ids missing from it become fresh ids
// that no node has, so dead links stay dead).
Container remapContainer(const Container& c, std::unordered_map<NodeId, NodeId>& map, Engine& engine) {
    auto mapped = [&](NodeId id) {
        auto it = map.find(id);
        if (it == map.end()) it = map.emplace(id, engine.reserveFreshId()).first;
        return it->second;
    };
    Container out;
    for (const auto& [id, value] : c.values()) {
        if (const auto* link = std::get_if<host::Link>(&value)) {
            out.setLink(id, link->id == host::NoNode ? host::NoNode : mapped(link->id));
        } else if (const auto* list = std::get_if<host::InExcludeList>(&value)) {
            host::InExcludeList copy;
            for (NodeId entry : list->ids()) copy.insert(mapped(entry));
            out.set(id, copy);
        } else if (const auto* sub = std::get_if<std::shared_ptr<const Container>>(&value)) {
            out.setContainer(id, *sub ? remapContainer(**sub, map, engine) : Container{});
        } else {
            out.set(id, value);
        }
    }
    return out;
}

void collectLinks(const Container& c, std::vector<NodeId>& out) {
    for (const auto& [id, value] : c.values()) {
        if (const auto* link = std::get_if<host::Link>(&value)) {
            if (link->id != host::NoNode) out.push_back(link->id);
        } else if (const auto* list = std::get_if<host::InExcludeList>(&value)) {
            out.insert(out.end(), list->ids().begin(), list->ids().end());
        } else if (const auto* sub = std::get_if<std::shared_ptr<const Container>>(&value)) {
            if (*sub) collectLinks(**sub, out);
        }
    }
}

// Gives the loaded nodes the ids of the file when every id in it (of a node, or one the file links
// to) lies above `issuedBefore`, the highest id the engine had issued when loading began. An id at
// or below it may be live, held by an undo record or named by a link somewhere, so then the
// loaded nodes keep fresh ids and the links are renumbered to match; dead links get fresh ids
// that no node will ever have.
void settleIds(Engine& engine, NodeId docId, const LoadState& s, NodeId issuedBefore) {
    std::unordered_map<NodeId, NodeId> fileToNode;
    for (const auto& [node, fileId] : s.wanted) fileToNode.emplace(fileId, node->id);
    std::vector<NodeId> linked;
    for (const auto& [node, fileId] : s.wanted) {
        collectLinks(node->data, linked);
        if (node->payload)
            node->payload->visitLinks([&](NodeId& id) {
                if (id != host::NoNode) linked.push_back(id);
            });
    }
    for (const auto& [kind, c] : engine.settingsOf(docId)) collectLinks(c, linked);
    bool clash = false;
    for (const auto& [node, fileId] : s.wanted) clash = clash || fileId <= issuedBefore;
    for (NodeId id : linked) clash = clash || id <= issuedBefore;

    if (!clash) {
        std::vector<std::pair<NodeId, NodeId>> renames;
        NodeId highest = 0;
        for (const auto& [node, fileId] : s.wanted) {
            renames.emplace_back(node->id, fileId);
            highest = std::max(highest, fileId);
        }
        for (NodeId id : linked) highest = std::max(highest, id);
        engine.renumber(renames);
        engine.markIdsIssuedUpTo(highest);
        return;
    }
    for (const auto& [node, fileId] : s.wanted) {
        node->data = remapContainer(node->data, fileToNode, engine);
        if (node->payload)
            node->payload->visitLinks([&](NodeId& id) {
                if (id == host::NoNode) return;
                auto it = fileToNode.find(id);
                if (it == fileToNode.end()) it = fileToNode.emplace(id, engine.reserveFreshId()).first;
                id = it->second;
            });
    }
    for (auto& [kind, c] : engine.settingsOf(docId)) c = remapContainer(c, fileToNode, engine);
}

} // namespace

namespace {
host::NodeId loadText(Engine& engine, std::string_view text);
} // namespace

std::string saveDocument(Engine& engine, host::NodeId docId) {
    Node* doc = engine.find(docId);
    if (!doc || doc->kind != NodeKind::Document) throw SceneFileError("no such document");
    json d;
    d["id"] = doc->id;
    d["name"] = doc->name;
    d["parameters"] = containerJson(doc->data);
    json settings = json::array();
    for (const auto& [kind, c] : engine.settingsOf(docId)) {
        if (c.values().empty()) continue;
        settings.push_back({{"kind", kind}, {"values", containerJson(c)}});
    }
    d["settings"] = std::move(settings);
    std::vector<std::string> blobs;
    json hooks = json::array();
    for (const Node* h : engine.hooksOf(docId)) {
        json hj = nodeHeader(*h);
        if (h->payload && h->payload->savedInSceneFile()) hj["payload"] = savePayload(*h, blobs);
        hooks.push_back(std::move(hj));
    }
    d["hooks"] = std::move(hooks);
    json objects = json::array();
    for (const Node* o = doc->firstChild; o; o = o->next) objects.push_back(objectJson(*o, blobs));
    d["objects"] = std::move(objects);
    json selection = json::array();
    for (NodeId id : engine.activeObjects(docId, host::selection::Children | host::selection::SelectionOrder))
        selection.push_back(id);
    d["selection"] = std::move(selection);

    json root;
    root["format"] = FormatName;
    root["version"] = FormatVersion;
    root["document"] = std::move(d);
    // Text that is not valid UTF-8 (names from old model files) is written with replacement
    // characters rather than refused.
    std::string printed = root.dump(1, ' ', false, json::error_handler_t::replace) + "\n";
    return blobs.empty() ? printed : spliceBlobs(printed, blobs);
}

host::NodeId loadDocument(Engine& engine, std::string_view text) {
    try {
        return loadText(engine, text);
    } catch (const std::bad_alloc&) {
        throw SceneFileError("not enough memory to read the file");
    }
}

namespace {

host::NodeId loadText(Engine& engine, std::string_view text) {
    // Encoded arrays are cut out first, so the parser reads a small text.
    ExtractedBlobs extracted = extractBlobs(text);
    const std::string_view parsed = extracted.blobs.empty() ? text : std::string_view(extracted.skeleton);
    json root;
    try {
        root = json::parse(parsed, [](int depth, json::parse_event_t, json&) {
            if (depth > MaxJsonDepth) throw SceneFileError("nesting deeper than " + std::to_string(MaxJsonDepth));
            return true;
        });
    } catch (const json::parse_error& e) {
        throw SceneFileError(std::string("not valid JSON (byte ") + std::to_string(e.byte) + "): " + e.what());
    } catch (const json::exception& e) {
        throw SceneFileError(std::string("not valid JSON: ") + e.what());
    }

    const Reader top(root, "");
    if (top.at("format").string() != FormatName) top.at("format").fail("not a flumpet scene file");
    const int64_t version = top.at("version").integer(0, std::numeric_limits<int32_t>::max());
    if (version < OldestVersion || version > FormatVersion)
        top.at("version").fail("format version " + std::to_string(version) + " is not supported (expected " +
                               std::to_string(OldestVersion) + " to " + std::to_string(FormatVersion) + ")");
    const Reader d = top.at("document");

    const NodeId issuedBefore = engine.highestIssuedId();
    const NodeId docId = engine.newDocument();
    LoadState s{engine, {}, {}, std::move(extracted.blobs)};
    std::vector<NodeId> created;
    try {
        Node* doc = engine.find(docId);
        s.wanted.emplace_back(doc, d.at("id").id(false));
        s.seen.insert(s.wanted.back().second);
        doc->name = d.at("name").string();
        doc->data = readContainer(d.at("parameters"), s);

        // Exactly the settings the file holds: none of a new document's defaults.
        engine.settingsOf(docId).clear();
        const Reader settings = d.at("settings");
        for (size_t i = 0, n = settings.size(); i < n; ++i) {
            const Reader item = settings.item(i);
            const int32_t kind = item.at("kind").int32();
            if (engine.settingsOf(docId).count(kind)) item.at("kind").fail("settings kind appears twice");
            engine.setDocumentSettings(docId, kind, readContainer(item.at("values"), s));
        }

        const std::vector<Node*> hooks = engine.hooksOf(docId);
        const Reader hookList = d.at("hooks");
        for (size_t i = 0, n = hookList.size(); i < n; ++i) {
            const Reader h = hookList.item(i);
            const int32_t type = h.at("type").int32();
            const auto it = std::find_if(hooks.begin(), hooks.end(), [&](Node* x) { return x->type == type; });
            if (it == hooks.end()) h.at("type").fail("unknown scene hook " + std::to_string(type));
            for (const auto& [node, id] : s.wanted)
                if (node == *it) h.at("type").fail("scene hook " + std::to_string(type) + " appears twice");
            claimId(h, *it, s);
            (*it)->name = h.at("name").string();
            (*it)->data = readContainer(h.at("parameters"), s);
            if (h.has("payload")) loadPayload(**it, h.at("payload").raw(), h.path() + "/payload", s.blobs);
        }

        const Reader objects = d.at("objects");
        for (size_t i = 0, n = objects.size(); i < n; ++i) {
            Node* o = readObject(objects.item(i), s, created);
            o->parent = doc;
            o->prev = doc->lastChild;
            (doc->lastChild ? doc->lastChild->next : doc->firstChild) = o;
            doc->lastChild = o;
        }
        for (NodeId id : created) engine.find(id)->document = doc;

        std::unordered_map<NodeId, Node*> byFileId;
        for (const auto& [node, id] : s.wanted) byFileId.emplace(id, node);
        const Reader selection = d.at("selection");
        for (size_t i = 0, n = selection.size(); i < n; ++i) {
            const Reader item = selection.item(i);
            const auto it = byFileId.find(item.id(false));
            if (it == byFileId.end() || !it->second->isObject()) item.fail("selection names no object of the file");
            if (it->second->selectionStamp) item.fail("object selected twice");
            it->second->selectionStamp = engine.nextSelectionStamp();
        }
        settleIds(engine, docId, s, issuedBefore);
        return engine.find(s.wanted.front().first->id)->id;
    } catch (...) {
        // Nothing of a broken file stays behind.
        if (Node* doc = engine.find(docId)) doc->firstChild = doc->lastChild = nullptr;
        engine.discardNodes(created);
        engine.closeDocument(docId);
        throw;
    }
}

} // namespace

void saveDocumentFile(Engine& engine, host::NodeId doc, const std::string& path) {
    const std::string text = saveDocument(engine, doc);
    const std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) throw SceneFileError(path + ": cannot write");
        out << text;
        out.flush();
        if (!out) {
            std::remove(temporary.c_str());
            throw SceneFileError(path + ": writing failed");
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw SceneFileError(path + ": cannot replace the file");
    }
}

namespace {

/// A regular file's bytes read into fresh memory whose pages are mapped in one go: a large scene
/// is read without zero-filling a buffer first or taking a page fault per page. The file is
/// copied, not mapped, so a file cut short by someone else while loading cannot crash the load.
/// Empty when the file is not a regular file (a pipe, a device) or is empty; the caller then
/// reads it as a stream.
class FileBytes {
  public:
    explicit FileBytes(const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
            const auto size = static_cast<size_t>(st.st_size);
            void* at = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
            if (at != MAP_FAILED) {
                data_ = static_cast<char*>(at);
                capacity_ = size;
                size_t done = 0;
                while (done < size) {
                    const ssize_t n = ::read(fd, data_ + done, size - done);
                    if (n < 0 && errno == EINTR) continue;
                    // A read error leaves it to the stream reader, which reports it.
                    if (n < 0) failed_ = true;
                    if (n <= 0) break; // at 0: shorter than it was, load what is there
                    done += static_cast<size_t>(n);
                }
                size_ = done;
                failed_ = failed_ || done == 0;
            }
        }
        ::close(fd);
    }
    ~FileBytes() {
        if (data_) ::munmap(data_, capacity_);
    }
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    bool read() const { return data_ != nullptr && !failed_; }
    std::string_view text() const { return {data_, size_}; }

  private:
    char* data_ = nullptr;
    size_t size_ = 0, capacity_ = 0;
    bool failed_ = false;
};

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw SceneFileError(path + ": cannot open");
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) throw SceneFileError(path + ": cannot read");
    return text;
}

} // namespace

host::NodeId loadDocumentFile(Engine& engine, const std::string& path) {
    const FileBytes bytes(path);
    std::string streamed;
    if (!bytes.read()) streamed = readWholeFile(path);
    try {
        return loadDocument(engine, bytes.read() ? bytes.text() : std::string_view(streamed));
    } catch (const SceneFileError& e) {
        throw SceneFileError(path + ": " + e.what());
    }
}

} // namespace flumpet::scene
