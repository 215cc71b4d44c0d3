#pragma once
// What a command tells after it has evaluated the growth model: how the
// likelihood used each data set (records used and skipped, and why; a data
// set it skipped entirely) and the model's warnings of the run, each warning
// once with how often it came.  Written to standard error after the result,
// and into --json (cli/Json.h):
//
//   const ModelNotes notes = CollectModelNotes(session->model, session->model.Best().increments);
//   WriteModelNotes(notes, err);
#include <iosfwd>
#include <string>
#include <vector>

#include "model/GrowthModel.h"

namespace corvane::cli {

struct ModelNotes {
    // One line per data set: "increments: 320 records, 318 used, 2 skipped
    // (increment <= 0 without measurement error)".
    std::vector<std::string> dataUse;
    // Data sets that add nothing to the likelihood ("the likelihood skipped
    // every increment record ..."); also among the warnings of --json.
    std::vector<std::string> skippedEntirely;
    // The model's warnings, one line each, repeats counted ("... (x 523)").
    std::vector<std::string> warnings;
    long long otherWarnings = 0;  // beyond those the model told apart
};

// increments: the record counts of the evaluation reported (the last one
// for a single evaluation, the best one of a run).
ModelNotes CollectModelNotes(const GrowthModel& model, const IncrementUse& increments);

// Standard error: the data-use lines, the data sets skipped entirely, then at
// most cap warnings and the count of the rest.  Each line begins with
// MessagePrefix().
void WriteModelNotes(const ModelNotes& notes, std::ostream& err, std::size_t cap = 10);

// Says once, on standard error, when b (parameter 12) is not 0 in an analysis
// with increments and Gaussian increment errors: the model then uses gamma
// errors.  Call it with the values evaluated (the start, the end of a run).
class GammaOverrideNote {
public:
    void Check(const GrowthModel& model, const Vec1<double>& values, std::ostream& err);
    bool Said() const { return said_; }

private:
    bool said_ = false;
};

}  // namespace corvane::cli
