#pragma once
// The growth model's set-up from command-line options, shared by every
// command that evaluates the model.  In a command (see cli/Command.h):
//
//   ModelOptions model;                                   // a member
//   void Declare(Options& o) override { ...; model.Declare(o); }
//   int Run(std::ostream& out, std::ostream& err) override {
//       auto session = OpenModelSession(model, err);      // throws BadInput
//       Workbench& wb = session->wb;                      // initialised, algorithm file loaded
//
// A shared option is added in three places here: a member below, its
// declaration in ModelOptions::Declare, and its use in OpenModelSession.
// The set-up goes through the set-up dialogue's own rules and messages; every
// message box is written to standard error as "title: text".
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "cli/Args.h"
#include "cli/Command.h"
#include "cli/ConsolePorts.h"
#include "engine/modCorvane.h"
#include "model/GrowthModel.h"

namespace corvane::cli {

struct ModelOptions {
    std::optional<std::string> increments;
    std::optional<std::string> frequencies;
    std::optional<char> incrementErrors;  // --increment-errors: 'N' gaussian, 'G' gamma
    std::optional<char> edge;             // --edge: 'M' truncated, '0' zero
    std::optional<AgeModeForm> ageModes;  // --age-modes
    std::optional<long long> series, identified, blended, birthDay, firstCell;
    std::optional<double> age1, ageDiff;
    std::optional<std::string> alg;
    std::optional<std::string> priors;  // --priors: a Bayesian priors file, read as the desktop reads it
    std::optional<double> constant;     // --constant: c > 0, the prior total is scaled by 1/c
    std::optional<long long> threads;   // --threads: threads the evaluations use (default every core)

    // Declares the options above, under the heading "Model set-up", and the
    // checks between them; --alg only when the command reads one, --priors
    // and --constant when it evaluates the model.
    void Declare(Options& options, bool algorithmFile = true) { Declare(options, algorithmFile, algorithmFile); }
    void Declare(Options& options, bool algorithmFile, bool evaluates);

    // The files the set-up reads: the data files, --alg and --priors.
    void Inputs(FileRoles& files) const;
};

// A workbench without a display, its ports writing messages to err.
struct ModelSession {
    explicit ModelSession(std::ostream& err);
    ConsolePorts ports;
    GrowthModel model;
    Workbench wb;
};

// Initialises the model from the options, loads the algorithm file
// (required unless algRequired is false) and the priors file, and sets the
// covariance constant (the model's suggestion unless --constant is given).  Throws BadInput with the reason
// (after the dialogue's own message, if it showed one).
std::unique_ptr<ModelSession> OpenModelSession(const ModelOptions& options, std::ostream& err,
                                               bool algRequired = true);

}  // namespace corvane::cli
