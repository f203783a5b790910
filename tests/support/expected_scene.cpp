#include "support/expected_scene.h"

#include "host/geometry_handles.h"
#include "host/ids.h"
#include "main.h"
#include "scene/engine.h"
#include "scene/resource.h"
#include "scene/scene_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <unistd.h>

namespace flumpet::test {

namespace {

const std::map<int32_t, std::string>& generatorSymbols() {
    static const std::map<int32_t, std::string> byId = [] {
        std::map<int32_t, std::string> out;
        for (const auto& [name, id] : scene::readSymbolHeader(FLUMPET_SOURCE_DIR "/source/parameters.h"))
            out.emplace(id, name);
        return out;
    }();
    return byId;
}

std::string number(double v) {
    if (std::isnan(v)) return "NaN";
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.9g", v);
    return buffer;
}

std::string path(const host::Object& o) {
    std::string p = o.name();
    for (host::Object up = o.parent(); up.alive(); up = up.parent()) p = up.name() + "/" + p;
    return p;
}

std::string link(const host::Document& doc, host::NodeId id) {
    if (id == host::NoNode) return "(empty)";
    const host::Node node = doc.resolve(id);
    if (!node.alive()) return "(dead link)";
    if (node.isInstanceOf(host::type::AnyObject)) return path(host::Object(node.host(), id));
    const host::Tag tag(node.host(), id);
    return path(tag.object()) + "#" + tag.name();
}

std::string value(const host::Document& doc, const host::Value& v) {
    std::ostringstream out;
    std::visit(
        [&](const auto& x) {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate>) out << "(none)";
            else if constexpr (std::is_same_v<T, int32_t>) out << x;
            else if constexpr (std::is_same_v<T, double>) out << number(x);
            else if constexpr (std::is_same_v<T, bool>) out << (x ? "true" : "false");
            else if constexpr (std::is_same_v<T, std::string>) out << '"' << x << '"';
            else if constexpr (std::is_same_v<T, host::Vector>)
                out << "(" << number(x.x) << ", " << number(x.y) << ", " << number(x.z) << ")";
            else if constexpr (std::is_same_v<T, host::Matrix>)
                out << "matrix off " << value(doc, x.off) << " x " << value(doc, x.v1) << " y " << value(doc, x.v2)
                    << " z " << value(doc, x.v3);
            else if constexpr (std::is_same_v<T, host::Time>) out << x.numerator << "/" << x.denominator;
            else if constexpr (std::is_same_v<T, host::Link>) out << "-> " << link(doc, x.id);
            else if constexpr (std::is_same_v<T, host::InExcludeList>) {
                out << "[";
                for (size_t i = 0; i < x.ids().size(); ++i) out << (i ? ", " : "") << link(doc, x.ids()[i]);
                out << "]";
            } else if constexpr (std::is_same_v<T, host::SplineCurve>) {
                out << "curve";
                for (const auto& k : x.knots()) out << " (" << number(k.x) << ", " << number(k.y) << ")";
            } else if constexpr (std::is_same_v<T, host::CustomData>) {
                out << "custom " << x.type << " (" << x.bytes.size() << " bytes)";
            } else {
                out << "{";
                if (x)
                    for (const auto& [id, sub] : x->values()) out << " " << id << ": " << value(doc, sub);
                out << " }";
            }
        },
        v);
    return out.str();
}

void parameters(std::ostream& out, const host::Document& doc, const host::Container& data, bool generator,
                const std::string& indent) {
    for (const auto& [id, v] : data.values()) {
        out << indent << id;
        if (generator)
            if (const auto it = generatorSymbols().find(id); it != generatorSymbols().end()) out << " " << it->second;
        out << " = " << value(doc, v) << "\n";
    }
}

void object(std::ostream& out, scene::Engine& engine, const host::Document& doc, const host::Object& o,
            const std::string& indent) {
    out << indent << o.name() << "  [" << engine.typeName(o.type()) << " " << o.type() << "]\n";
    const std::string inner = indent + "  ";
    const bool generator = o.type() == PluginId;
    out << inner << "local " << value(doc, o.localMatrix()) << "\n";
    parameters(out, doc, o.data(), generator, inner + "| ");
    if (const host::PolygonObject mesh(o); mesh.alive())
        out << inner << "mesh: " << mesh.pointCount() << " points, " << mesh.polygonCount() << " polygons\n";
    for (const host::Tag& t : o.tags()) {
        out << inner << "tag " << t.name() << "  [" << engine.typeName(t.type()) << " " << t.type() << "]\n";
        parameters(out, doc, t.data(), false, inner + "  | ");
        if (const host::WeightTag w(t); w.alive())
            for (int32_t j = 0; j < w.jointCount(); ++j) {
                int weighted = 0;
                double sum = 0;
                const host::PolygonObject mesh(o);
                for (int32_t p = 0; p < mesh.pointCount(); ++p)
                    if (const double x = w.weight(j, p); x > 0) ++weighted, sum += x;
                out << inner << "  weights of " << link(doc, w.joint(j).id()) << ": " << weighted << " points, sum "
                    << number(sum) << "\n";
            }
    }
    for (host::Object c = o.firstChild(); c.alive(); c = c.next()) object(out, engine, doc, c, inner);
}

std::string diff(const std::string& expectedFile, const std::string& actual) {
    const std::string actualFile = testing::TempDir() + "/flumpet_actual_" + std::to_string(::getpid()) + ".txt";
    std::ofstream(actualFile, std::ios::binary) << actual;
    const std::string command = "diff -u '" + expectedFile + "' '" + actualFile + "' 2>&1";
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        ::pclose(pipe);
    }
    std::filesystem::remove(actualFile);
    return out.empty() ? "(no diff tool; actual:)\n" + actual : out;
}

} // namespace

std::string sceneDigest(scene::Engine& engine, const host::Document& doc) {
    std::ostringstream out;
    for (host::Object o = doc.firstObject(); o.alive(); o = o.next()) object(out, engine, doc, o, "");
    return out.str();
}

std::string sceneFileDigest(const std::string& file) {
    scene::Engine engine;
    if (!engine.loadModule(&c4d_main)) return "cannot load the module: " + engine.lastError();
    try {
        const host::Document doc(&engine, scene::loadDocumentFile(engine, file));
        return sceneDigest(engine, doc);
    } catch (const std::exception& e) {
        return std::string("cannot read the scene: ") + e.what();
    }
}

void expectMatchesFile(const std::string& actual, const std::string& name) {
    const std::filesystem::path file = std::filesystem::path(FLUMPET_EXPECTED_DIR) / name;
    const char* update = std::getenv("FLUMPET_UPDATE_EXPECTED");
    if (update && std::string(update) == "1") {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << actual;
        return;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        ADD_FAILURE() << "no expected file " << file.string()
                      << " (run with FLUMPET_UPDATE_EXPECTED=1 to write it, then review it)";
        return;
    }
    std::ostringstream expected;
    expected << in.rdbuf();
    if (expected.str() == actual) return;
    ADD_FAILURE() << "the result differs from " << file.string()
                  << " (FLUMPET_UPDATE_EXPECTED=1 rewrites it once the change is reviewed):\n"
                  << diff(file.string(), actual);
}

} // namespace flumpet::test
