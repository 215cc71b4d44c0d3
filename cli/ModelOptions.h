#pragma once
// The growth model's set-up from command-line options, shared by every
// command that evaluates the model:
//
//   ModelOptions model = ReadModelOptions(args);       // before the command's own options
//   ... the command's own options ...
//   if (ReportArgumentErrors("evaluate", args, model, err)) return kExitBadInput;
//   auto session = OpenModelSession("evaluate", model, err);
//   if (!session) return kExitBadInput;
//
// The set-up goes through the set-up dialogue's own rules and messages; every
// message box is written to standard error as "title: text".
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/Args.h"
#include "cli/ConsolePorts.h"
#include "engine/modCorvane.h"
#include "model/GrowthModel.h"

namespace corvane::cli {

struct ModelOptions {
    std::optional<std::string> increments;
    std::optional<std::string> frequencies;
    char incrementErrors = 'N';  // --increment-errors gaussian|gamma
    char edge = '0';             // --edge truncated|zero
    AgeModeForm ageModes = AgeModeForm::Precise;  // --age-modes precise|gaussian|gamma
    // Texts for the dialogue's fields (checked as numbers already).
    std::optional<std::string> series, identified, blended, birthDay, firstCell, age1, ageDiff;
    std::optional<std::string> alg;
    std::vector<std::string> problems;
};

// Takes the model options (and --alg) out of args.
ModelOptions ReadModelOptions(Args& args);

// The options above as a help text.
extern const char* const kModelOptionsUsage;

// Writes every argument problem as "corvane-cli <command>: ..." to err; true
// when there was one.
bool ReportArgumentErrors(const std::string& command, const Args& args, const ModelOptions& model,
                          std::ostream& err);

// A workbench without a display, its ports writing messages to err.
struct ModelSession {
    explicit ModelSession(std::ostream& err);
    ConsolePorts ports;
    GrowthModel model;
    Workbench wb;
};

// Initialises the model from the options and loads the algorithm file
// (required unless algRequired is false).  nullptr, with the reason on err,
// on bad input.
std::unique_ptr<ModelSession> OpenModelSession(const std::string& command, const ModelOptions& options,
                                               std::ostream& err, bool algRequired = true);

}  // namespace corvane::cli
