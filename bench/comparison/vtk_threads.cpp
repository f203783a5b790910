// Kept apart: VTK 9.1's vtkSMPTools.h does not compile as C++20, so this file is built as C++17.
#include <vtkSMPTools.h>

#include <string>

namespace flumpet::compare {

bool useOneVtkThread() {
    vtkSMPTools::SetBackend("Sequential");
    return std::string(vtkSMPTools::GetBackend()) == "Sequential";
}

} // namespace flumpet::compare
