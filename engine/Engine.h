#pragma once
// Objective evaluation: fuse groups, the free-parameter list, fuse expansion,
// the call of MODEL with the prior added, and "&1 Function call".
#include <cstdint>
#include <string>

#include "numeric/OneBased.h"

namespace corvane {

struct AlgorithmData;
class Workbench;

struct EngineState {
    // Free parameters: step size not zero, in parameter order.
    int nfree = 0;
    Vec1<int> freeIndex;
    Vec1<double> freeValue;
    Vec1<double> freeStep;

    // Fuse groups.
    int groupCount = 0;
    Vec1<std::string> groupCode;
    Vec1<int> groupMembers;
    Vec1<double> groupValue;

    Vec1<double> trial;  // the full vector handed to MODEL

    std::int32_t functionCalls = 0;
    bool priorsInUse = false;
    double priorContribution = 0.0;

    bool bayesianMode = false;
    bool mlMode = false;
    int evaluatedParameter = 0;

    // Set by a progress window's Interrupt button, polled by the loops.
    bool interruptRequested = false;
};

void SetUpFuseGroups(AlgorithmData& data, EngineState& engine);
void BuildFreeList(const AlgorithmData& data, EngineState& engine);
// The run set-up every engine command performs first.
inline void SetUpRun(AlgorithmData& data, EngineState& engine) {
    SetUpFuseGroups(data, engine);
    BuildFreeList(data, engine);
}

// Gives the fused parameters of a full vector their group's value, in place.
// Later members of a group get step 0 in the algorithm data.
void ExpandFuses(Vec1<double>& vector, AlgorithmData& data, const EngineState& engine);

// MODEL on a full vector with the given call code, plus the prior total while
// priors are in use.  The vector is expected to be fuse-expanded already.
double ObjectiveAt(Workbench& wb, Vec1<double>& vector, std::int32_t callCode);

// For a point of the free-parameter space (1..NFREE): counts one function
// call, builds the trial vector, expands fuses and evaluates with
// NF = the function-call counter.
double EvaluateObjective(Workbench& wb, const Vec1<double>& point);

// The engine's side of model initialisation: fuses expanded on the current
// values, MODEL with NF = 0, then the per-parameter arrays and the prior table
// sized to the model's parameters, every prior uniform-unbounded and every
// parameter unfused.  False (nothing changed) when the model abandoned it.
bool InitialiseModel(Workbench& wb);

struct OneFunctionCallResult {
    double objective = 0.0;
    double seconds = 0.0;  // rounded to hundredths
    std::string report;
};

// "&1 Function call" without its window: sets up the run (fuse groups and
// free list), evaluates at the algorithm data's values (which the model may
// rewrite) and builds the report.
OneFunctionCallResult ComputeOneFunctionCall(Workbench& wb);

// The command with its status text and window.
OneFunctionCallResult OneFunctionCall(Workbench& wb);

// Report pieces shared by the minimisers and the one-function call:
// "    003)  1.2345678E+00  ~~  description"
std::string ParameterLine(int parameter, double value, const std::string& fuse, const std::string& description);
// "    003)  1.2345678E+00    004) ..." four to a line, each line ended by CR LF.
std::string ParametersFourToALine(const Vec1<int>& parameters, const Vec1<double>& values, int count);

}  // namespace corvane
