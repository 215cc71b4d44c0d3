#pragma once
// Helpers of the growth-model tests: scratch files, algorithm files and a
// workbench carrying the growth model.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/modCorvane.h"
#include "model/modVarnel.h"
#include "support/ScriptedDialogs.h"
#include "support/TestData.h"

namespace corvane::testing {

// A directory of its own for each test, removed afterwards.
struct ScratchDir {
    std::filesystem::path dir;
    ScratchDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              ("corvane-model-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
               std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
    }
    ~ScratchDir() { std::filesystem::remove_all(dir); }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    std::string Write(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
        return Path(name);
    }
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The 19 fixed parameters with every optional effect off.
inline std::vector<double> Fixed19(double mu, double sdL, double k, double sdK) {
    return {mu, sdL, k, sdK, 0, 0, 0, 0, 0, 0, 0, 0, kNotUsed, 0, 1, 0, 0, kNotUsed, kNotUsed};
}

// An algorithm file holding the values, written as the command menu writes it.
inline std::string AlgorithmText(const std::vector<double>& values) {
    AlgorithmData a;
    a.np = static_cast<int>(values.size());
    SetDefaultAlgorithmData(a, a.np);
    for (int i = 1; i <= a.np; ++i) a.value[i] = values[static_cast<std::size_t>(i - 1)];
    return FormatAlgorithmFile(a, AlgorithmWriter::CommandMenu);
}

inline Vec1<double> ToVec1(const std::vector<double>& values) {
    Vec1<double> v(static_cast<int>(values.size()));
    for (int i = 1; i <= v.size(); ++i) v[i] = values[static_cast<std::size_t>(i - 1)];
    return v;
}

// The growth model on a workbench with scripted ports.
struct GrowthBench {
    TestPorts t;
    GrowthModel model{&t.dialogs};
    Workbench wb{t.ports(), &model};

    bool Initialise(const GrowthSetup& setup) {
        model.SetPendingSettings(setup);
        return InitialiseModel(wb);
    }
    bool InitialiseIncrements(const std::string& path, char errors = 'N') {
        GrowthSetup s;
        s.incrementPath = path;
        s.errors = errors;
        return Initialise(s);
    }
    // MODEL through the engine's road, with the given call code.
    double Evaluate(const std::vector<double>& values, std::int32_t nf = 1) {
        Vec1<double> x = ToVec1(values);
        return ObjectiveAt(wb, x, nf);
    }
};

}  // namespace corvane::testing
