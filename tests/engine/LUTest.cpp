#include <gtest/gtest.h>

#include <cmath>

#include "engine/LU.h"
#include "tests/engine/MinimiserRig.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

LUWork Work(std::initializer_list<std::initializer_list<double>> rows) {
    LUWork lu;
    const int n = static_cast<int>(rows.size());
    lu.Size(n);
    int i = 0;
    for (const auto& row : rows) {
        ++i;
        int j = 0;
        for (double v : row) lu.a(i, ++j) = v;
    }
    return lu;
}

Mat1<double> Column(std::initializer_list<double> values) {
    Mat1<double> b(static_cast<int>(values.size()), 1);
    int i = 0;
    for (double v : values) b(++i, 1) = v;
    return b;
}

}  // namespace

TEST(LU, IdentityDecomposesToItselfAndSolvesUnchanged) {
    LUWork lu = Work({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    const Mat1<double> before = lu.a;
    ASSERT_EQ(DecomposeLU(lu, 3), 0);
    EXPECT_EQ(lu.a, before);
    EXPECT_EQ(lu.parity, 1.0);
    Mat1<double> b = Column({4, -5, 6});
    SolveLU(lu, 3, b, 1);
    EXPECT_EQ(b, Column({4, -5, 6}));
}

TEST(LU, InterchangeMatrixSwapsRowsOnce) {
    LUWork lu = Work({{0, 1}, {1, 0}});
    ASSERT_EQ(DecomposeLU(lu, 2), 0);
    EXPECT_EQ(lu.parity, -1.0);
    EXPECT_EQ(lu.permutation[1], 2);
    Mat1<double> b = Column({3, 7});  // y = 3, x = 7
    SolveLU(lu, 2, b, 1);
    EXPECT_EQ(b(1, 1), 7.0);
    EXPECT_EQ(b(2, 1), 3.0);
}

TEST(LU, SingularMatrixWithoutAZeroRowGetsATinyPivotNotAFailure) {
    LUWork lu = Work({{1, 2}, {2, 4}});
    EXPECT_EQ(DecomposeLU(lu, 2), 0);
    EXPECT_EQ(lu.a(2, 2), 1e-20);
    Mat1<double> b = Column({1, 1});
    SolveLU(lu, 2, b, 1);
    EXPECT_GT(std::fabs(b(2, 1)), 1e15);  // very large, as the caller must expect
}

TEST(LU, SolvesAndInvertsAGeneralMatrix) {
    MinimiserRig r(3, Quadratic({0, 0, 0}));
    Mat1<double> m(3, 3);
    const double values[3][3] = {{2, -1, 0}, {-1, 3, 1}, {4, 0, 5}};
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) m(i, j) = values[i - 1][j - 1];
    Mat1<double> inverse;
    const Inversion inv = InvertMatrix(r.wb, m, 3, inverse);
    ASSERT_TRUE(inv.ok);
    EXPECT_NEAR(inv.determinant, 2 * 15 + 1 * (-5 - 4) + 0, 1e-12);  // 21
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) {
            double p = 0.0;
            for (int k = 1; k <= 3; ++k) p += m(i, k) * inverse(k, j);
            EXPECT_NEAR(p, i == j ? 1.0 : 0.0, 1e-13);
        }
    EXPECT_GT(r.t.dialogs.processEventsCalls, 0);  // the interface stays responsive
}

TEST(LU, ZeroRowFailureNamesTheFreeParameterWithTheKindsAdvice) {
    struct Case {
        std::string kind;
        std::string advice;
    };
    for (const Case& c : {Case{"N", "Look for statistically dead model parameters"},
                          Case{"A", "Look for statistically dead parameters and/or suspect your analytical derivatives"},
                          Case{"", "Look for statistically dead model parameters"}}) {
        MinimiserRig r(4, Quadratic({0, 0, 0, 0}));
        r.Free(2, 1.0, 0.1);
        r.Free(4, 1.0, 0.1);
        SetUpRun(r.wb.alg, r.wb.engine);
        r.wb.marquardt.derivativeKind = c.kind;
        LUWork lu = Work({{1, 2}, {0, 0}});
        lu.failed = 0;
        r.t.dialogs.ExpectMessage("Matrix decompositon failure at parameter #4!", c.advice);
        EXPECT_FALSE(DecomposeLU(r.wb, lu, 2));
        EXPECT_EQ(lu.failed, 1);
        EXPECT_EQ(r.t.dialogs.Last().text, c.advice);
        EXPECT_EQ(r.t.dialogs.Last().icon, Icon::Exclamation);
    }
}
