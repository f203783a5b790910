#include "run_steps.h"

#include "host/ids.h"
#include "host/messages.h"
#include "object_paths.h"
#include "spline_steps.h"
#include "step_parsing.h"
#include "scene/dynamics/simulation.h"
#include "scene/engine.h"

namespace flumpet::app {

namespace {

std::pair<std::string, std::string> splitAssignment(const Step& step) {
    const auto eq = step.argument.find('=');
    if (eq == std::string::npos || eq == 0) fail(step, "expected SYMBOL=VALUE");
    return {step.argument.substr(0, eq), step.argument.substr(eq + 1)};
}

int32_t typeOfValue(const host::Value& v) {
    if (std::holds_alternative<int32_t>(v)) return host::datatype::Long;
    if (std::holds_alternative<double>(v)) return host::datatype::Real;
    if (std::holds_alternative<bool>(v)) return host::datatype::Bool;
    if (std::holds_alternative<std::string>(v)) return host::datatype::String;
    if (std::holds_alternative<host::Vector>(v)) return host::datatype::Vector;
    if (std::holds_alternative<host::Link>(v)) return host::datatype::Link;
    if (std::holds_alternative<host::SplineCurve>(v)) return host::datatype::SplineCurve;
    return 0;
}

host::Value parseValue(RunContext& c, const Step& step, int32_t type, const std::string& text) {
    switch (type) {
    case host::datatype::Long:
        if (auto v = parseInt(text)) return *v;
        fail(step, "expected a whole number, got \"" + text + "\"");
    case host::datatype::Real:
        if (auto v = parseFloat(text)) return *v;
        fail(step, "expected a number, got \"" + text + "\"");
    case host::datatype::Bool:
        if (auto v = parseBool(text)) return *v;
        fail(step, "expected true or false, got \"" + text + "\"");
    case host::datatype::String: return text;
    case host::datatype::Vector:
        if (auto v = parseVector(text)) return *v;
        fail(step, "expected x,y,z, got \"" + text + "\"");
    case host::datatype::Link: return host::Link{findObject(c.doc, text).id()};
    case host::datatype::SplineCurve:
        if (auto v = parseCurve(text)) return *v;
        fail(step, "expected knots x:y;x:y;..., got \"" + text + "\"");
    default:
        if (auto v = parseInt(text)) return *v;
        if (auto v = parseFloat(text)) return *v;
        if (auto v = parseBool(text)) return *v;
        fail(step, "cannot tell the value type of this parameter; it takes no \"" + text + "\"");
    }
}

/// "#12": the form that names an object by its id.
std::string idForm(const host::Object& o) {
    std::string form = "#";
    form += std::to_string(o.id());
    return form;
}

std::vector<host::Object> generatorsOf(const RunContext& c) {
    std::vector<host::Object> found;
    for (const host::Object& o : allObjects(c.doc))
        if (o.type() == c.generatorType) found.push_back(o);
    return found;
}

std::string pathList(const std::vector<host::Object>& objects) {
    std::string list;
    for (const host::Object& o : objects) list += (list.empty() ? "" : ", ") + objectPath(o) + " (#" + std::to_string(o.id()) + ")";
    return list;
}

/// The generator the steps work on: the one --generator chose, else the scene's only one.
host::Object& requireGenerator(RunContext& c, const Step& step) {
    if (c.generator.alive()) return c.generator;
    const std::vector<host::Object> found = generatorsOf(c);
    if (found.empty()) fail(step, "the scene holds no generator (use --generator NAME to create one)");
    if (found.size() > 1) fail(step, "the scene holds several generators; pick one with --generator: " + pathList(found));
    c.generator = found.front();
    return c.generator;
}

// What a step changed: the generator's parameters, and how many objects and tags came or went.
struct Snapshot {
    host::Container generator;
    size_t objects = 0, tags = 0;
    size_t hookMessages = 0; ///< button messages the scene hooks had received
};

Snapshot snapshot(const RunContext& c) {
    Snapshot s;
    if (c.generator.alive()) s.generator = c.generator.data();
    s.hookMessages = c.engine.hookPresses().size();
    for (const host::Object& o : allObjects(c.doc)) {
        ++s.objects;
        s.tags += o.tags().size();
    }
    return s;
}

std::string shown(const RunContext& c, const host::Value& v) {
    if (const auto* link = std::get_if<host::Link>(&v)) {
        if (link->id == host::NoNode) return "(empty)";
        const host::Node node = c.doc.resolve(link->id);
        if (!node.alive()) return "(gone)";
        if (node.isInstanceOf(host::type::AnyObject)) return objectPath(host::Object(node.host(), node.id()));
        const host::Tag tag(node.host(), node.id());
        return objectPath(tag.object()) + "#" + escapeName(tag.name());
    }
    return valueText(v);
}

std::string symbolOf(const RunContext& c, int32_t id) {
    const std::string name = c.symbols.nameOf ? c.symbols.nameOf(id) : std::string{};
    return name.empty() ? std::to_string(id) : name;
}

std::string changes(const RunContext& c, const Snapshot& before, const Snapshot& after) {
    std::vector<std::string> parts;
    for (const auto& [id, value] : after.generator.values()) {
        const host::Value* old = before.generator.find(id);
        if (!old || *old != value) parts.push_back(symbolOf(c, id) + " = " + shown(c, value));
    }
    for (const auto& [id, value] : before.generator.values())
        if (!after.generator.has(id)) parts.push_back(symbolOf(c, id) + " cleared");
    constexpr size_t Shown = 8;
    std::string line;
    for (size_t i = 0; i < parts.size() && i < Shown; ++i) line += (i ? ", " : "") + parts[i];
    if (parts.size() > Shown) line += " and " + std::to_string(parts.size() - Shown) + " more parameters";
    const auto add = [&](const std::string& part) { line += (line.empty() ? "" : "; ") + part; };
    auto count = [&](size_t now, size_t was, const char* what) {
        if (now == was) return;
        const size_t n = now > was ? now - was : was - now;
        add(std::to_string(n) + " " + what + (n == 1 ? "" : "s") + (now > was ? " added" : " removed"));
    };
    count(after.objects, before.objects, "object");
    count(after.tags, before.tags, "tag");
    // The dynamics buttons change nothing in the scene but the cache: say what they did to it.
    const auto& messages = c.engine.hookPresses();
    for (size_t i = before.hookMessages; i < after.hookMessages && i < messages.size(); ++i) {
        if (messages[i].message != host::msg::DescriptionUsed) continue;
        if (messages[i].button == host::dynamicshook::Bake) {
            const scene::BakedMotion* motion = c.engine.bakedMotion(messages[i].document);
            std::string baked = "dynamics cache baked";
            if (motion)
                baked.append(": ").append(std::to_string(motion->bodies.size())).append(" bodies, ")
                    .append(std::to_string(motion->connectors)).append(" connectors, ")
                    .append(motion->springs > 0 ? std::to_string(motion->springs) + " springs, " : std::string())
                    .append(std::to_string(motion->frames.size() > 0 ? motion->frames.size() - 1 : 0)).append(" frames");
            add(baked);
        }
        if (messages[i].button == host::dynamicshook::ClearCache) add("dynamics cache cleared");
    }
    return line;
}

void pickGenerator(RunContext& c, const Step& step) {
    if (step.argument.empty()) fail(step, "a generator needs a name");
    std::vector<host::Object> found;
    for (const host::Object& o : allObjects(c.doc))
        if (o.type() == c.generatorType && (o.name() == step.argument || objectPath(o) == step.argument ||
                                            idForm(o) == step.argument))
            found.push_back(o);
    if (found.size() > 1) fail(step, "several generators have this name: " + pathList(found) + "; name one by its #id");
    if (found.size() == 1) {
        c.generator = found.front();
        return;
    }
    if (!c.createGenerator) fail(step, "generators cannot be created here");
    c.generator = c.createGenerator(step.argument);
    if (!c.generator.alive()) fail(step, "the generator could not be created");
}

void sendParameterSet(RunContext& c, int32_t id, int32_t type) {
    const host::DescID descid(host::DescLevel{id, type, c.generator.type()});
    host::DescriptionPostSetValue record{&descid};
    c.generator.message(host::msg::DescriptionPostSetParameter, &record);
}

host::InExcludeList listOf(const host::Object& generator, int32_t id, const Step& step) {
    host::Value v;
    if (!generator.getParameter(host::DescID(id), v)) return {};
    const auto* list = std::get_if<host::InExcludeList>(&v);
    if (!list) fail(step, "the parameter is not a list");
    return *list;
}

} // namespace

int32_t parameterId(const Symbols& symbols, const std::string& symbolOrNumber) {
    if (auto number = parseInt(symbolOrNumber)) return *number;
    if (symbols.idOf)
        if (auto id = symbols.idOf(symbolOrNumber)) return *id;
    throw CommandError("unknown parameter symbol \"" + symbolOrNumber + "\"");
}

namespace {

void select(RunContext& c, const Step& step, const std::function<host::Object(const std::string&)>& object) {
    std::vector<host::Object> picks;
    // Commas separate names; "\\," is a comma inside a name. Other escapes stay for the path lookup.
    std::string name;
    const std::string& text = step.argument;
    const auto pick = [&] {
        if (!name.empty()) picks.push_back(object(name));
        name.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ',') {
            pick();
        } else if (text[i] == '\\' && i + 1 < text.size()) {
            if (text[i + 1] != ',') name += '\\';
            name += text[++i];
        } else {
            name += text[i];
        }
    }
    pick();
    // A run of --select steps makes one selection; the first one clears the old selection.
    if (!c.selecting)
        for (host::NodeId selected : c.engine.activeObjects(c.doc.id(), host::selection::Children))
            c.engine.setSelected(selected, false);
    for (const host::Object& o : picks) c.engine.setSelected(o.id(), true);
    std::string names;
    for (const host::Object& o : c.doc.activeObjects(host::selection::Children))
        names += (names.empty() ? "" : ", ") + objectPath(o);
    if (c.report) c.report(step.option + ": " + (names.empty() ? "nothing selected" : "selected " + names));
}

} // namespace

void runStep(RunContext& c, const Step& step) {
    const bool wasSelecting = c.selecting;
    c.selecting = false;
    auto id = [&](const std::string& symbol) {
        try {
            return parameterId(c.symbols, symbol);
        } catch (const CommandError& e) {
            fail(step, e.what());
        }
    };
    auto object = [&](const std::string& name) {
        try {
            return findObject(c.doc, name);
        } catch (const CommandError& e) {
            fail(step, e.what());
        }
    };
    // Tells what a step changed, in one line.
    const std::string label = step.option + (step.argument.empty() ? "" : " " + step.argument);
    auto tell = [&](const Snapshot& before, const std::string& whenNothing) {
        if (!c.report) return;
        const std::string what = changes(c, before, snapshot(c));
        c.report(label + ": " + (what.empty() ? whenNothing : what));
    };
    switch (step.kind) {
    case StepKind::Generator: {
        const size_t before = generatorsOf(c).size();
        pickGenerator(c, step);
        if (c.report) c.report(label + ": " + (generatorsOf(c).size() > before ? "created " : "picked ") + objectPath(c.generator));
        return;
    }
    case StepKind::Link: {
        const auto [symbol, target] = splitAssignment(step);
        host::Object& g = requireGenerator(c, step);
        const int32_t param = id(symbol);
        const Snapshot before = snapshot(c);
        host::Container data = g.data();
        data.setLink(param, target.empty() ? host::NoNode : object(target).id());
        g.setData(data);
        tell(before, "already so");
        return;
    }
    case StepKind::Set: {
        const auto [symbol, text] = splitAssignment(step);
        host::Object& g = requireGenerator(c, step);
        const int32_t param = id(symbol);
        int32_t type = c.symbols.typeOf ? c.symbols.typeOf(param) : 0;
        host::Value current;
        if (type == 0 && g.getParameter(host::DescID(param), current)) type = typeOfValue(current);
        const host::Value value = parseValue(c, step, type, text);
        if (const ParameterInfo* info = c.symbols.infoOf ? c.symbols.infoOf(param) : nullptr)
            if (const auto problem = rangeProblem(*info, value)) fail(step, *problem);
        const Snapshot before = snapshot(c);
        if (!g.setParameter(host::DescID(param), value)) fail(step, "the generator refused the value");
        sendParameterSet(c, param, type == 0 ? typeOfValue(value) : type);
        tell(before, "already so");
        return;
    }
    case StepKind::ListAdd:
    case StepKind::ListRemove: {
        const auto [symbol, target] = splitAssignment(step);
        host::Object& g = requireGenerator(c, step);
        const int32_t param = id(symbol);
        const host::Object element = object(target);
        host::InExcludeList list = listOf(g, param, step);
        const Snapshot before = snapshot(c);
        if (step.kind == StepKind::ListAdd) {
            list.insert(element.id());
            g.setParameter(host::DescID(param), list);
            host::ListElementAdded added{host::DescID(param), element.id()};
            g.message(host::msg::ListElementAdded, &added);
        } else {
            const int32_t index = list.indexOf(element.id());
            if (index < 0) fail(step, "\"" + target + "\" is not in the list");
            // The host tells the generator before the element leaves the list.
            host::ListElementRemoved removed{host::DescID(param), element.id(), index};
            g.message(host::msg::ListElementRemoved, &removed);
            list.deleteAt(index);
            g.setParameter(host::DescID(param), list);
        }
        tell(before, "nothing changed");
        return;
    }
    case StepKind::Select:
        c.selecting = wasSelecting;
        select(c, step, object);
        c.selecting = true;
        return;
    case StepKind::Press: {
        host::Object& g = requireGenerator(c, step);
        const int32_t button = id(step.argument);
        const Snapshot before = snapshot(c);
        host::DescriptionCommand command{host::DescID(button)};
        g.message(host::msg::DescriptionCommand, &command);
        const std::string symbol = symbolOf(c, button);
        const bool assigns = symbol.size() > 16 && symbol.compare(symbol.size() - 16, 16, "_ASSIGN_SELECTED") == 0;
        tell(before, assigns ? "filled no slot (select two joints, the second below the first)" : "nothing changed");
        return;
    }
    case StepKind::Undo:
        if (!c.engine.undo(c.doc.id())) fail(step, c.engine.lastError());
        if (c.report) c.report(label + ": undone");
        return;
    case StepKind::Redo:
        if (!c.engine.redo(c.doc.id())) fail(step, c.engine.lastError());
        if (c.report) c.report(label + ": redone");
        return;
    case StepKind::Event: {
        host::Object& g = requireGenerator(c, step);
        const auto kind = parseInt(step.argument);
        if (!kind) fail(step, "expected an event kind (a whole number)");
        const Snapshot before = snapshot(c);
        host::DocumentEvent event{*kind};
        g.message(host::msg::DocumentEvent, &event);
        tell(before, "sent (no parameter or object changed)");
        return;
    }
    case StepKind::Evaluate: {
        const Snapshot before = snapshot(c);
        if (c.evaluate) c.evaluate();
        tell(before, "evaluated (no parameter or object changed)");
        return;
    }
    case StepKind::Spline: {
        const std::string done = addSpline(c, step);
        if (c.report) c.report(label + ": " + done);
        return;
    }
    case StepKind::MovePoint: {
        const Snapshot before = snapshot(c);
        const std::string done = movePoint(c, step);
        if (!c.report) return;
        // What the generator did in reaction to the drag (a rope re-distributed).
        const std::string reactions = changes(c, before, snapshot(c));
        c.report(label + ": " + done + (reactions.empty() ? "" : "; " + reactions));
        return;
    }
    }
}

} // namespace flumpet::app
