// Small scenes in a few lines: an engine with one active document and helpers to add objects.
#pragma once

#include "host/geometry_handles.h"
#include "host/ids.h"
#include "host/nodes.h"
#include "scene/engine.h"
#include "scene/scene_file.h"

#include <string>
#include <vector>

namespace flumpet::test {

struct SceneFixture {
    scene::Engine engine;
    host::Document doc{&engine, engine.newDocument()};

    /// A new object of a type, named, inserted as last child of parent (top level when empty).
    host::Object add(int32_t type, const std::string& name, const host::Object& parent = {}) {
        host::Object o(&engine, engine.allocObject(type));
        o.setName(name);
        doc.insertLast(o, parent);
        return o;
    }
    host::Object addNull(const std::string& name, const host::Object& parent = {}) {
        return add(host::type::Null, name, parent);
    }
    /// A chain of joints, each the child of the one before, one unit apart along Y.
    std::vector<host::Object> addJointChain(const std::vector<std::string>& names, const host::Object& parent = {}) {
        std::vector<host::Object> out;
        host::Object at = parent;
        for (const auto& n : names) {
            host::Object j = add(host::type::Joint, n, at);
            if (!out.empty()) j.setLocalPosition({0, 1, 0});
            out.push_back(j);
            at = j;
        }
        return out;
    }
    host::Tag addTag(const host::Object& object, int32_t type) {
        host::Tag t(&engine, engine.allocTag(type));
        object.insertTag(t);
        return t;
    }
    /// A polygon object with points and polygons (a triangle as {a, b, c, c}), inserted.
    host::PolygonObject addMesh(const std::string& name, const std::vector<host::Vector>& points,
                                const std::vector<host::Polygon>& polygons, const host::Object& parent = {}) {
        host::PolygonObject mesh(add(host::type::Polygon, name, parent));
        mesh.setMesh(points, polygons);
        return mesh;
    }
    /// A spline object with one segment per entry of segments (one segment when empty).
    host::SplineObject addSpline(const std::string& name, const std::vector<host::Vector>& points,
                                 int32_t interpolation = host::splinetype::Cubic, bool closed = false,
                                 const std::vector<int32_t>& segments = {}, const host::Object& parent = {}) {
        host::SplineObject spline(add(host::type::Spline, name, parent));
        engine.geometry().setSpline(spline.id(), points, segments);
        spline.setParameter(host::DescID(host::param::SplineType), interpolation);
        spline.setParameter(host::DescID(host::param::SplineClosed), closed);
        return spline;
    }
    std::string save() { return scene::saveDocument(engine, doc.id()); }
};

} // namespace flumpet::test
