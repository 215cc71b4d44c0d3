#include "model/FrequencyLikelihood.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "engine/Parallel.h"
#include "engine/ProgressThrottle.h"
#include "engine/Threads.h"
#include "model/SizeAtAge.h"
#include "numeric/Format.h"
#include "numeric/NormalProb.h"
#include "numeric/VectorMath.h"
#include "numeric/modGamma.h"

namespace corvane {

namespace {

constexpr double kVanishing = 1e-20;  // stands in for an expected frequency of 0
constexpr double kFarAway = 1e100;    // the running distance's start

double Squared(double v) { return v * v; }

// The cell probabilities of one age-class at age t (> 0) with the given
// mean and SD of size, after fishing and selectivity: column a of prob.
void ClassProbabilities(const GrowthSettings& settings, const FrequencyData& data, const GrowthParameters& p,
                        double t, double mean, double sd, int a, Mat1<double>& prob) {
    const int C = data.cells;
    const double w = data.interval;
    std::optional<JointSizeDistribution> joint;
    if (settings.precise) {
        joint.emplace(GrowthAtAge(p, t));
        double lowerEdge = data.midpoint[1] - w / 2.0;
        double below = joint->Cdf(lowerEdge);
        for (int i = 1; i <= C; ++i) {
            const double lower = data.midpoint[i] - w / 2.0, upper = data.midpoint[i] + w / 2.0;
            if (std::fabs(lower - lowerEdge) > 1e-12 * std::max(1.0, std::fabs(lower))) below = joint->Cdf(lower);
            const double atUpper = joint->Cdf(upper);
            prob(i, a) = std::max(0.0, atUpper - below);
            below = atUpper;
            lowerEdge = upper;
            if (atUpper >= 1.0 - 1e-14) break;  // the whole class lies below: the rest hold nothing
        }
    } else if (settings.gammaModes) {
        if (mean > 0.0 && sd > 0.0) {
            // Simpson's rule on the gamma density at each cell's edges and
            // midpoint: the densities of every cell in the window at once.
            const double shape = mean * mean / (sd * sd), scale = sd * sd / mean;
            const double lnNorm = shape * std::log(scale) + LnGamma(shape);
            std::vector<int> cell;
            std::vector<double> y;
            for (int i = 1; i <= C; ++i) {
                const double x = data.midpoint[i];
                if (!(x > mean - 5.0 * sd && x < mean + 8.0 * sd)) continue;
                double lower = x - w / 2.0;
                if (!(lower > 0.0)) lower = 1e-6;
                cell.push_back(i);
                y.insert(y.end(), {lower, x, x + w / 2.0});
            }
            const int m = static_cast<int>(y.size());
            std::vector<double> density(y.size());
            vec::Log(y.data(), density.data(), m);
            for (int k = 0; k < m; ++k) density[k] = (shape - 1.0) * density[k] - y[k] / scale - lnNorm;
            vec::Exp(density.data(), density.data(), m);
            for (std::size_t c = 0; c < cell.size(); ++c)
                prob(cell[c], a) = (density[3 * c] + 4.0 * density[3 * c + 1] + density[3 * c + 2]) * w / 6.0;
        }
    } else {
        for (int i = 1; i <= C; ++i) {
            const double x = data.midpoint[i];
            if (!(x > mean - 5.0 * sd && x < mean + 5.0 * sd)) continue;
            prob(i, a) = PhiDiff((x + w / 2.0 - mean) / sd, (x - w / 2.0 - mean) / sd);
        }
    }
    if (p.fishRate != 0.0) {
        for (int i = 1; i <= C; ++i) {
            const double x = data.midpoint[i];
            if (!(x > p.fishSize) || prob(i, a) == 0.0) continue;
            if (!joint) joint.emplace(GrowthAtAge(p, t));
            prob(i, a) *= joint->SurvivalFactor(x, p.fishSize, p.fishRate);
        }
    }
    if (p.selMean > 0.0 && p.selVar > 0.0) {
        const double selSD = std::sqrt(p.selVar);
        for (int i = 1; i <= C; ++i) prob(i, a) *= PhiDiff((data.midpoint[i] - p.selMean) / selSD, -10.0);
    }
}

// What one age-class of one series costs on one core, roughly (the alba
// series on a 2026 laptop core), so that pairs are shared among threads
// only where a share pays for its hand-over: the cells under each age-mode
// form (the precise form integrates over the joint distribution of
// L-infinity and k at each cell edge, ten times longer with b > 0), the
// size-at-age grid of b > 0, and fishing's survival factor.
double PairNanoseconds(const GrowthSettings& settings, const GrowthParameters& p, int cells) {
    double perCell = settings.precise ? (p.b != 0.0 ? 40000.0 : 4000.0) : settings.gammaModes ? 60.0 : 30.0;
    if (p.fishRate != 0.0) perCell += 3000.0;
    return 500.0 + (p.b != 0.0 ? 10000.0 : 0.0) + perCell * cells;
}

}  // namespace

void FrequencyWorkspace::Resize(int series, int ages, int cells) {
    age.resize(series, ages, 0.0);
    mean.resize(series, ages, 0.0);
    sd.resize(series, ages, 0.0);
    proportion.resize(series, ages, 0.0);
    survivorship.resize(series, ages, 0.0);
    if (probability.size() != series) probability.resize(series);
    for (int s = 1; s <= series; ++s) probability[s].resize(cells, ages, 0.0);
    mixture.resize(series, cells, 0.0);
    normaliser.resize(series, 0.0);
    predicted.resize(series, cells, 0.0);
    contribution.resize(series, cells, 0.0);
    seriesNegLnL.resize(series, 0.0);
    emptyDistance = kFarAway;
}

double FrequencyWorkspace::ClassFrequency(int s, int a, int i, double seriesTotal) const {
    const double N = normaliser[s];
    if (!(N > 0.0)) return 0.0;
    return proportion(s, a) * probability[s](i, a) * seriesTotal / N;
}

double AgeAtSampling(const GrowthSettings& settings, double sampleDay, int ageClass, double t0) {
    double d = std::nearbyint(sampleDay - settings.birthDay);
    if (d < 0.0) d += 365.0;  // sampled before the birth day: the class was born in the year before
    const double D = settings.ageDiff;
    double f = 0.0;
    if (D != 0.0) {
        const double x = d / (365.0 * D);
        f = x - std::floor(x);
    }
    // -999 is t0's switch for day-numbered increment records, not an age:
    // the ages of frequency samples then have no t0.
    const double offset = t0 == kNotUsed ? 0.0 : t0;
    return ((ageClass - 1) + f) * D + settings.age1 - offset;
}

FrequencyUse FrequencyCellsUsed(const GrowthSettings& settings, const FrequencyData& data) {
    FrequencyUse use;
    use.cellsBeforeFirst = std::min(settings.firstCell - 1, data.cells);
    use.cellsWithFish.resize(settings.series, 0);
    use.fish.resize(settings.series, 0.0);
    for (int s = 1; s <= settings.series; ++s)
        for (int i = settings.firstCell; i <= data.cells; ++i)
            if (data.frequency(s, i) > 0.0) {
                ++use.cellsWithFish[s];
                use.fish[s] += data.frequency(s, i);
            }
    return use;
}

FrequencyContribution FrequencyNegLnL(const GrowthSettings& settings, const FrequencyData& data,
                                      const GrowthParameters& p, const Vec1<double>& X, FrequencyWorkspace& ws,
                                      WarningLog& warnings, ProgressThrottle* progress, int threads) {
    const int S = settings.series, A = settings.identified, T = settings.totalAges, C = data.cells;
    ws.Resize(S, T, C);
    FrequencyContribution out;
    double& penalty = out.penalty;

    const bool selectivityOn = !(p.selMean == 0.0 && p.selVar == 0.0);
    const bool fishingOn = p.fishRate != 0.0;

    // Each age-class of each series side by side: its age, its size at age
    // and its cell probabilities (each pair writes only its own entries).
    // The weight-sum warnings are told in series and age-class order.
    const int pairs = S * T;
    threads = std::clamp(threads, 1, std::max(pairs, 1));
    const CallingThread caller;
    OrderedWarnings told(threads);
    ParallelForWork(threads, pairs, PairNanoseconds(settings, p, C), [&](int q, int slot) {
        if (progress && caller.Here()) progress->Breathe();
        const int s = q / T + 1, a = q % T + 1;
        const double t = AgeAtSampling(settings, X[settings.SampleDayIndex(s)], a, p.t0);
        ws.age(s, a) = t;
        if (!(t > 0.0)) return;
        double weightSum = 1.0;
        SizeMoments(p, t, ws.mean(s, a), ws.sd(s, a), weightSum);
        if (p.b != 0.0 && (weightSum < 0.99 || weightSum > 1.01))
            told.Add(slot, q,
                     "Warning: Cumulative probability is outside the range 0.99 to 1.01 @ " +
                         RightJustify(Format(weightSum, "0.000"), 6) + " for age-class " + NumberText(a) +
                         " of frequency series " + NumberText(s) + CRLF);
        ClassProbabilities(settings, data, p, t, ws.mean(s, a), ws.sd(s, a), a, ws.probability[s]);
    });
    told.Tell(warnings);

    for (int s = 1; s <= S; ++s) {
        // Identified proportions; the first one fixed at -1 takes what the others
        // leave (a further -1 in the same series gets nothing).
        double identifiedSum = 0.0;
        int byDifference = 0;
        for (int a = 1; a <= A; ++a) {
            double v = X[settings.ProportionIndex(s, a)];
            if (v == -1.0) {
                if (byDifference == 0) byDifference = a;
                ws.proportion(s, a) = 0.0;
                continue;
            }
            if (v < 0.0) {
                penalty += Squared(v) * kPenaltyScale;
                v = std::fabs(v);
            }
            if (v > 1.0) penalty += Squared(1.0 - v) * kPenaltyScale;
            ws.proportion(s, a) = v;
            identifiedSum += v;
        }
        if (byDifference > 0) {
            const double v = 1.0 - identifiedSum;
            if (v < 0.0) penalty += Squared(v) * kPenaltyScale;
            ws.proportion(s, byDifference) = v;
            identifiedSum += v;
        }

        // Blended proportions from the Weibull survivorship, time zero at the
        // first blended class.
        if (T > A) {
            const double a1 = ws.age(s, A + 1);
            double survivorSum = 0.0;
            for (int a = A + 1; a <= T; ++a) {
                const double t = ws.age(s, a);
                const double l = t > 0.0 ? std::exp(-p.psi * std::pow(std::max(t - a1, 0.0), p.phi)) : 0.0;
                ws.survivorship(s, a) = l;
                survivorSum += l;
            }
            for (int a = A + 1; a <= T; ++a) {
                const double v = survivorSum > 0.0 ? ws.survivorship(s, a) * (1.0 - identifiedSum) / survivorSum : 0.0;
                if (v < 0.0) penalty += Squared(v) * kPenaltyScale;
                ws.proportion(s, a) = v;
            }
        }

        const Mat1<double>& prob = ws.probability[s];
        // The mixture, its normaliser and the predicted frequencies.
        for (int i = 1; i <= C; ++i) {
            double q = 0.0;
            for (int a = 1; a <= T; ++a) q += ws.proportion(s, a) * prob(i, a);
            ws.mixture(s, i) = q;
        }
        double N = 1.0;
        if (settings.edge != '0' || selectivityOn || fishingOn || settings.precise) {
            N = 0.0;
            for (int i = 1; i <= C; ++i) N += ws.mixture(s, i);
        }
        ws.normaliser[s] = N;
        for (int i = 1; i <= C; ++i)
            ws.predicted(s, i) = N > 0.0 ? ws.mixture(s, i) * data.seriesTotal[s] / N : 0.0;
    }

    // Observed cells with (nearly) nothing predicted: penalised by a distance
    // from the modes that runs on across cells and series.
    double r = kFarAway;
    for (int s = 1; s <= S; ++s) {
        for (int i = 1; i <= C; ++i) {
            if (!(data.frequency(s, i) > 0.0) || !(ws.predicted(s, i) < kEmptyPrediction)) continue;
            const double x = data.midpoint[i];
            for (int a = 1; a <= T; ++a) {
                if (!(ws.age(s, a) > 0.0)) continue;
                const double distance = std::fabs(x - ws.mean(s, a));
                if (distance < r) r = distance / (ws.sd(s, a) == 0.0 ? kEmptyPrediction : ws.sd(s, a));
            }
            penalty += Squared(ws.predicted(s, i) - kEmptyPrediction) * kPenaltyScale + Squared(r) * kPenaltyScale;
            ws.predicted(s, i) = kEmptyPrediction;
        }
    }
    ws.emptyDistance = r;
    for (int s = 1; s <= S; ++s)
        for (int i = 1; i <= C; ++i)
            if (ws.predicted(s, i) == 0.0) ws.predicted(s, i) = kVanishing;

    // The multinomial likelihood, measured from its saturated value.
    for (int s = 1; s <= S; ++s) {
        double sum = 0.0;
        for (int i = settings.firstCell; i <= C; ++i) {
            const double O = data.frequency(s, i), E = ws.predicted(s, i);
            if (!(O > 0.0) || !(E > 0.0)) continue;
            const double c = O * std::log(O / E);
            ws.contribution(s, i) = c;
            sum += c;
        }
        ws.seriesNegLnL[s] = sum;
        out.negLnL += sum;
    }
    return out;
}

}  // namespace corvane
