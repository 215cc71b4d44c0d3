// exp and log over arrays, and the gamma and normal probabilities built on
// them: within one unit in the last place of std::exp and
// std::log across the ranges the likelihoods use, and exactly std::'s
// values at the edges (NaN, infinities, overflow, logarithms of 0 or less).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "model/GrowthKernels.h"
#include "model/SizeAtAge.h"
#include "numeric/NormalProb.h"
#include "numeric/VectorMath.h"
#include "numeric/modGamma.h"

using namespace corvane;

namespace {

std::int64_t UnitsApart(double a, double b) {
    std::int64_t x = 0, y = 0;
    std::memcpy(&x, &a, sizeof x);
    std::memcpy(&y, &b, sizeof y);
    return x > y ? x - y : y - x;
}

bool SameValue(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

}  // namespace

TEST(VectorMath, ExpAndLogWithinOneUnitOverTheirRanges) {
    std::mt19937_64 random(7);
    struct Range {
        bool exp;
        double low, high;
    };
    // exp: Gaussian integrands (to -745, where results turn subnormal and
    // vanish), gamma densities (positive up to 700); log: nodes and k values.
    for (const Range r : {Range{true, -745.0, 0.0}, Range{true, -40.5, 0.0}, Range{true, 0.0, 700.0},
                          Range{false, 1e-300, 1e-4}, Range{false, 1e-4, 10.0}, Range{false, 10.0, 1e300}}) {
        std::uniform_real_distribution<double> u(r.exp ? r.low : std::log(r.low), r.exp ? r.high : std::log(r.high));
        // A count that is no multiple of any vector width.
        std::vector<double> x(10007), y(x.size());
        for (double& v : x) v = r.exp ? u(random) : std::exp(u(random));
        if (r.exp)
            vec::Exp(x.data(), y.data(), static_cast<int>(x.size()));
        else
            vec::Log(x.data(), y.data(), static_cast<int>(x.size()));
        std::int64_t worst = 0;
        for (std::size_t i = 0; i < x.size(); ++i) {
            const double expected = r.exp ? std::exp(x[i]) : std::log(x[i]);
            // Subnormal results carry fewer digits: compare those absolutely.
            if (std::fabs(expected) < std::numeric_limits<double>::min())
                EXPECT_LE(std::fabs(y[i] - expected), 4.0 * std::numeric_limits<double>::denorm_min()) << x[i];
            else
                worst = std::max(worst, UnitsApart(y[i], expected));
        }
        EXPECT_LE(worst, 1) << (r.exp ? "exp " : "log ") << r.low << " to " << r.high;
    }
    // In place, and the odd lanes of a short array.
    std::vector<double> z = {-1.0, -2.0, -3.0};
    vec::Exp(z.data(), z.data(), 3);
    EXPECT_LE(UnitsApart(z[2], std::exp(-3.0)), 1);
}

TEST(VectorMath, EdgesAsTheStandardLibraryGivesThem) {
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    // Each edge value sits among ordinary ones, so it shares a vector with them.
    for (double edge : {nan, inf, -inf, 700.5, 706.0, 709.7, 709.8, 1e6, -1000.5, -1e6}) {
        std::vector<double> x(16, -1.5), y(16);
        x[5] = edge;
        vec::Exp(x.data(), y.data(), 16);
        EXPECT_TRUE(SameValue(y[5], std::exp(edge))) << "exp(" << edge << ") = " << y[5];
        EXPECT_LE(UnitsApart(y[4], std::exp(-1.5)), 1);
    }
    for (double edge : {nan, inf, -inf, 0.0, -0.0, -1.0, 4.9e-324, 1.7976931348623157e308}) {
        std::vector<double> x(16, 2.5), y(16);
        x[11] = edge;
        vec::Log(x.data(), y.data(), 16);
        EXPECT_TRUE(SameValue(y[11], std::log(edge)) || UnitsApart(y[11], std::log(edge)) <= 1)
            << "log(" << edge << ") = " << y[11];
        EXPECT_LE(UnitsApart(y[10], std::log(2.5)), 1);
    }
    EXPECT_FALSE(vec::TargetName().empty());
}

TEST(VectorMath, DotAddsEveryProduct) {
    for (int n : {0, 1, 7, 8, 17, 201, 1000}) {
        std::vector<double> a(static_cast<std::size_t>(n)), b(a.size());
        double exact = 0.0;
        for (int i = 0; i < n; ++i) {
            a[static_cast<std::size_t>(i)] = i % 13 - 6;
            b[static_cast<std::size_t>(i)] = i % 7 + 1;
            exact += (i % 13 - 6) * (i % 7 + 1);  // whole numbers: exact in any order
        }
        EXPECT_EQ(vec::Dot(a.data(), b.data(), n), exact) << n;
    }
}

TEST(VectorMath, GammaAndNormalProbabilitiesManyAtOnceAsOneAtATime) {
    std::mt19937_64 random(11);
    auto close = [](double a, double b) { return std::fabs(a - b) <= 1e-13 * std::max(std::fabs(b), 1e-300); };
    for (double shape : {0.3, 1.0, 11.1, 250.0, 9e5}) {
        // Both sides of a + 1 in one batch, so series and fraction lanes mix;
        // 0 and below give 0.
        std::uniform_real_distribution<double> u(0.0, 3.0 * shape + 10.0);
        std::vector<double> x(kMaxGammaPBatch), p(x.size() + kVectorPad);
        for (double& v : x) v = u(random);
        x[3] = 0.0;
        x[7] = -1.0;
        const int n = static_cast<int>(x.size()) - 5;  // no multiple of any vector width
        x.resize(x.size() + kVectorPad, 1.0);
        GammaPMany(shape, LnGamma(shape), x.data(), p.data(), n);
        for (int i = 0; i < n; ++i)
            EXPECT_TRUE(close(p[static_cast<std::size_t>(i)], GammaP(shape, x[static_cast<std::size_t>(i)])))
                << shape << " " << x[static_cast<std::size_t>(i)] << " " << p[static_cast<std::size_t>(i)] << " " << GammaP(shape, x[static_cast<std::size_t>(i)]);
    }
    std::vector<double> z(37), out(z.size());
    std::uniform_real_distribution<double> u(-12.0, 12.0);
    for (double& v : z) v = u(random);
    z[0] = 0.0;
    PhiPolyMany(z.data(), out.data(), static_cast<int>(z.size()));
    for (std::size_t i = 0; i < z.size(); ++i) EXPECT_TRUE(close(out[i], PhiPoly(z[i]))) << z[i];
}
