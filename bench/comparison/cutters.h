// The plane cuts being compared: ours through a modeling transaction, VTK's two clippers and
// CGAL's clip, each on its own copy of the same mesh.
#pragma once

#include "test_mesh.h"

#include <memory>
#include <string>

namespace flumpet::compare {

class Cutter {
  public:
    virtual ~Cutter() = default;
    virtual std::string name() const = 0;
    /// Builds the library's own copy of the mesh, once per size.
    virtual void load(const TriangleMesh& mesh) = 0;
    /// Readies one round (a fresh copy where the cut works in place); not timed.
    virtual void prepare() {}
    /// The timed cut, keeping the part in front of the plane.
    virtual void cut(const Plane& plane) = 0;
    /// Area of what the last cut kept; then its result is dropped.
    virtual double keptAreaAndClear() = 0;
};

std::unique_ptr<Cutter> ourCutter();
std::unique_ptr<Cutter> vtkPlaneClipperCutter();
std::unique_ptr<Cutter> vtkClipPolyDataCutter();
std::unique_ptr<Cutter> cgalClipCutter();

} // namespace flumpet::compare
