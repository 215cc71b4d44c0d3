#include "cli/Json.h"

#include <cmath>
#include <ostream>

#include "cli/ModelNotes.h"
#include "engine/modCorvane.h"
#include "model/GrowthModel.h"

namespace corvane::cli {

namespace {

Json Number(double v) { return std::isfinite(v) ? Json(v) : Json(nullptr); }

}  // namespace

void AddObjective(Json& j, double objective, const GrowthModel& model, double incrementTwice, double frequencyTwice) {
    j["objective"] = Number(objective);
    if (model.Settings().kind == 'B') {
        j["increment_contribution"] = Number(incrementTwice);
        j["frequency_contribution"] = Number(frequencyTwice);
    }
}

void AddParameters(Json& j, const Workbench& wb, const GrowthModel& model) {
    // The free list as a run would build it, on copies: a step on a fused
    // follower does not make it free.
    AlgorithmData alg = wb.alg;
    EngineState engine;
    SetUpRun(alg, engine);
    std::vector<bool> free(static_cast<std::size_t>(wb.alg.np) + 1, false);
    for (int k = 1; k <= engine.nfree; ++k) free[static_cast<std::size_t>(engine.freeIndex[k])] = true;

    Json parameters = Json::array();
    const AlgorithmData& a = wb.alg;
    for (int i = 1; i <= a.np; ++i) {
        parameters.push_back({{"number", i},
                              {"description", i <= a.description.size() ? a.description[i] : std::string()},
                              {"value", Number(a.value[i])},
                              {"step", Number(a.step[i])},
                              {"fuse", i <= a.fuse.size() ? a.fuse[i] : std::string(kUnfused)},
                              {"free", free[static_cast<std::size_t>(i)]}});
    }
    j["parameters"] = std::move(parameters);
    j["sample_size"] = model.SampleSize();
    j["free_parameters"] = engine.nfree;
}

void AddWarnings(Json& j, const ModelNotes& notes) {
    Json warnings = Json::array();
    for (const auto& w : notes.skippedEntirely) warnings.push_back(w);
    for (const auto& w : notes.warnings) warnings.push_back(w);
    if (notes.otherWarnings > 0)
        warnings.push_back(std::to_string(notes.otherWarnings) + " more warnings not told apart");
    j["warnings"] = std::move(warnings);
}

std::string OutcomeName(MinimiserEnd end) {
    switch (end) {
        case MinimiserEnd::Converged: return "minimum";
        case MinimiserEnd::LimitReached: return "limit";
        case MinimiserEnd::Interrupted:
        case MinimiserEnd::ProfileQuit: return "interrupted";
        default: return "no verified minimum";
    }
}

std::string JsonText(const Json& j) { return j.dump(2, ' ', false, Json::error_handler_t::replace) + "\n"; }

void WriteJson(std::ostream& out, const Json& j) { out << JsonText(j); }

}  // namespace corvane::cli
