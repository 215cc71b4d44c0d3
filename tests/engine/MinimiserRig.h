#pragma once
// A Workbench around a small test model, for the minimiser tests.
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <string_view>

#include "engine/modCorvane.h"
#include "support/ScriptedDialogs.h"
#include "support/TestModels.h"

namespace corvane::testing {

struct MinimiserRig {
    MinimiserRig(int np, FunctionModel::Function f) : model(np, std::move(f)), wb(t.ports(), &model) {
        InitialiseModel(wb);
        SetDefaultAlgorithmData(wb.alg, np);
    }
    void Free(int i, double value, double step) {
        wb.alg.value[i] = value;
        wb.alg.step[i] = step;
    }
    // The Marquardt set-up dialogue answered with a derivative kind and the
    // answer to "see the partial derivatives".
    void ExpectMarquardtSetUp(bool analytical, bool showDerivatives = false) {
        t.dialogs.ExpectMessage("Marquardt minimization", "Choose 'Yes' if you have provided ANALYTICAL",
                                analytical ? Answer::Yes : Answer::No)
            .ExpectMessage("Marquardt minimization", analytical ? "choosing Coke" : "choosing Pepsi")
            .ExpectMessage("Marquardt minimization", "Do you want to see the partial derivatives",
                           showDerivatives ? Answer::Yes : Answer::No);
    }

    FunctionModel model;
    TestPorts t;
    Workbench wb;
};

enum class Method { Simplex, Numerical, Analytical };

// The menu command of a method, expecting its set-up questions and its
// "minimum found" message.
inline MinimiserResult Minimise(MinimiserRig& r, Method method) {
    if (method == Method::Simplex) {
        r.t.dialogs.ExpectMessage("Simplex minimum", "Minimum found using Simplex!");
        return SimplexCommand(r.wb);
    }
    r.ExpectMarquardtSetUp(method == Method::Analytical);
    r.t.dialogs.ExpectMessage("Marquardt minimum", "Minimum found using Marquardt!");
    return MarquardtCommand(r.wb);
}

// Lines each ended by CR LF.
inline std::string CrLfLines(std::initializer_list<std::string_view> lines) {
    std::string out;
    for (auto l : lines) out.append(l).append("\r\n");
    return out;
}

inline std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A fresh directory under the system's temporary directory.
inline std::filesystem::path TempDir(const std::string& name) {
    const auto dir = std::filesystem::temp_directory_path() / ("corvane-" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace corvane::testing
