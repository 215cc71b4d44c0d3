// Records with the same inputs share their tail moments, grids and
// selectivity integrals within an evaluation: every record's contribution
// must still be, to the bit, what the record evaluated alone gives.
#include <gtest/gtest.h>

#include "GrowthTestSupport.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

std::vector<double> With(std::vector<double> x, std::initializer_list<std::pair<int, double>> changes) {
    for (const auto& [i, v] : changes) x[static_cast<std::size_t>(i - 1)] = v;
    return x;
}

}  // namespace

TEST(SharedRecords, EachRecordAsIfItWereAlone) {
    const auto rig = Fixed19(150, 20, 0.3, 0.1);
    const std::vector<double> corner = {70, 1, 0.5, 0.001, 0.2, 100, 2, 200, 1, 0, 0, 0.0178, 0.898, 0, 1, 0, 0, 14.8, 0.455};
    const struct {
        const char* what;
        const char* file;
        char errors;
        std::vector<double> x;
        bool shares;
    } cases[] = {
        // 114 records of 45 initial sizes: the tail moments shared.
        {"rig, b = 0, %SE", "rig_increments.dat", 'N', With(rig, {{9, 3}}), true},
        {"rig, b > 0", "rig_increments.dat", 'G', With(rig, {{9, 2}, {12, 0.004}}), true},
        // No two records with the same days: nothing shared.
        {"rig, gamma, b > 0, both cycles", "rig_increments.dat", 'G',
         With(rig, {{5, 0.3}, {6, 60}, {7, 4}, {8, 250}, {9, 2}, {12, 0.004}}), false},
        {"rig, cycle of L-infinity only", "rig_increments.dat", 'N', With(rig, {{7, 5}, {8, 100}}), false},
        // 251 records of 33 distinct ages: integrals and grids shared.
        {"bonito size at age, the slow corner", "bonito_size_at_age.dat", 'G', corner, true},
        {"bonito size at age, b = 0, Gaussian", "bonito_size_at_age.dat", 'N', With(corner, {{12, 0}}), true},
        {"bonito size at age, no measurement error", "bonito_size_at_age.dat", 'G', With(corner, {{9, 0}}), true},
    };
    for (const auto& c : cases) {
        GrowthBench b;
        ASSERT_TRUE(b.InitialiseIncrements(DataPath(c.file), c.errors)) << c.what;
        b.Evaluate(c.x, 1);
        const IncrementWorkspace& all = b.model.Workspace().increments;
        const IncrementData& data = b.model.Data().increments;
        Vec1<double> X = ToVec1(c.x);
        const GrowthParameters p = PrepareParameters(X, b.model.Settings());
        int shared = 0;
        for (int i = 1; i <= data.records; ++i) {
            IncrementData one;
            one.records = 1;
            one.record.resize(1);
            one.record[1] = data.record[i];
            IncrementWorkspace ws;
            WarningLog log;
            IncrementNegLnL(one, p, ws, log);
            ASSERT_EQ(all.negLnL[i], ws.negLnL[1]) << c.what << ", record " << i;
            ASSERT_EQ(all.expected[i], ws.expected[1]) << c.what << ", record " << i;
            ASSERT_EQ(all.variance[i], ws.variance[1]) << c.what << ", record " << i;
            ASSERT_EQ(all.moments(i, 1), ws.moments(1, 1)) << c.what << ", record " << i;
            shared += all.source[i] != i || (all.selectivityFrom[i] != i && all.integrated[all.selectivityFrom[i]]);
        }
        if (static_cast<int>(all.tails.size()) < data.records) ++shared;
        EXPECT_EQ(shared > 0, c.shares) << c.what;
    }
}
