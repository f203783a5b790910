#include "spline_steps.h"

#include "host/geometry_handles.h"
#include "host/ids.h"
#include "object_paths.h"
#include "scene/engine.h"
#include "step_parsing.h"

#include <algorithm>
#include <optional>
#include <sstream>
#include <vector>

namespace flumpet::app {

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    while (true) {
        const auto at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

host::Vector point(const Step& step, const std::string& text) {
    if (std::count(text.begin(), text.end(), ',') != 2) fail(step, "expected a point x,y,z, found \"" + text + "\"");
    const std::optional<host::Vector> p = parseVector(text);
    if (!p) fail(step, "expected three finite numbers in \"" + text + "\"");
    return *p;
}

std::string pointText(const host::Vector& p) {
    std::ostringstream out;
    out << "(" << p.x << ", " << p.y << ", " << p.z << ")";
    return out.str();
}

/// The object named by text, as a spline; fails for anything else.
host::SplineObject splineNamed(const RunContext& c, const Step& step, const std::string& text) {
    host::Object o;
    try {
        o = findObject(c.doc, text);
    } catch (const CommandError& e) {
        fail(step, e.what());
    }
    const host::SplineObject spline(o);
    if (!spline.alive()) fail(step, objectPath(o) + " is not a spline");
    return spline;
}

} // namespace

std::string addSpline(RunContext& c, const Step& step) {
    const auto eq = step.argument.find('=');
    if (eq == std::string::npos || eq == 0) fail(step, "expected PARENT/NAME=x,y,z;x,y,z...");
    std::vector<std::string> path = splitPath(step.argument.substr(0, eq), '/');
    const std::string name = path.back();
    if (name.empty()) fail(step, "the spline needs a name");
    path.pop_back();
    host::Object parent;
    if (!path.empty()) {
        std::string parentPath;
        for (size_t i = 0; i < path.size(); ++i) {
            if (i) parentPath.push_back('/');
            parentPath.append(escapeName(path[i]));
        }
        try {
            parent = findObject(c.doc, parentPath);
        } catch (const CommandError& e) {
            fail(step, e.what());
        }
    }

    std::vector<std::string> parts = split(step.argument.substr(eq + 1), ':');
    bool closed = false;
    int32_t interpolation = host::splinetype::Cubic;
    for (size_t i = 1; i < parts.size(); ++i) {
        if (parts[i] == "closed" || parts[i] == "open") closed = parts[i] == "closed";
        else if (parts[i] == "linear" || parts[i] == "cubic")
            interpolation = parts[i] == "linear" ? host::splinetype::Linear : host::splinetype::Cubic;
        else fail(step, "unknown option \"" + parts[i] + "\" (closed, open, linear or cubic)");
    }
    std::vector<host::Vector> points;
    std::vector<int32_t> segments;
    for (const std::string& segment : split(parts[0], '|')) {
        const std::vector<std::string> texts = split(segment, ';');
        if (texts.size() < 2) fail(step, "every segment needs at least two points");
        for (const std::string& t : texts) points.push_back(point(step, t));
        segments.push_back(static_cast<int32_t>(texts.size()));
    }

    host::Host& host = c.engine;
    const host::Object spline(&host, host.allocObject(host::type::Spline));
    if (!spline.alive()) fail(step, "the host cannot make a spline");
    spline.setName(name);
    host::Container data = spline.data();
    data.setInt(host::param::SplineType, interpolation);
    data.setBool(host::param::SplineClosed, closed);
    spline.setData(data);
    if (!host.geometry().setSpline(spline.id(), points, segments)) {
        spline.free();
        fail(step, "the host refused the points");
    }
    c.doc.startUndo();
    const bool inserted = c.doc.insertLast(spline, parent);
    if (inserted) c.doc.addUndo(host::undo::NewObject, spline);
    c.doc.endUndo();
    if (!inserted) {
        spline.free();
        fail(step, "the spline could not be inserted");
    }
    return "added " + objectPath(spline) + " (" + std::to_string(points.size()) + " points, " +
           std::to_string(segments.size()) + (segments.size() == 1 ? " segment, " : " segments, ") +
           (closed ? "closed, " : "open, ") + (interpolation == host::splinetype::Linear ? "linear)" : "cubic)");
}

std::string movePoint(RunContext& c, const Step& step) {
    const auto eq = step.argument.rfind('=');
    const auto colon = step.argument.rfind(':');
    if (eq == std::string::npos || eq == 0 || colon == std::string::npos || colon < eq)
        fail(step, "expected SPLINE=INDEX:x,y,z");
    const host::SplineObject spline = splineNamed(c, step, step.argument.substr(0, eq));
    const std::optional<int32_t> index = parseInt(step.argument.substr(eq + 1, colon - eq - 1));
    const auto count = static_cast<int64_t>(spline.points().size());
    if (!index || *index < 0 || *index >= count)
        fail(step, "expected a point index from 0 to " + std::to_string(count - 1));
    const host::Vector to = point(step, step.argument.substr(colon + 1));

    host::Host& host = c.engine;
    host::GeometryServices& geometry = host.geometry();
    std::vector<host::Vector> points(spline.points().begin(), spline.points().end());
    const std::span<const int32_t> sizes = geometry.splineSegmentSizes(spline.id());
    const std::vector<int32_t> segments(sizes.begin(), sizes.end());
    const host::Vector from = points[size_t(*index)];
    points[size_t(*index)] = to;
    c.doc.startUndo();
    c.doc.addUndo(host::undo::Change, spline);
    const bool moved = geometry.setSpline(spline.id(), points, segments);
    c.doc.endUndo();
    if (!moved) fail(step, "the host refused the point");
    // As after a drag in the viewport: the host re-evaluates, which runs the dirty checks.
    if (c.evaluate) c.evaluate();
    return "moved point " + std::to_string(*index) + " of " + objectPath(spline) + " from " + pointText(from) +
           " to " + pointText(to);
}

} // namespace flumpet::app
