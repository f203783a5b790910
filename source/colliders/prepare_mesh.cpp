#include "colliders/prepare_mesh.h"

#include "colliders/mesh_distance.h"

#include <string>

namespace flumpet {

namespace {

/// Runs a modeling command; on failure shows "Flumpet: <name> FAILED".
host::ModelingResult run(const host::PolygonObject& object, int32_t command, const char* name, int32_t mode,
                         const host::Container& settings = {}, const host::Document& doc = {}) {
    host::ModelingResult result = object.modelingCommand(command, mode, settings, doc);
    if (!result.success && object.host()) object.host()->statusText(std::string("Flumpet: ") + name + " FAILED");
    return result;
}

host::Container conversion(int32_t from, int32_t to) {
    host::Container settings;
    settings.setInt(host::mcommandparam::ConvertFrom, from);
    settings.setInt(host::mcommandparam::ConvertTo, to);
    settings.setBool(host::mcommandparam::ConvertTolerant, false);
    return settings;
}

void freeObjects(const std::vector<host::NodeId>& ids, host::Host* host) {
    for (const host::NodeId id : ids) host::Object(host, id).free();
}

} // namespace

std::pair<bool, host::Object> prepareMesh(const host::Object& target, const host::WeightTag& weights,
                                          const std::vector<host::Object>& joints, bool split) {
    const host::PolygonObject object(target);
    if (!object.alive()) return {false, {}};

    host::Selection weighted;
    for (const host::Object& joint : joints) {
        if (joint.type() != host::type::Joint) continue;
        const int32_t index = weights.jointIndex(joint);
        if (index == -1) continue;
        for (const host::WeightEntry& e : weights.weights(index))
            if (e.weight > WeightThreshold) weighted.select(e.point);
    }
    object.setPointSelection(weighted);

    const char* convertName = "MCOMMAND_CONVERTSELECTION";
    if (!run(object, host::mcommand::ConvertSelection, convertName, host::mcommandmode::All,
             conversion(host::selectionkind::Points, host::selectionkind::Polygons))
             .success)
        return {false, {}};

    host::PolygonObject result = object;
    if (split) {
        const host::ModelingResult pieces = object.modelingCommand(host::mcommand::Split, host::mcommandmode::PolygonSelection);
        if (pieces.objects.size() > 1)
            freeObjects({pieces.objects.begin() + 1, pieces.objects.end()}, object.host());
        result = host::PolygonObject(host::Object(object.host(), pieces.objects.empty() ? host::NoNode : pieces.objects[0]));
        if (!pieces.success || !result.alive()) {
            if (!pieces.objects.empty()) freeObjects({pieces.objects[0]}, object.host());
            object.host()->statusText("Flumpet: MCOMMAND_SPLIT FAILED");
            return {false, {}};
        }
    }

    if (!run(result, host::mcommand::Triangulate, "MCOMMAND_TRIANGULATE", host::mcommandmode::All).success) {
        if (split) result.free();
        return {false, {}};
    }
    return {true, result};
}

void keepNearestPart(const host::Object& bone, const host::Object& target, const host::Document& doc) {
    const host::PolygonObject piece(target);
    const MeshDistance nearest = meshDistance(bone, piece);
    if (nearest.polygon == NoPolygon) return;
    host::Selection start;
    start.select(static_cast<int32_t>(nearest.polygon));
    piece.setPolygonSelection(start);
    run(piece, host::mcommand::SelectConnected, "MCOMMAND_SELECTCONNECTED", host::mcommandmode::PolygonSelection, {}, doc);
    run(piece, host::mcommand::SelectInverse, "MCOMMAND_SELECTINVERSE", host::mcommandmode::PolygonSelection, {}, doc);
    piece.setPointSelection({});
    run(piece, host::mcommand::ConvertSelection, "MCOMMAND_CONVERTSELECTION", host::mcommandmode::All,
        conversion(host::selectionkind::Polygons, host::selectionkind::Points), doc);
}

} // namespace flumpet
