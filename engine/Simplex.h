#pragma once
// The Simplex minimiser: reflection, extension, contraction and reduction
// over the free parameters, convergence verified by an axial search, with
// its progress window (frmSimplex) as a toolkit-free view.
#include <cstdint>
#include <string>

#include "engine/Minimiser.h"
#include "numeric/OneBased.h"

namespace corvane {

class Workbench;

// Kept between runs while the algorithm data's simplex current flag is set.
struct SimplexState {
    Mat1<double> vertex;  // rows 1..NFREE+1 vertices, row NFREE+2 the centroid
    Vec1<double> value;   // objective (prior included) of each vertex
    int nfree = 0;        // free parameters the simplex was built for
    int best = 1;         // L
    int worst = 1;        // H
    Vec1<double> restartPoint;
    std::string action;   // last accepted action, 22 characters or empty
    int improved = 0;     // vertices worse than the last reflection point
    std::int32_t iterations = 0;
    int restarts = 0;
    int terminalCountdown = 0;
    int fileCountdown = 0;
    bool done = false;
    bool finalDisplay = false;
    double measure = 0.0;  // |value(H) - value(L)| of the last convergence test
};

namespace simplex_action {
inline constexpr const char* Reflection = "Reflection            ";
inline constexpr const char* Extension = "Extension             ";
inline constexpr const char* ReflectionContraction = "Reflection-Contraction";
inline constexpr const char* Contraction = "Contraction           ";
inline constexpr const char* ReflectionReduction = "Reflection-Reduction  ";
inline constexpr const char* Reduction = "Reduction             ";
}  // namespace simplex_action

// Sizes the simplex to the current free list; vertex 1 = the free values.
void SizeSimplex(Workbench& wb);
// Evaluates vertex v (counted) and stores its value.
double EvaluateVertex(Workbench& wb, int v);
// Evaluates vertex 1, then each further vertex one step along its axis.
void BuildInitialSimplex(Workbench& wb);
// L, H (ties keep the lower index) and the centroid of all but H.
void RecomputeSimplexExtremes(Workbench& wb);
// Reflection, then extension or contraction, or reduction.
void SimplexStep(Workbench& wb);

// Minimises from the current algorithm data (fuses set up, free list built,
// NFREE >= 1) and writes the best vertex back.  In maximum-likelihood mode
// the profile's hooks receive the verified minimum and the quit requests.
MinimiserResult RunSimplex(Workbench& wb, ProfileHooks* profile = nullptr);

// "Simple&x" as the command menu runs it: closes the progress windows,
// refuses when nothing is free, clears the covariance-results-current flag,
// sets up fuses and the free list and runs.
MinimiserResult SimplexCommand(Workbench& wb);

// The window's texts.
std::string SimplexInitialWindowText(Workbench& wb);
std::string SimplexInitialLogText(Workbench& wb);
std::string SimplexProgressWindowText(Workbench& wb);
std::string SimplexProgressLogText(Workbench& wb);
std::string SimplexFinalWindowText(Workbench& wb);
std::string SimplexFinalLogText(Workbench& wb);
// Added to the window when the user stopped the run (interrupt or limit).
std::string SimplexStoppedText(Workbench& wb, MinimiserEnd end);

// The window's button (cmdStop "&Interrupt"): called once by the Workbench.
void InstallSimplexWindow(Workbench& wb);
// What closing the window does: clears both areas and the status panels.
void CloseSimplexWindow(Workbench& wb);

}  // namespace corvane
