#include "engine/Engine.h"

#include <cmath>

#include "engine/modCorvane.h"
#include "numeric/Format.h"

namespace corvane {

void SetUpFuseGroups(AlgorithmData& data, EngineState& engine) {
    engine.groupCount = 0;
    engine.groupCode.resize(data.np);
    engine.groupMembers.resize(data.np, 0);
    engine.groupValue.resize(data.np, 0.0);
    for (int i = 1; i <= data.np; ++i) {
        if (data.fuse[i] == kUnfused) continue;
        int g = 1;
        while (g <= engine.groupCount && engine.groupCode[g] != data.fuse[i]) ++g;
        if (g <= engine.groupCount) {
            ++engine.groupMembers[g];
            data.step[i] = 0.0;
            data.value[i] = engine.groupValue[g];
        } else {
            engine.groupCount = g;
            engine.groupCode[g] = data.fuse[i];
            engine.groupMembers[g] = 1;
            engine.groupValue[g] = data.value[i];
        }
    }
    // A code used once is not a fuse.
    for (int g = 1; g <= engine.groupCount; ++g) {
        if (engine.groupMembers[g] != 1) continue;
        for (int i = 1; i <= data.np; ++i)
            if (data.fuse[i] == engine.groupCode[g]) data.fuse[i] = kUnfused;
    }
}

void BuildFreeList(const AlgorithmData& data, EngineState& engine) {
    int n = 0;
    for (int i = 1; i <= data.np; ++i)
        if (data.step[i] != 0.0) ++n;
    engine.nfree = n;
    engine.freeIndex.resize(n, 0);
    engine.freeValue.resize(n, 0.0);
    engine.freeStep.resize(n, 0.0);
    int k = 0;
    for (int i = 1; i <= data.np; ++i) {
        if (data.step[i] == 0.0) continue;
        ++k;
        engine.freeIndex[k] = i;
        engine.freeValue[k] = data.value[i];
        engine.freeStep[k] = data.step[i];
    }
    engine.trial.resize(data.np, 0.0);
}

void ExpandFuses(Vec1<double>& vector, AlgorithmData& data, const EngineState& engine) {
    const int groups = engine.groupCount;
    // Small groups lists: a local table per call keeps this re-entrant.
    Vec1<double> value(groups, 0.0);
    Vec1<int> seen(groups, 0);
    const bool evaluating = engine.bayesianMode || engine.mlMode;
    for (int i = 1; i <= data.np; ++i) {
        if (data.fuse[i] == kUnfused) continue;
        int g = 1;
        while (g <= groups && engine.groupCode[g] != data.fuse[i]) ++g;
        if (g > groups) continue;  // a code without a group is left alone
        const bool overwrite = seen[g] && (!evaluating || data.step[i] != 0.0 || i != engine.evaluatedParameter);
        if (overwrite) {
            vector[i] = value[g];
            data.step[i] = 0.0;
        } else {
            value[g] = vector[i];
            seen[g] = 1;
        }
    }
}

double ObjectiveAt(Workbench& wb, Vec1<double>& vector, std::int32_t callCode) {
    double f = 0.0;
    std::int32_t nfCode = callCode;
    wb.model->MODEL(f, vector, wb.alg.step, wb.alg.description, wb.alg.fuse, wb.alg.np, nfCode, wb.dataCount,
                    wb.modelFirstDerivatives, wb.modelSecondDerivatives, wb.modelOwnValue);
    if (wb.engine.priorsInUse) {
        wb.engine.priorContribution = wb.priors->PriorNegLnL(vector);
        f += wb.engine.priorContribution;
    }
    return f;
}

double EvaluateObjective(Workbench& wb, const Vec1<double>& point) {
    EngineState& e = wb.engine;
    ++e.functionCalls;
    e.trial.resize(wb.alg.np, 0.0);
    for (int i = 1; i <= wb.alg.np; ++i) e.trial[i] = wb.alg.value[i];
    for (int k = 1; k <= e.nfree; ++k) e.trial[e.freeIndex[k]] = point[k];
    ExpandFuses(e.trial, wb.alg, e);
    return ObjectiveAt(wb, e.trial, e.functionCalls);
}

bool InitialiseModel(Workbench& wb) {
    AlgorithmData& a = wb.alg;
    ExpandFuses(a.value, a, wb.engine);
    double f = 0.0;
    std::int32_t code = nf::Initialise;
    int np = a.np;
    // The model writes into copies so that an abandoned initialisation
    // leaves the algorithm data exactly as they were.
    Vec1<double> value = a.value, step = a.step;
    Vec1<std::string> description = a.description, fuse = a.fuse;
    wb.model->MODEL(f, value, step, description, fuse, np, code, wb.dataCount, wb.modelFirstDerivatives,
                    wb.modelSecondDerivatives, wb.modelOwnValue);
    if (wb.model->InitialisationFailed() || np < 0) return false;
    a.np = np;
    a.value = value;
    a.step = step;
    a.description = description;
    a.value.resizePreserve(np, 0.0);
    a.step.resizePreserve(np, 0.0);
    a.description.resizePreserve(np);
    // Every parameter starts unfused: a lone "~" would be read as one fuse
    // group holding every parameter.
    a.fuse.resize(np, kUnfused);
    a.simplexCurrent = false;
    // Covariances of the model as it was describe nothing now.
    wb.app.covarianceCurrent = false;
    wb.priorTable.Reset(np);
    const double c = wb.model->SuggestedCovarianceConstant();
    wb.priorTable.reciprocalConstant = c > 0.0 ? 1.0 / c : 1.0;
    wb.engine.priorsInUse = false;
    wb.engine.trial.resize(np, 0.0);
    // The derivative outputs are sized by the Marquardt set-up when asked for.
    wb.app.modelInitialised = true;
    return true;
}

std::string ParameterLine(int parameter, double value, const std::string& fuse, const std::string& description) {
    return Format(parameter, "    000) ") + RightJustify(Format(value, "0.0000000E+00"), 14) + " " +
           RightJustify(fuse, 3) + "  " + description;
}

std::string ParametersFourToALine(const Vec1<int>& parameters, const Vec1<double>& values, int count) {
    std::string out;
    for (int k = 1; k <= count; ++k) {
        out += Format(parameters[k], "    000) ") + RightJustify(Format(values[k], "0.0000000E+00"), 14);
        if (k % 4 == 0 || k == count) out += CRLF;
    }
    return out;
}

OneFunctionCallResult ComputeOneFunctionCall(Workbench& wb) {
    OneFunctionCallResult result;
    // Like every engine command: without its fuse groups the expansion below
    // would leave fused parameters at their own values.
    SetUpRun(wb.alg, wb.engine);
    const double t0 = wb.ports.clock.SecondsSinceMidnight();
    ExpandFuses(wb.alg.value, wb.alg, wb.engine);
    result.objective = ObjectiveAt(wb, wb.alg.value, nf::Once);
    const double t1 = wb.ports.clock.SecondsSinceMidnight();
    double elapsed = t1 - t0;
    if (elapsed < 0.0) elapsed += 86400.0;  // past midnight
    result.seconds = std::floor(elapsed * 100.0 + 0.5) / 100.0;

    std::string& r = result.report;
    r += CRLF;
    r += "Current minimum of " + Format(result.objective, "####0.#####") + " found at the following parameter values: ";
    r += std::string(CRLF) + CRLF;
    for (int i = 1; i <= wb.alg.np; ++i) {
        const std::string description = i <= wb.alg.description.size() ? wb.alg.description[i] : std::string();
        r += ParameterLine(i, wb.alg.value[i], wb.alg.fuse[i], description) + CRLF;
    }
    r += CRLF;
    // A call quicker than the clock's hundredths would read "about 0 seconds".
    r += result.seconds > 0.0 ? "Note: One function call requires about " + NumberText(result.seconds) + " seconds"
                              : std::string("Note: One function call requires less than a second");
    return result;
}

OneFunctionCallResult OneFunctionCall(Workbench& wb) {
    wb.Status(1, "One moment please...");
    wb.ports.dialogs.ProcessEvents();
    OneFunctionCallResult result = ComputeOneFunctionCall(wb);
    wb.oneCallView.SetArea(1, result.report);
    wb.ports.windows.Show(wb.oneCallView);
    if (wb.engine.priorsInUse && wb.priorReview) wb.priorReview(wb);
    wb.Status(1, "");
    return result;
}

}  // namespace corvane
