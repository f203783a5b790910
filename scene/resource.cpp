#include "scene/resource.h"

#include "host/ids.h"

#include <nlohmann/json.hpp>
#include <tiffio.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <cctype>
#include <climits>
#include <set>
#include <sstream>

namespace flumpet::scene {

using host::Container;
using host::DescID;
using host::DescLevel;
using nlohmann::json;
namespace descprop = host::descprop;
namespace fs = std::filesystem;

namespace {

constexpr const char* FormatName = "flumpet-description";
constexpr int FormatVersion = 1;
constexpr const char* Language = "en-US";

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ResourceError(path.string() + ": cannot be read");
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

json readJson(const fs::path& path) {
    try {
        return json::parse(readFile(path));
    } catch (const json::parse_error& e) {
        throw ResourceError(path.string() + ": not valid JSON (byte " + std::to_string(e.byte) + ")");
    }
}

struct TypeKey {
    const char* key;
    int32_t valueType;
};

constexpr TypeKey typeKeys[] = {
    {"group", host::datatype::Group},       {"link", host::datatype::Link},
    {"button", host::datatype::Button},     {"bool", host::datatype::Bool},
    {"integer", host::datatype::Long},      {"float", host::datatype::Real},
    {"text", host::datatype::String},       {"inexclude", host::datatype::InExclude},
    {"curve", host::datatype::SplineCurve},
};

const std::map<std::string, int32_t>& acceptedTypeNames() {
    static const std::map<std::string, int32_t> names = {
        {"polygon", host::type::Polygon}, {"spline", host::type::Spline},    {"null", host::type::Null},
        {"joint", host::type::Joint},     {"object", host::type::AnyObject},
    };
    return names;
}

/// Walks one description file, keeping the place of every error.
class DescriptionReader {
  public:
    DescriptionReader(std::string file, const std::map<std::string, int32_t>& symbols, const json& strings,
                      DescriptionResource& out)
        : file_(std::move(file)), symbols_(symbols), strings_(strings), out_(out) {}

    void readItems(const json& items, const std::string& where, const DescID& parent) {
        if (!items.is_array()) fail(where, "expected an array of entries");
        for (size_t i = 0; i < items.size(); ++i)
            readItem(items[i], where + "/" + std::to_string(i), parent);
    }

  private:
    [[noreturn]] void fail(const std::string& where, const std::string& what) const {
        throw ResourceError(file_ + ": " + where + ": " + what);
    }

    std::string label(const std::string& key, const std::string& where) const {
        const auto it = strings_.find(key);
        if (it == strings_.end() || !it->is_string())
            fail(where, "no label for \"" + key + "\" in the string table");
        return it->get<std::string>();
    }

    double number(const json& item, const char* key, const std::string& where) const {
        const json& v = item.at(key);
        if (!v.is_number()) fail(where + "/" + key, "expected a number");
        return v.get<double>();
    }

    void readItem(const json& item, const std::string& where, const DescID& parent) {
        if (!item.is_object()) fail(where, "expected an object");
        const TypeKey* type = nullptr;
        for (const TypeKey& t : typeKeys)
            if (item.contains(t.key)) {
                if (type) fail(where, "names two value types");
                type = &t;
            }
        if (!type) fail(where, "names no value type");
        const json& symbolJson = item.at(type->key);
        if (!symbolJson.is_string()) fail(where + "/" + type->key, "expected a symbol");
        const std::string symbol = symbolJson.get<std::string>();
        const auto found = symbols_.find(symbol);
        if (found == symbols_.end()) fail(where, "symbol \"" + symbol + "\" is not in the symbol header");
        if (!seen_.insert(found->second).second) fail(where, "symbol \"" + symbol + "\" appears twice");

        const DescID id(DescLevel{found->second, type->valueType, 0});
        Container p = defaultDescriptionOf(type->valueType);
        const std::string name = label(symbol, where);
        p.setString(descprop::Name, name);
        p.setString(descprop::ShortName, name);
        readProperties(item, where, type->valueType, symbol, p);
        out_.entries.push_back(host::Description::Entry{id, parent, std::move(p), symbol});

        if (type->valueType == host::datatype::Group) {
            if (item.contains("items")) readItems(item.at("items"), where + "/items", id);
        } else if (item.contains("items")) {
            fail(where, "only groups hold entries");
        }
    }

    void readProperties(const json& item, const std::string& where, int32_t valueType,
                        const std::string& symbol, Container& p) const {
        static const std::set<std::string> known = {
            "group", "link",    "button", "bool", "integer", "float", "text",   "inexclude", "curve",
            "items", "columns", "open",   "min",  "max",     "step",  "slider", "accept",    "cycle"};
        for (const auto& [key, value] : item.items())
            if (!known.count(key)) fail(where, "unknown key \"" + key + "\"");
        const bool isFloat = valueType == host::datatype::Real;
        auto setNumber = [&](int32_t prop, double v) {
            if (isFloat)
                p.setFloat(prop, v);
            else
                p.setInt(prop, static_cast<int32_t>(v));
        };
        if (item.contains("columns"))
            p.setInt(descprop::Columns, static_cast<int32_t>(number(item, "columns", where)));
        if (item.contains("open")) {
            if (!item.at("open").is_boolean()) fail(where + "/open", "expected true or false");
            p.setInt(descprop::Default, item.at("open").get<bool>() ? 1 : 0);
        }
        if (item.contains("min")) setNumber(descprop::Min, number(item, "min", where));
        if (item.contains("max")) setNumber(descprop::Max, number(item, "max", where));
        if (item.contains("step")) setNumber(descprop::Step, number(item, "step", where));
        if (item.contains("slider")) {
            const json& s = item.at("slider");
            if (!s.is_array() || s.size() != 2 || !s[0].is_number() || !s[1].is_number())
                fail(where + "/slider", "expected [minimum, maximum]");
            p.setInt(descprop::CustomGui, isFloat ? host::gui::RealSlider : host::gui::IntegerSlider);
            p.setFloat(descprop::MinSlider, s[0].get<double>());
            p.setFloat(descprop::MaxSlider, s[1].get<double>());
        }
        if (item.contains("accept")) {
            const json& a = item.at("accept");
            if (!a.is_array()) fail(where + "/accept", "expected an array of type names");
            Container accept;
            for (size_t i = 0; i < a.size(); ++i) {
                const auto it = a[i].is_string() ? acceptedTypeNames().find(a[i].get<std::string>())
                                                 : acceptedTypeNames().end();
                if (it == acceptedTypeNames().end())
                    fail(where + "/accept/" + std::to_string(i), "unknown object type name");
                accept.setInt(it->second, 1);
            }
            p.setContainer(descprop::Accept, accept);
        }
        if (item.contains("cycle")) {
            if (valueType != host::datatype::Long) fail(where + "/cycle", "only integers have a cycle");
            const double count = number(item, "cycle", where);
            if (count < 1 || count > 100 || count != static_cast<int32_t>(count))
                fail(where + "/cycle", "expected the number of choices (1 to 100)");
            Container cycle;
            for (int32_t i = 0; i < static_cast<int32_t>(count); ++i)
                cycle.setString(i, label(symbol + "." + std::to_string(i), where));
            p.setContainer(descprop::Cycle, cycle);
        }
    }

    std::string file_;
    const std::map<std::string, int32_t>& symbols_;
    const json& strings_;
    DescriptionResource& out_;
    std::set<int32_t> seen_;
};

DescriptionResource readDescription(const fs::path& moduleFolder, const fs::path& file,
                                    std::map<std::string, std::map<std::string, int32_t>>& headers) {
    const json d = readJson(file);
    const std::string where = file.string();
    auto text = [&](const char* key) {
        if (!d.is_object() || !d.contains(key) || !d.at(key).is_string())
            throw ResourceError(where + ": /" + key + ": expected a text");
        return d.at(key).get<std::string>();
    };
    if (text("format") != FormatName) throw ResourceError(where + ": /format: not a flumpet description");
    if (!d.contains("version") || d.at("version") != FormatVersion)
        throw ResourceError(where + ": /version: expected " + std::to_string(FormatVersion));

    DescriptionResource out;
    out.name = text("name");
    if (out.name != file.stem().string())
        throw ResourceError(where + ": /name: \"" + out.name + "\" differs from the file name");
    out.baseType = text("base");
    const std::string header = text("symbols");
    if (!headers.count(header)) headers[header] = readSymbolHeader((moduleFolder / header).string());

    const fs::path stringsFile = moduleFolder / "resource" / "strings" / Language / (out.name + ".json");
    const json strings = readJson(stringsFile);
    if (!strings.is_object()) throw ResourceError(stringsFile.string() + ": expected an object of labels");

    if (!d.contains("entries")) throw ResourceError(where + ": /entries: missing");
    DescriptionReader reader(where, headers[header], strings, out);
    reader.readItems(d.at("entries"), "/entries", DescID());
    return out;
}

} // namespace

namespace {

// One symbol line: `inline constexpr int32_t SYMBOL = id;` (blanks between the parts, anything
// after the semicolon ignored). False for every other line.
bool parseSymbolLine(const std::string& line, std::string& symbol, std::string& number) {
    std::istringstream in(line);
    std::string inlineWord, constexprWord, typeWord, equals;
    if (!(in >> inlineWord >> constexprWord >> typeWord) || inlineWord != "inline" || constexprWord != "constexpr" ||
        typeWord != "int32_t")
        return false;
    std::string rest;
    std::getline(in, rest);
    // rest: " SYMBOL = id; ..." with optional blanks around '='.
    size_t i = rest.find_first_not_of(' ');
    if (i == std::string::npos) return false;
    const size_t nameEnd = rest.find_first_of(" =", i);
    if (nameEnd == std::string::npos) return false;
    symbol = rest.substr(i, nameEnd - i);
    const bool identifier = !symbol.empty() && !std::isdigit(static_cast<unsigned char>(symbol[0])) &&
                            std::all_of(symbol.begin(), symbol.end(), [](char c) {
                                return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
                            });
    if (!identifier) return false;
    i = rest.find_first_not_of(' ', nameEnd);
    if (i == std::string::npos || rest[i] != '=') return false;
    i = rest.find_first_not_of(' ', i + 1);
    if (i == std::string::npos) return false;
    const size_t semicolon = rest.find(';', i);
    if (semicolon == std::string::npos) return false;
    number = rest.substr(i, semicolon - i);
    while (!number.empty() && number.back() == ' ') number.pop_back();
    const size_t digits = number.size() > 0 && number[0] == '-' ? 1 : 0;
    return number.size() > digits && std::all_of(number.begin() + static_cast<std::ptrdiff_t>(digits), number.end(),
                                                 [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

std::map<std::string, int32_t> readSymbolHeader(const std::string& path) {
    std::istringstream in(readFile(path));
    std::map<std::string, int32_t> symbols;
    std::set<int32_t> ids;
    std::string text, symbol, number;
    for (int line = 1; std::getline(in, text); ++line) {
        if (!parseSymbolLine(text, symbol, number)) continue;
        const std::string where = path + ":" + std::to_string(line) + ": ";
        if (number.size() > 11) throw ResourceError(where + "id out of range");
        const long long id = std::stoll(number);
        if (id < INT32_MIN || id > INT32_MAX) throw ResourceError(where + "id out of range");
        if (!symbols.emplace(symbol, static_cast<int32_t>(id)).second)
            throw ResourceError(where + "symbol " + symbol + " is defined twice");
        if (!ids.insert(static_cast<int32_t>(id)).second)
            throw ResourceError(where + "id " + number + " is given to two symbols");
    }
    if (symbols.empty()) throw ResourceError(path + ": defines no symbols");
    return symbols;
}

ModuleResource loadModuleResource(const std::string& moduleFolder) {
    const fs::path folder = fs::path(moduleFolder) / "resource" / "description";
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) throw ResourceError(folder.string() + ": no such folder");
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (e.path().extension() == ".json") files.push_back(e.path());
    if (ec) throw ResourceError(folder.string() + ": " + ec.message());
    std::sort(files.begin(), files.end());

    ModuleResource out;
    std::map<std::string, std::map<std::string, int32_t>> headers;
    for (const fs::path& f : files) {
        DescriptionResource d = readDescription(moduleFolder, f, headers);
        const std::string name = d.name;
        out.descriptions.emplace(name, std::move(d));
    }
    return out;
}

Container defaultDescriptionOf(int32_t valueType) {
    Container p;
    p.setString(descprop::Name, "");
    p.setString(descprop::ShortName, "");
    p.setBool(descprop::Hide, false);
    switch (valueType) {
    case host::datatype::Group:
        p.setInt(descprop::Columns, 1);
        p.setInt(descprop::Default, 0);
        break;
    case host::datatype::Button:
        break;
    default:
        p.setInt(descprop::Animate, descprop::AnimateOn);
        break;
    }
    return p;
}

std::shared_ptr<const host::Bitmap> loadBitmap(const std::string& path) {
    // Warnings of the library would go to stderr; a failed read is reported by the result.
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(nullptr);
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (!tiff) return nullptr;
    uint32_t width = 0, height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    std::shared_ptr<host::Bitmap> out;
    // Icons are small; anything beyond this is not an icon.
    constexpr uint32_t MaxSide = 4096;
    if (width > 0 && height > 0 && width <= MaxSide && height <= MaxSide) {
        std::vector<uint32_t> raster(size_t{width} * height);
        if (TIFFReadRGBAImageOriented(tiff, width, height, raster.data(), ORIENTATION_TOPLEFT, 0)) {
            out = std::make_shared<host::Bitmap>();
            out->width = static_cast<int32_t>(width);
            out->height = static_cast<int32_t>(height);
            out->rgba.reserve(raster.size() * 4);
            for (uint32_t px : raster)
                for (uint32_t v : {TIFFGetR(px), TIFFGetG(px), TIFFGetB(px), TIFFGetA(px)})
                    out->rgba.push_back(static_cast<uint8_t>(v));
        }
    }
    TIFFClose(tiff);
    return out;
}

} // namespace flumpet::scene
