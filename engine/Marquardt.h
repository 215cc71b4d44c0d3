#pragma once
// The Marquardt minimiser: damped Newton steps from numerical (central
// difference) or analytical derivatives, with its window (frmMarquardt) as a
// toolkit-free view that can pause on a display of the derivatives.
#include <cstdint>
#include <string>

#include "engine/Minimiser.h"
#include "numeric/OneBased.h"

namespace corvane {

class Workbench;

struct MarquardtState {
    std::string derivativeKind;  // "N" numerical, "A" analytical, empty: no run
    bool showDerivatives = false;

    Vec1<double> X;        // the working vector (all parameters)
    double F = 0.0;        // objective at the current trial point
    double Flast = 0.0;    // objective at the last accepted point
    double lambda = 0.001;
    double h = 0.001;      // relative step of the numerical derivatives
    int trial = 0;         // trials since the last accepted step, 0..25
    std::int32_t iterations = 0;
    int checks = 0;        // axial checks in this run, at most 5
    bool quitRequested = false;

    Vec1<double> gradient;       // 1..NFREE
    Mat1<double> hessian;        // NFREE x NFREE
    Vec1<double> savedGradient;  // copies for the derivative display
    Mat1<double> savedHessian;
    Mat1<double> gridUp, gridDown;  // numerical-derivative values, s = 1 and s = 2
    Mat1<double> delta;             // right-hand side, then the step (column 1)

    // The derivative display waits for one of the window's buttons.
    enum class Choice { None, NextIteration, Continue, Interrupt };
    bool awaitingChoice = false;
    Choice choice = Choice::None;
};

// The set-up dialogue: derivative kind and whether to show derivatives.
// False (kind empty) when cancelled.
bool SetUpMarquardt(Workbench& wb);

// Central differences at the last accepted point (free values), F0 = Flast.
void NumericalDerivatives(Workbench& wb);
void BuildNumericalHessian(Workbench& wb);
// MODEL with NF = -2; false when the model gave no second derivatives.
bool AnalyticalDerivatives(Workbench& wb);

// Minimises from the current algorithm data (fuses set up, free list built,
// derivative kind chosen).  Accepted points are written to the algorithm
// data as they are found.
MinimiserResult RunMarquardt(Workbench& wb, ProfileHooks* profile = nullptr);

// "&Marquardt" as the command menu runs it: closes the progress windows,
// refuses when nothing is free, asks the set-up questions, clears the
// covariance-results-current flag, runs, then restores the terminal output
// frequency and clears the simplex current flag.
MinimiserResult MarquardtCommand(Workbench& wb);
// The same with the set-up questions answered by the caller (the command
// line): derivative kind "N" or "A", and whether to show derivatives.
MinimiserResult MarquardtCommand(Workbench& wb, const std::string& derivativeKind, bool showDerivatives);

// The window's texts.
std::string MarquardtProgressWindowText(Workbench& wb);
std::string MarquardtProgressLogText(Workbench& wb);
std::string MarquardtDerivativeText(Workbench& wb);
std::string MarquardtFinalWindowText(Workbench& wb);
std::string MarquardtFinalLogText(Workbench& wb);

// The window's buttons (cmdStop, cmdIteration, cmdContinue).
void InstallMarquardtWindow(Workbench& wb);

}  // namespace corvane
