// Random parameter vectors, extreme and negative values included, in every
// analysis kind and form: the objective is a finite number, or the model
// refuses the vector and its reason names the parameter.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "GrowthTestSupport.h"
#include "numeric/Format.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

// Constraints a form puts on the random vector.
enum class Increments { None, NoError, WithError, BAboveZero, SizeAtAge };

struct Form {
    const char* name;
    bool increments, frequencies;
    char errors;
    Increments shape;
    AgeModeForm modes;
    char edge;
};

// Records with the awkward cases: no increment, a negative one, no time at
// liberty, a size at age, an initial size beyond L-infinity.
const char* kIncrementFile =
    "  Set, Init, Incr, Start,   End\n"
    "     1,40.000, 6.000, 0.000,365.00\n"
    "     1,55.000, 0.000,30.000,200.00\n"
    "     1,70.000,-1.000,10.000,400.00\n"
    "     2, 0.000,30.000, 0.000, 2.500\n"
    "     2,190.00, 2.000,365.00,365.00\n";

std::string FrequencyFile() {
    std::string text = "Midpoint  s1  s2\n";
    for (int i = 1; i <= 12; ++i)
        text += RightJustify(Format(2.5 + 5.0 * (i - 1), "0.00"), 8) + " " +
                RightJustify(NumberText(static_cast<long long>((7 * i + 3) % 11)), 8) + " " +
                RightJustify(NumberText(static_cast<long long>((5 * i + 1) % 9)), 8) + "\n";
    return text;
}

// Half the draws are ordinary values of the parameter, the rest extremes;
// a few lie beyond what the model takes.
struct VectorSource {
    std::mt19937_64 random{20240611};
    std::uniform_real_distribution<double> unit{0.0, 1.0};

    double Extreme() {
        static const double values[] = {0,     1e-300, -1e-300, 1e-12, -1e-6, 0.001, -0.5, -1,   -3,     -365,
                                        1e6,   -1e30,  1e15,    1e100, -1e100, -999, 365,  1e-5, -2e-12, 50};
        return values[random() % (sizeof values / sizeof values[0])];
    }
    double Beyond() {
        static const double values[] = {1e101, -1e150, 1e300, -1.7e308};
        return values[random() % 4];
    }
    std::vector<double> Draw(const GrowthSettings& s, const Form& f) {
        static const double ordinary[19][2] = {{20, 120}, {0, 20},  {0.05, 2}, {0, 1},    {0, 0.5}, {0, 365}, {0, 10},
                                               {0, 365},  {0, 5},   {0, 60},   {0, 20},   {0, 0.01}, {-2, 1}, {0, 2},
                                               {0.5, 3},  {0, 60},  {0, 2},    {0, 60},   {0, 20}};
        std::vector<double> x(static_cast<std::size_t>(s.ParameterCount()));
        for (std::size_t i = 0; i < x.size(); ++i) {
            const double u = unit(random);
            if (u < 0.35)
                x[i] = Extreme();
            else if (i < 19)
                x[i] = ordinary[i][0] + unit(random) * (ordinary[i][1] - ordinary[i][0]);
            else
                x[i] = unit(random) < 0.5 ? unit(random) : 365.0 * unit(random);  // proportions, sample days
        }
        auto& se = x[8];
        auto& b = x[11];
        auto& t0 = x[12];
        switch (f.shape) {
            case Increments::NoError: se = 0.0, b = 0.0, t0 = kNotUsed; break;
            case Increments::WithError: se = se == 0.0 ? 2.0 : se, b = 0.0, t0 = kNotUsed; break;
            case Increments::BAboveZero: b = b == 0.0 ? 0.002 : std::fabs(b), t0 = kNotUsed; break;
            case Increments::SizeAtAge:
                if (t0 == kNotUsed) t0 = -0.5;
                if (x[17] == kNotUsed) x[17] = 30.0;
                if (x[18] == kNotUsed) x[18] = 5.0;
                break;
            case Increments::None:
                if (unit(random) < 0.5) t0 = kNotUsed;
                break;
        }
        if (unit(random) < 0.1) x[random() % x.size()] = Beyond();
        return x;
    }
};

}  // namespace

TEST(GrowthProperty, EveryKindAndFormGivesAFiniteObjectiveOrNamesTheParameter) {
    using M = AgeModeForm;
    const Form forms[] = {
        {"increments, Gaussian errors, no measurement error", true, false, 'N', Increments::NoError, M::Gaussian, '0'},
        {"increments, Gaussian errors, measurement error", true, false, 'N', Increments::WithError, M::Gaussian, '0'},
        {"increments, gamma errors, no measurement error", true, false, 'G', Increments::NoError, M::Gaussian, '0'},
        {"increments, gamma errors, measurement error", true, false, 'G', Increments::WithError, M::Gaussian, '0'},
        {"increments, b > 0", true, false, 'G', Increments::BAboveZero, M::Gaussian, '0'},
        {"size at age with selectivity", true, false, 'N', Increments::SizeAtAge, M::Gaussian, '0'},
        {"frequencies, Gaussian modes, zero beyond", false, true, 'N', Increments::None, M::Gaussian, '0'},
        {"frequencies, Gaussian modes, truncated", false, true, 'N', Increments::None, M::Gaussian, 'M'},
        {"frequencies, gamma modes, zero beyond", false, true, 'N', Increments::None, M::Gamma, '0'},
        {"frequencies, gamma modes, truncated", false, true, 'N', Increments::None, M::Gamma, 'M'},
        {"frequencies, precise modes, zero beyond", false, true, 'N', Increments::None, M::Precise, '0'},
        {"frequencies, precise modes, truncated", false, true, 'N', Increments::None, M::Precise, 'M'},
        {"joint", true, true, 'G', Increments::None, M::Gaussian, 'M'},
    };
    ScratchDir dir;
    const std::string increments = dir.Write("increments.dat", kIncrementFile);
    const std::string frequencies = dir.Write("frequencies.dat", FrequencyFile());
    VectorSource source;
    int refused = 0, evaluated = 0;
    for (const Form& f : forms) {
        SCOPED_TRACE(f.name);
        GrowthSetup setup;
        if (f.increments) setup.incrementPath = increments;
        if (f.frequencies) {
            setup.frequencyPath = frequencies;
            setup.series = 2;
            setup.identified = 2;
            setup.blended = 2;
            setup.birthDay = 100;
            setup.firstCell = 2;
            setup.age1 = 0.5;
        }
        setup.errors = f.errors;
        setup.ageModes = f.modes;
        setup.edge = f.edge;
        GrowthBench b;
        ASSERT_TRUE(b.Initialise(setup));
        for (int trial = 0; trial < 25; ++trial) {
            const std::vector<double> x = source.Draw(b.model.Settings(), f);
            int beyond = 0;
            for (std::size_t i = 0; i < x.size() && beyond == 0; ++i)
                if (!(std::fabs(x[i]) <= kLargestParameter)) beyond = static_cast<int>(i) + 1;
            // A call of a running minimisation: no proportion check.
            const double objective = b.Evaluate(x, 2);
            std::string vector;
            for (double v : x) vector += " " + NumberText(v);
            const auto problem = b.model.ObjectiveProblem();
            if (beyond > 0) {
                ++refused;
                ASSERT_TRUE(problem) << vector;
                EXPECT_EQ(problem->rfind("parameter " + NumberText(beyond) + " (", 0), 0u) << *problem;
                EXPECT_EQ(objective, HUGE_VAL) << vector;  // the worst value to a minimiser
            } else {
                ++evaluated;
                EXPECT_TRUE(std::isfinite(objective)) << objective << " at" << vector;
                EXPECT_FALSE(problem) << *problem;
            }
        }
    }
    EXPECT_GT(refused, 10);
    EXPECT_GT(evaluated, 250);
}
