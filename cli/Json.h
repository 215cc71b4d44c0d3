#pragma once
// --json: one JSON object on standard output, in place of the report, for
// scripts.  The parts every command that evaluates the model shares are
// built here; a command adds its own fields between them:
//
//   Json j;
//   AddObjective(j, minimum, session->model, best.incrementTwice, best.frequencyTwice);
//   AddParameters(j, session->wb, session->model);      // parameters, sample_size, free_parameters
//   j["calls"] = calls;                                 // the command's own fields
//   j["iterations"] = result.iterations;
//   j["outcome"] = OutcomeName(result.end);
//   AddWarnings(j, notes);                              // cli/ModelNotes.h
//   WriteJson(out, j);
//
// Field names are lower case with underscores; numbers are written so that
// they read back exactly; a number that is not finite is written as null.
// The fields, in order:
//   objective               the objective (-2 ln[L] plus penalties and priors)
//   increment_contribution, frequency_contribution
//                           for a joint analysis: each data set's -2 ln[L]
//   parameters              [{number, description, value, step, fuse, free}]
//   sample_size             frequencies counted plus increment records
//   free_parameters         those the minimisers move (step not 0, fuses applied)
//   calls, iterations       the effort (a single evaluation: 1 call, 0 iterations)
//   outcome                 "minimum", "limit", "interrupted", "no verified minimum"
//                           (null for a single evaluation)
//   warnings                the model's warnings and data sets it skipped, as texts
#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>

#include "engine/Minimiser.h"

namespace corvane {
class Workbench;
class GrowthModel;
}  // namespace corvane

namespace corvane::cli {

struct ModelNotes;

// Keeps the fields in the order they are added.
using Json = nlohmann::ordered_json;

// "objective", and for a joint analysis the two contributions (twice each
// data set's negative ln-likelihood, as the objective counts them).
void AddObjective(Json& j, double objective, const GrowthModel& model, double incrementTwice, double frequencyTwice);

// "parameters" (the algorithm data as they stand), "sample_size" and
// "free_parameters".
void AddParameters(Json& j, const Workbench& wb, const GrowthModel& model);

// "warnings": the data sets skipped entirely, then the model's warnings.
void AddWarnings(Json& j, const ModelNotes& notes);

// "minimum", "limit", "interrupted" or "no verified minimum".
std::string OutcomeName(MinimiserEnd end);

// The object, indented, and a line end.  Bytes that are not UTF-8 (a file
// name in another encoding) become U+FFFD, so this never fails.
std::string JsonText(const Json& j);
void WriteJson(std::ostream& out, const Json& j);

}  // namespace corvane::cli
