#include "cutters.h"

#include <vtkCellArray.h>
#include <vtkCellArrayIterator.h>
#include <vtkClipPolyData.h>
#include <vtkDoubleArray.h>
#include <vtkIdTypeArray.h>
#include <vtkNew.h>
#include <vtkPlane.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkPolyDataPlaneClipper.h>
#include <vtkSmartPointer.h>

#include <vector>

namespace flumpet::compare {

namespace {

vtkSmartPointer<vtkPolyData> toPolyData(const TriangleMesh& mesh) {
    vtkNew<vtkPoints> points;
    points->SetDataTypeToDouble();
    points->SetNumberOfPoints(static_cast<vtkIdType>(mesh.points.size()));
    for (size_t i = 0; i < mesh.points.size(); ++i)
        points->SetPoint(static_cast<vtkIdType>(i), mesh.points[i].x, mesh.points[i].y, mesh.points[i].z);
    vtkNew<vtkCellArray> polys;
    polys->AllocateExact(static_cast<vtkIdType>(mesh.triangles.size()),
                         static_cast<vtkIdType>(3 * mesh.triangles.size()));
    for (const auto& t : mesh.triangles) {
        const vtkIdType ids[3] = {t[0], t[1], t[2]};
        polys->InsertNextCell(3, ids);
    }
    auto out = vtkSmartPointer<vtkPolyData>::New();
    out->SetPoints(points);
    out->SetPolys(polys);
    return out;
}

double polygonArea(vtkPolyData* data) {
    double total = 0.0;
    vtkPoints* points = data->GetPoints();
    if (!points) return 0.0;
    const auto at = [&](vtkIdType i) {
        double p[3];
        points->GetPoint(i, p);
        return Vector{p[0], p[1], p[2]};
    };
    const auto sum = [&](vtkCellArray* cells) {
        auto it = vtk::TakeSmartPointer(cells->NewIterator());
        for (it->GoToFirstCell(); !it->IsDoneWithTraversal(); it->GoToNextCell()) {
            vtkIdType n = 0;
            const vtkIdType* ids = nullptr;
            it->GetCurrentCell(n, ids);
            for (vtkIdType k = 1; k + 1 < n; ++k)
                total += triangleArea(at(ids[0]), at(ids[k]), at(ids[k + 1]));
        }
    };
    sum(data->GetPolys());
    sum(data->GetStrips()); // neither clipper makes strips from triangles; counted all the same
    return total;
}

vtkSmartPointer<vtkPlane> toPlane(const Plane& plane) {
    auto p = vtkSmartPointer<vtkPlane>::New();
    p->SetOrigin(plane.origin.x, plane.origin.y, plane.origin.z);
    p->SetNormal(plane.normal.x, plane.normal.y, plane.normal.z);
    return p;
}

class PlaneClipperCutter final : public Cutter {
  public:
    std::string name() const override { return "vtkPolyDataPlaneClipper"; }
    void load(const TriangleMesh& mesh) override { input_ = toPolyData(mesh); }
    void cut(const Plane& plane) override {
        auto clipper = vtkSmartPointer<vtkPolyDataPlaneClipper>::New();
        clipper->SetInputData(input_);
        clipper->SetPlane(toPlane(plane));
        clipper->ClippingLoopsOff();
        clipper->CappingOff();
        clipper->Update();
        output_ = clipper->GetOutput();
    }
    double keptAreaAndClear() override {
        const double area = polygonArea(output_);
        output_ = nullptr;
        return area;
    }

  private:
    vtkSmartPointer<vtkPolyData> input_;
    vtkSmartPointer<vtkPolyData> output_;
};

class ClipPolyDataCutter final : public Cutter {
  public:
    std::string name() const override { return "vtkClipPolyData"; }
    void load(const TriangleMesh& mesh) override { input_ = toPolyData(mesh); }
    void cut(const Plane& plane) override {
        auto clipper = vtkSmartPointer<vtkClipPolyData>::New();
        clipper->SetInputData(input_);
        clipper->SetClipFunction(toPlane(plane));
        clipper->InsideOutOff(); // keeps where the plane's function is positive: in front
        clipper->Update();
        output_ = clipper->GetOutput();
    }
    double keptAreaAndClear() override {
        const double area = polygonArea(output_);
        output_ = nullptr;
        return area;
    }

  private:
    vtkSmartPointer<vtkPolyData> input_;
    vtkSmartPointer<vtkPolyData> output_;
};

} // namespace

std::unique_ptr<Cutter> vtkPlaneClipperCutter() {
    return std::make_unique<PlaneClipperCutter>();
}

std::unique_ptr<Cutter> vtkClipPolyDataCutter() {
    return std::make_unique<ClipPolyDataCutter>();
}

} // namespace flumpet::compare
