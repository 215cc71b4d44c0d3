#pragma once
// Simulated increment records from a known parameter vector: each record's
// true increment is drawn from the distribution the model fits (truncated
// Gaussian or gamma), then measurement error is added.
#include <cstdint>
#include <string>

#include "model/GrowthData.h"
#include "model/GrowthParameters.h"

namespace corvane {

class RandomSource;

struct IncrementSimulation {
    int records = 500;
    int set = 1;
    double sizeMin = 0.0, sizeMax = 0.0;  // initial size, uniform
    int daysMin = 0, daysMax = 0;         // days at liberty, whole days, uniform
    int startMin = 1, startMax = 365;     // start day, whole days, uniform
};

struct SimulationResult {
    bool ok = false;
    std::string problem;  // why not, when not ok
    IncrementData data;   // sorted by set, initial size, increment
};

// Draws from the given source (seed it first).  Only day-numbered records
// (t0 = -999) are simulated.
SimulationResult SimulateIncrements(const GrowthParameters& p, const IncrementSimulation& how, RandomSource& random);

// The increment file: the label line, then one record per line, CR LF ends.
std::string IncrementFileText(const IncrementData& data);

// Draws built from uniforms only, so a seed gives the same numbers everywhere.
double StandardNormal(RandomSource& random);
double GammaDraw(double shape, double scale, RandomSource& random);

}  // namespace corvane
