// The dynamics cache a bake leaves on the document's dynamics settings hook: part of the
// document, so it is saved in scene files and a bake or a clear is undone like any change.
#pragma once

#include "scene/dynamics/simulation.h"
#include "scene/node.h"

namespace flumpet::scene {

class BakeCachePayload : public Payload {
  public:
    explicit BakeCachePayload(BakedMotion motion) : motion_(std::move(motion)) {}
    const BakedMotion& motion() const { return motion_; }

    std::unique_ptr<Payload> clone() const override { return std::make_unique<BakeCachePayload>(motion_); }
    // The bodies are weak links: a file's load renumbers them with the nodes.
    void visitLinks(const std::function<void(NodeId&)>& visit) override {
        for (NodeId& id : motion_.bodies) visit(id);
    }
    size_t ownBytes() const override {
        return motion_.bodies.size() * sizeof(NodeId) + motion_.frames.size() * motion_.bodies.size() * sizeof(host::Matrix);
    }

  private:
    BakedMotion motion_;
};

} // namespace flumpet::scene
