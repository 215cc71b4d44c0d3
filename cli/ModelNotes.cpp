#include "cli/ModelNotes.h"

#include <cmath>
#include <ostream>

#include "cli/Command.h"
#include "model/FrequencyLikelihood.h"
#include "numeric/Format.h"

namespace corvane::cli {

namespace {

std::string Count(long long n, const std::string& one, const std::string& many) {
    return NumberText(n) + " " + (n == 1 ? one : many);
}

// A warning's lines (each ended by CR LF) as one line.
std::string OneLine(const std::string& lines) {
    std::string out;
    for (char c : lines) {
        if (c == '\r') continue;
        out += c == '\n' ? ' ' : c;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

}  // namespace

ModelNotes CollectModelNotes(const GrowthModel& model, const IncrementUse& use) {
    ModelNotes notes;
    const GrowthSettings& settings = model.Settings();
    const GrowthData& data = model.Data();
    if (settings.HasIncrements()) {
        const int records = data.increments.records;
        std::string line = "increments: " + Count(records, "record", "records") + ", " + NumberText(use.fitted) + " used";
        if (use.penalised > 0)
            line += ", " + NumberText(use.penalised) + " with no usable distribution (a large value stands in)";
        if (use.skipped > 0) line += ", " + NumberText(use.skipped) + " skipped (increment <= 0 without measurement error)";
        notes.dataUse.push_back(line);
        if (records == 0)
            notes.skippedEntirely.push_back("the increment file holds no records: the increments add nothing");
        else if (use.fitted + use.penalised == 0)
            notes.skippedEntirely.push_back(
                "the likelihood skipped every increment record (each has an increment <= 0 and there is no "
                "measurement error): the increments add nothing");
    }
    if (settings.HasFrequencies()) {
        const FrequencyUse use = FrequencyCellsUsed(settings, data.frequencies);
        std::string line = "frequencies: " + Count(settings.series, "series", "series") + " of " +
                           Count(data.frequencies.cells, "cell", "cells");
        if (use.cellsBeforeFirst > 0)
            line += ", " + Count(use.cellsBeforeFirst, "cell", "cells") + " before the first cell evaluated skipped";
        line += "; cells with fish used";
        if (settings.series > 1) line += " per series";
        line += ": ";
        double fish = 0.0;
        int emptySeries = 0;
        for (int s = 1; s <= settings.series; ++s) {
            line += (s > 1 ? ", " : "") + NumberText(use.cellsWithFish[s]);
            fish += use.fish[s];
            if (use.cellsWithFish[s] == 0) ++emptySeries;
        }
        line += " (" + NumberText(fish) + " fish)";
        notes.dataUse.push_back(line);
        if (emptySeries == settings.series) {
            notes.skippedEntirely.push_back(
                "the likelihood skipped every frequency cell (no fish from the first cell evaluated on): the "
                "frequencies add nothing");
        } else {
            for (int s = 1; s <= settings.series; ++s)
                if (use.cellsWithFish[s] == 0)
                    notes.skippedEntirely.push_back("frequency series " + NumberText(s) +
                                                    " has no fish from the first cell evaluated on: it adds nothing");
        }
    }
    const WarningLog& log = model.Warnings();
    for (const auto& w : log.DistinctWarnings())
        notes.warnings.push_back(OneLine(w.lines) + (w.count > 1 ? " (x " + NumberText(w.count) + ")" : ""));
    notes.otherWarnings = log.OtherWarnings();
    return notes;
}

void WriteModelNotes(const ModelNotes& notes, std::ostream& err, std::size_t cap) {
    const std::string& prefix = MessagePrefix();
    for (const auto& line : notes.dataUse) err << prefix << line << "\n";
    for (const auto& line : notes.skippedEntirely) err << prefix << line << "\n";
    if (notes.warnings.empty()) return;
    err << prefix << "model warnings:\n";
    std::size_t shown = 0;
    for (; shown < notes.warnings.size() && shown < cap; ++shown) err << "  " << notes.warnings[shown] << "\n";
    const long long rest = static_cast<long long>(notes.warnings.size() - shown) + notes.otherWarnings;
    if (rest > 0) err << "  ... and " << rest << " more\n";
}

void GammaOverrideNote::Check(const GrowthModel& model, const Vec1<double>& values, std::ostream& err) {
    const GrowthSettings& settings = model.Settings();
    if (said_ || !settings.HasIncrements() || settings.errors != 'N' || values.size() < 12) return;
    if (values[12] == 0.0) return;
    err << MessagePrefix() << "b (parameter 12) is not 0, so the increment errors are gamma, not gaussian "
        << "(gamma is used whenever b > 0)\n";
    said_ = true;
}

}  // namespace corvane::cli
