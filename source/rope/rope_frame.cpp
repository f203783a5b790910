#include "rope/rope_frame.h"

#include "colliders/aim_matrix.h"

#include <initializer_list>

namespace flumpet {

host::Matrix ropeFrame(const host::Vector& from, const host::Vector& to, const host::Vector& up) {
    host::Matrix unturned;
    unturned.off = from;
    if (from == to) return unturned;
    for (const host::Vector& roll : {up, host::Vector{0, 0, 1}, host::Vector{1, 0, 0}, host::Vector{0, 1, 0}}) {
        const host::Matrix frame = aimMatrix(from, to, roll);
        if (frame.v1 != host::Vector{} && frame.v3 != host::Vector{}) return frame;
    }
    return unturned;
}

} // namespace flumpet
