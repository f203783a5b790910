#include "session.h"

#include "host/ids.h"
#include "host/description.h"
#include "main.h"
#include "object_paths.h"
#include "output_file.h"
#include "scene/plugins.h"
#include "scene/resource.h"
#include "scene/scene_file.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>

namespace flumpet::app {

namespace {

// The symbol header the generator's description resource names.
std::map<std::string, int32_t> generatorSymbols(const std::string& moduleFolder) {
    const auto folder = std::filesystem::path(moduleFolder);
    std::ifstream in(folder / "resource" / "description" / (std::string(DescriptionName) + ".json"));
    const auto description = nlohmann::json::parse(in, nullptr, false);
    if (!description.is_object() || !description.contains("symbols") || !description["symbols"].is_string())
        throw CommandError("the generator's description resource names no symbol header");
    return scene::readSymbolHeader((folder / description["symbols"].get<std::string>()).string());
}

} // namespace

Session::Session(bool quiet) : engine_(std::make_unique<scene::Engine>()), quiet_(quiet) {
    scene::Feedback& feedback = engine_->feedback();
    feedback.sink = [this](bool isStatus, const std::string& text) { note(isStatus ? "Status: " + text : text); };
    feedback.browser = [this](const std::string& address) { note("Opening " + address); };
    if (!engine_->loadModule(&c4d_main)) throw CommandError("cannot load the module: " + engine_->lastError());

    std::map<std::string, int32_t> byName;
    try {
        byName = generatorSymbols(engine_->pluginRegistry().moduleFolder());
    } catch (const scene::ResourceError& e) {
        throw CommandError(e.what());
    }
    auto byId = std::make_shared<std::map<int32_t, std::string>>();
    for (const auto& [name, id] : byName) byId->emplace(id, name);
    auto names = std::make_shared<std::map<std::string, int32_t>>(std::move(byName));

    // The generator's description is read on first use: the probe object it needs takes an id,
    // and a scene file loaded after that could no longer keep its own ids.
    described_ = std::make_shared<Described>();
    described_->engine = engine_.get();
    symbols_.idOf = [names](const std::string& s) -> std::optional<int32_t> {
        const auto it = names->find(s);
        if (it == names->end()) return std::nullopt;
        return it->second;
    };
    symbols_.nameOf = [byId](int32_t id) {
        const auto it = byId->find(id);
        return it == byId->end() ? std::string{} : it->second;
    };
    described_->nameOf = symbols_.nameOf;
    symbols_.typeOf = [described = described_](int32_t id) {
        const auto& types = described->get().types;
        const auto it = types.find(id);
        return it == types.end() ? 0 : it->second;
    };
    symbols_.infoOf = [described = described_](int32_t id) -> const ParameterInfo* {
        for (const ParameterInfo& p : described->get().parameters)
            if (p.id == id) return &p;
        return nullptr;
    };
}

Session::~Session() = default;

const Session::Described::Data& Session::Described::get() {
    if (data) return *data;
    data.emplace();
    // Value types from the generator's whole description, rope entries included.
    host::Object probe(engine, engine->allocObject(PluginId));
    host::Description description;
    int32_t flags = 0;
    if (engine->pluginRegistry().describe(probe.id(), nullptr, description, flags))
        for (const auto& entry : description.entries()) data->types.emplace(entry.id.firstId(), entry.id[0].dtype);
    data->parameters = describeParameters(description, probe.data(), nameOf);
    probe.free();
    return *data;
}

void Session::note(const std::string& line) const {
    if (quiet_) return;
    (notesToErr_ ? std::cerr : std::cout) << line << std::endl;
}

host::Document Session::newDocument() {
    const host::NodeId doc = engine_->newDocument();
    engine_->setActiveDocument(doc);
    return {engine_.get(), doc};
}

host::Document Session::loadScene(const std::string& path) {
    try {
        const host::NodeId doc = scene::loadDocumentFile(*engine_, path);
        engine_->setActiveDocument(doc);
        return {engine_.get(), doc};
    } catch (const scene::SceneFileError& e) {
        throw CommandError(e.what());
    }
}

void Session::saveScene(const host::Document& doc, const std::string& path) {
    std::string text;
    try {
        text = scene::saveDocument(*engine_, doc.id());
    } catch (const scene::SceneFileError& e) {
        throw CommandError(path + ": " + e.what());
    }
    writeOutputFile(path, text);
}

bool Session::isGenerator(const host::Object& o) const { return o.type() == PluginId; }

RunContext Session::runContext(const host::Document& doc) {
    RunContext context{*engine_, doc, symbols_, PluginId, {}, {}, {}, {}, false};
    scene::Engine* engine = engine_.get();
    // As the host's menu makes an object: allocated and initialised, told it is made from the
    // menu, inserted at the top level, and undoable.
    context.createGenerator = [engine, doc](const std::string& name) {
        host::Object g(engine, engine->allocObject(PluginId));
        if (!g.alive()) return host::Object{};
        g.setName(name);
        g.message(host::msg::MenuPrepare);
        doc.startUndo();
        doc.insertLast(g);
        doc.addUndo(host::undo::NewObject, g);
        doc.endUndo();
        return g;
    };
    context.evaluate = [engine, doc] { engine->evaluate(doc.id()); };
    context.report = [this](const std::string& line) { note(line); };
    return context;
}

} // namespace flumpet::app
