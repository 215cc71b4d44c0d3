#pragma once
// MODEL's arguments for the benchmarks, with the initialisation through NF = 0.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "model/modVarnel.h"

namespace corvane::bench {

inline std::string DataFile(const char* name) {
    return (std::filesystem::path(CORVANE_TEST_DATA) / name).string();
}

struct ModelCall {
    GrowthModel model;
    Vec1<double> x, step, dF;
    Vec1<std::string> description, fuse;
    Mat1<double> d2F;
    int np = 0;
    std::int32_t dataCount = 0;
    double own = 0.0;
    bool ok = false;

    explicit ModelCall(const GrowthSetup& setup) {
        model.SetPendingSettings(setup);
        double f = 0.0;
        std::int32_t code = 0;
        model.MODEL(f, x, step, description, fuse, np, code, dataCount, dF, d2F, own);
        ok = !model.InitialisationFailed();
    }
    double Evaluate(std::int32_t call) {
        double f = 0.0;
        model.MODEL(f, x, step, description, fuse, np, call, dataCount, dF, d2F, own);
        return f;
    }
};

// A benchmark at 1 and 2 threads (its argument), timed by the wall clock:
// the CPU time of the timing thread alone says nothing of its helpers.
inline void AtOneAndTwoThreads(benchmark::internal::Benchmark* b) {
    b->ArgName("threads")->Arg(1)->Arg(2)->UseRealTime();
}

// Times one evaluation per iteration (call codes 2, 3, ...: never the first
// call of a run, which also checks the proportions), on as many threads as
// the benchmark's argument says.
inline void TimeEvaluations(benchmark::State& state, ModelCall& call) {
    if (!call.ok) {
        state.SkipWithError("the data files were not found");
        return;
    }
    call.model.SetThreads(static_cast<int>(state.range(0)));
    std::int32_t code = 2;
    for (auto _ : state) benchmark::DoNotOptimize(call.Evaluate(code++));
    state.counters["objective"] = call.Evaluate(2);
}

}  // namespace corvane::bench
