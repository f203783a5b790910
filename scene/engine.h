// The embedded host: an in-memory scene engine that implements the host binding for real.
#pragma once

#include "host/host.h"
#include "scene/geometry/geometry_service.h"
#include "scene/node.h"
#include "scene/node_store.h"
#include "scene/plugins.h"
#include "scene/scripting.h"
#include "scene/undo.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace flumpet::scene {

struct BakeSettings;
struct BakedMotion;
struct StabilityReport;

/// What the engine tells the user: status-bar texts and console lines, in order.
struct Feedback {
    std::vector<std::string> statusTexts;
    std::vector<std::string> consoleLines;
    /// Called for each line as it happens (the command line prints them); may be empty.
    std::function<void(bool isStatus, const std::string& text)> sink;
    /// Addresses handed to the system's browser, in order.
    std::vector<std::string> openedPages;
    /// The browser hook: called for each page as it is opened; may be empty.
    std::function<void(const std::string& address)> browser;
    /// Status-bar progress as the module reports it (percent, text; a negative percent ends it);
    /// may be empty.
    std::function<void(int32_t percent, const std::string& text)> progress;
};

/// The state of a document's dynamics cache: baking simulates the document and marks the cache
/// as holding the motion (bakedMotion), clearing empties it.
enum class DynamicsCache { Empty, Baked };

/// The dynamics settings hook's entry where the embedded host keeps its cache state (an int:
/// 1 baked, 0 or absent empty); saved with the hook's parameters.
inline constexpr int32_t DynamicsCacheStateParameter = 10990;

class Engine : public host::Host {
  public:
    static constexpr int32_t Version = 2024000;

    Engine();
    ~Engine() override;
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // --- Engine-side operations (not part of the binding) ----------------------------------
    /// Loads a module through its entry as a host does at start-up: initialise, interface
    /// version, module message 1 (resource), start. False, with lastError(), when the module
    /// refuses; it is ended again then. One module per engine, and one engine per module.
    bool loadModule(host::ModuleEntry entry);
    /// Ends the loaded module (also done when the engine goes).
    void unloadModule();
    bool moduleLoaded() const { return module_ != nullptr; }
    /// The version the engine reports to modules (tests pose as older hosts).
    void setVersion(int32_t version) { version_ = version; }
    PluginRegistry& pluginRegistry() { return plugins_; }
    ScriptEngine& scriptEngine() { return scripting_; }
    /// Hands an address to the system's browser (recorded in the feedback).
    void openPage(const std::string& address);
    /// Runs the dirty checks of a document's plug-in objects, as the host does before it
    /// re-evaluates the scene.
    void evaluate(NodeId doc);
    /// A new empty document with the default parameters and scene hooks.
    NodeId newDocument();
    void setActiveDocument(NodeId doc);
    /// Closes a document and frees everything in it.
    bool closeDocument(NodeId doc);
    bool undo(NodeId doc);
    bool redo(NodeId doc);
    bool canUndo(NodeId doc) const;
    bool canRedo(NodeId doc) const;
    /// The most bytes a document's undo history may hold (1 GiB unless set): when a group closes,
    /// the oldest groups beyond it go. The newest group always stays, whatever its size.
    void setHistoryBudget(size_t bytes) { historyBudget_ = bytes; }
    size_t historyBudget() const { return historyBudget_; }
    static constexpr size_t DefaultHistoryBudget = size_t{1} << 30;
    /// Bytes a document's undo history holds (see UndoHistory::bytes); 0 for no document.
    size_t historyBytes(NodeId doc) const;
    /// How many groups a document's history can undo.
    size_t undoSteps(NodeId doc) const;
    /// Why the last undo, redo or undo record failed.
    const std::string& lastError() const { return lastError_; }
    Feedback& feedback() { return feedback_; }
    int64_t refreshCount() const { return refreshCount_; }
    /// What a scene hook was sent about one of its buttons: the press (message 18), then its use
    /// (message 17, which names the document).
    struct HookMessage {
        int32_t hookType = 0;
        int32_t message = 0;
        int32_t button = 0;
        NodeId document = host::NoNode; ///< message 17 only
        bool operator==(const HookMessage&) const = default;
    };
    /// Button messages received by scene hooks, in order.
    const std::vector<HookMessage>& hookPresses() const { return hookPresses_; }
    /// The dynamics cache of a document as its bake and clear-cache buttons left it.
    DynamicsCache dynamicsCache(NodeId doc) const;
    /// The motion in the document's dynamics cache (saved with the document); null when it
    /// holds none.
    const BakedMotion* bakedMotion(NodeId doc) const;
    /// The report of the document's last bake in this session (also printed on the console
    /// when the bake ends); null when there was none since the cache was last cleared.
    const StabilityReport* bakeReport(NodeId doc) const;
    void setInputState(int32_t device, int32_t channel, const Container& state);
    /// The node behind an id (engine code and tests only); null when gone.
    Node* find(NodeId id) const;
    /// Registers an object or tag type the host knows, beyond the built-in ones.
    void registerType(int32_t type, NodeKind kind, std::string defaultName);
    /// The highest id ever issued; every id at or below it may still be named by an undo record
    /// or a link, so a loaded file never keeps one.
    NodeId highestIssuedId() const;
    /// Counts the ids of a loaded file (and those it links to) as issued.
    void markIdsIssuedUpTo(NodeId id);
    /// A fresh id that no node has or will get.
    NodeId reserveFreshId();
    /// Gives nodes new ids all at once (pairs of old and new id). False, with nothing changed,
    /// when a new id is held by a node outside the list. The new ids count as issued.
    bool renumber(const std::vector<std::pair<NodeId, NodeId>>& renames);
    /// Drops nodes from the registry without touching their relations (for a half-read file).
    void discardNodes(const std::vector<NodeId>& ids);
    bool knowsType(int32_t type, NodeKind kind) const;
    /// The default name of a type ("Joint", "Dynamics Body"); empty for an unknown type.
    std::string typeName(int32_t type) const;
    /// Creates a node of a registered or built-in type, outside any document.
    Node* createNode(NodeKind kind, int32_t type);
    /// Hierarchy primitives used by undo and the scene loader; they keep documents and dirty
    /// state consistent.
    bool attach(Node* node, const Place& place);
    Place placeOf(const Node* node) const;
    void detach(Node* node);
    /// Moves a free node's whole subtree out of the registry.
    Subtree takeSubtree(Node* root);
    /// Moves a subtree back into the registry (ids kept) and empties `subtree`. False, with
    /// nothing changed, when one of its ids is live.
    bool restoreSubtree(Subtree& subtree);
    /// A deep copy with the same ids, not registered.
    Subtree copySubtree(const Node* root) const;
    /// Deletes a free node's subtree.
    void destroySubtree(Node* root);
    void markDirty(Node* node, int32_t dirtyFlag);
    /// Next selection stamp (selection order).
    uint64_t nextSelectionStamp() { return ++selectionCounter_; }
    std::vector<NodeId> documents() const;
    /// Document settings containers by kind, for the scene file.
    std::map<int32_t, Container>& settingsOf(NodeId doc);
    /// Scene hooks of a document, by type.
    std::vector<Node*> hooksOf(NodeId doc) const;

    // --- host::Host ------------------------------------------------------------------------
    int32_t version() const override { return version_; }
    host::PluginServices& plugins() override { return plugins_; }
    host::ScriptServices& scripting() override { return scripting_; }
    NodeId activeDocument() override { return activeDocument_; }
    NodeId documentOf(NodeId node) override;
    NodeId firstObject(NodeId doc) override;
    NodeId activeObject(NodeId doc) override;
    std::vector<NodeId> activeObjects(NodeId doc, int32_t flags) override;
    void setSelected(NodeId object, bool selected) override;
    bool isSelected(NodeId object) override;
    bool startUndo(NodeId doc) override;
    bool endUndo(NodeId doc) override;
    bool addUndo(NodeId doc, int32_t kind, NodeId node) override;
    void eventAdd(int32_t flags) override;
    void updateScene(NodeId doc) override;
    Container documentSettings(NodeId doc, int32_t kind) override;
    void setDocumentSettings(NodeId doc, int32_t kind, const Container& settings) override;
    NodeId sceneHook(NodeId doc, int32_t id) override;
    void statusText(const std::string& text) override;
    void statusProgress(int32_t percent, const std::string& text) override;
    void consoleLine(const std::string& line) override;
    NodeId allocObject(int32_t type) override;
    NodeId allocTag(int32_t type) override;
    bool freeNode(NodeId node) override;
    NodeId cloneNode(NodeId node) override;
    bool exists(NodeId node) override { return find(node) != nullptr; }
    int32_t typeOf(NodeId node) override;
    bool isInstanceOf(NodeId node, int32_t type) override;
    std::string nameOf(NodeId node) override;
    void setName(NodeId node, const std::string& name) override;
    NodeId parentOf(NodeId object) override;
    NodeId firstChild(NodeId object) override;
    NodeId lastChild(NodeId object) override;
    NodeId nextSibling(NodeId object) override;
    NodeId previousSibling(NodeId object) override;
    bool isAncestorOf(NodeId ancestor, NodeId node) override;
    bool changedSinceLastCheck(NodeId node, int32_t dirtyFlag) override;
    bool insertFirst(NodeId doc, NodeId object, NodeId parent) override;
    bool insertLast(NodeId doc, NodeId object, NodeId parent) override;
    bool insertBefore(NodeId object, NodeId next) override;
    bool remove(NodeId node) override;
    NodeId tagOf(NodeId object, int32_t tagType, int32_t n) override;
    std::vector<NodeId> tagsOf(NodeId object) override;
    bool insertTag(NodeId object, NodeId tag, NodeId pred) override;
    NodeId tagObject(NodeId tag) override;
    bool sendMessage(NodeId node, int32_t type, void* data) override;
    bool getParameter(NodeId node, const host::DescID& id, host::Value& out) override;
    bool setParameter(NodeId node, const host::DescID& id, const host::Value& value, int32_t flags) override;
    Container dataOf(NodeId node) override;
    void setDataOf(NodeId node, const Container& data) override;
    Matrix globalMatrix(NodeId object) override;
    void setGlobalMatrix(NodeId object, const Matrix& m) override;
    Matrix localMatrix(NodeId object) override;
    void setLocalMatrix(NodeId object, const Matrix& m) override;
    NodeId deformCache(NodeId object) override;
    Container inputState(int32_t device, int32_t channel) override;
    /// Also the engine-side geometry operations (deform caches, index statistics).
    GeometryService& geometry() override { return *geometry_; }

  private:
    struct TypeInfo {
        NodeKind kind;
        std::string defaultName;
    };
    struct DocumentState {
        UndoHistory history;
        std::map<int32_t, Container> settings;
        std::vector<Node*> hooks;
    };

    DocumentState* stateOf(NodeId doc);
    /// What a bake of the document runs with: the hook's settings and the document's frame rate.
    BakeSettings bakeSettings(const Node& hook, NodeId doc);
    /// The dynamics settings hook's bake (simulates into the hook's cache) or clear-cache button.
    void pressCacheButton(Node& hook, NodeId doc, bool bake);
    Node* objectIn(NodeId id) const;
    Node* documentNode(NodeId doc) const;
    bool insertAt(Node* node, Node* parent, Node* previous);
    Matrix globalOf(const Node* node) const;
    void fail(std::string message);

    NodeStore store_;
    std::unordered_map<NodeId, DocumentState> documents_;
    std::unordered_map<int32_t, TypeInfo> types_;
    std::map<std::pair<int32_t, int32_t>, Container> inputStates_;
    NodeId activeDocument_ = host::NoNode;
    uint64_t selectionCounter_ = 0;
    int64_t refreshCount_ = 0;
    std::vector<HookMessage> hookPresses_;
    std::unordered_map<NodeId, std::unique_ptr<StabilityReport>> reports_;
    Feedback feedback_;
    std::string lastError_;
    int32_t version_ = Version;
    size_t historyBudget_ = DefaultHistoryBudget;
    PluginRegistry plugins_{*this};
    ScriptEngine scripting_{*this};
    host::ModuleEntry module_ = nullptr;
    std::unique_ptr<GeometryService> geometry_;
};

} // namespace flumpet::scene
