#include "scene/primitives.h"

#include "host/ids.h"

namespace flumpet::scene {

void setPrimitiveDefaults(Node& node) {
    namespace p = host::primitive;
    Container& data = node.data;
    switch (node.type) {
    case host::type::Cube: data.setVector(p::CubeSize, {200.0, 200.0, 200.0}); break;
    case host::type::Sphere: data.setFloat(p::SphereRadius, 100.0); break;
    case host::type::Cylinder:
        data.setFloat(p::CylinderRadius, 50.0);
        data.setFloat(p::CylinderHeight, 200.0);
        break;
    case host::type::Cone:
        data.setFloat(p::ConeTopRadius, 0.0);
        data.setFloat(p::ConeBottomRadius, 100.0);
        data.setFloat(p::ConeHeight, 200.0);
        break;
    default: break;
    }
}

} // namespace flumpet::scene
