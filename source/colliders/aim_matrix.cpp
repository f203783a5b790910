#include "colliders/aim_matrix.h"

namespace flumpet {

host::Matrix aimMatrix(const host::Vector& from, const host::Vector& to, const host::Vector& up) {
    const host::Vector y = host::normalise(to - from);
    const host::Vector x = host::normalise(host::cross(y, up));
    const host::Vector z = host::normalise(host::cross(x, y));
    return {from, x, y, z};
}

} // namespace flumpet
