// Evaluations shared among threads leave exactly what one thread leaves: the
// objective, every record and cell table, the warnings in their order and
// the best-fit record, to the last bit; and only the calling thread lets the
// interface breathe.
#include <gtest/gtest.h>

#include <mutex>
#include <set>
#include <thread>

#include "GrowthTestSupport.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

std::vector<double> With(std::vector<double> x, std::initializer_list<std::pair<int, double>> changes) {
    for (const auto& [i, v] : changes) x[static_cast<std::size_t>(i - 1)] = v;
    return x;
}

GrowthSetup Increments(const char* file, char errors) {
    GrowthSetup s;
    s.incrementPath = DataPath(file);
    s.errors = errors;
    return s;
}

GrowthSetup Alba(AgeModeForm form) {
    GrowthSetup s;
    s.frequencyPath = DataPath("alba_frequencies.dat");
    s.series = 7;
    s.identified = 2;
    s.blended = 3;
    s.birthDay = 150;
    s.age1 = 0.0;
    s.edge = 'M';
    s.ageModes = form;
    return s;
}

std::vector<double> AlbaVector(std::vector<double> fixed) {
    for (int s = 1; s <= 7; ++s) fixed.insert(fixed.end(), {0.4, 0.3});
    for (double d : {108, 184, 263, 350, 49, 120, 175}) fixed.push_back(d);
    return fixed;
}

// Everything an evaluation leaves behind that the summary and plots read.
struct Left {
    double objective = 0.0;
    std::vector<double> tables;
    std::vector<int> fates;
    std::string warnings;
};

Left Evaluate(const GrowthSetup& setup, const std::vector<double>& x, int threads) {
    GrowthBench b;
    EXPECT_TRUE(b.Initialise(setup));
    b.model.SetThreads(threads);
    Left left;
    left.objective = b.Evaluate(x, 1);
    const IncrementWorkspace& inc = b.model.Workspace().increments;
    for (int i = 1; i <= inc.negLnL.size(); ++i) {
        left.tables.insert(left.tables.end(), {inc.elapsed[i], inc.moments(i, 1), inc.moments(i, 2), inc.expected[i],
                                               inc.variance[i], inc.measurementVariance[i], inc.negLnL[i]});
        left.fates.push_back(static_cast<int>(inc.fate[i]));
    }
    const FrequencyWorkspace& f = b.model.Workspace().frequencies;
    for (int s = 1; s <= f.predicted.rows(); ++s) {
        for (int a = 1; a <= f.age.cols(); ++a)
            left.tables.insert(left.tables.end(), {f.age(s, a), f.mean(s, a), f.sd(s, a), f.proportion(s, a)});
        for (int i = 1; i <= f.predicted.cols(); ++i) {
            left.tables.push_back(f.predicted(s, i));
            for (int a = 1; a <= f.age.cols(); ++a) left.tables.push_back(f.probability[s](i, a));
        }
    }
    left.warnings = b.model.SummaryText();
    return left;
}

}  // namespace

TEST(ThreadAgreement, EveryThreadCountLeavesTheSameBits) {
    const auto rig = Fixed19(150, 20, 0.3, 0.1);
    const struct {
        const char* what;
        GrowthSetup setup;
        std::vector<double> x;
        bool warns;
    } cases[] = {
        // Records skipped with a warning each.
        {"rig without measurement error", Increments("rig_increments.dat", 'N'), rig, true},
        // b > 0: grids, reused moments, weight-sum warnings.
        {"rig, b > 0, cycles, %SE 2", Increments("rig_increments.dat", 'G'),
         With(rig, {{5, 0.3}, {6, 60}, {7, 4}, {8, 250}, {9, 2}, {12, 0.004}}), true},
        {"bonito, b > 0, wide L-infinity", Increments("bonito_increments.dat", 'G'),
         {75, 5, 0.3, 0.1, 0.2, 100, 2, 200, 0, 0, 0, 0.0178, -999, 0, 1, 0, 0, -999, -999}, true},
        // Selectivity integrals and penalised records.
        {"size at age, the slow corner", Increments("bonito_size_at_age.dat", 'G'),
         {70, 1, 0.5, 0.001, 0.2, 100, 2, 200, 1, 0, 0, 0.0178, 0.898, 0, 1, 0, 0, 14.8, 0.455}, false},
        {"alba, precise, b > 0, weight sums off", Alba(AgeModeForm::Precise),
         AlbaVector(With(Fixed19(14, 10, 1.0, 0.6), {{12, 0.05}, {13, 0.0}, {14, 0.5}, {16, 9}, {17, 0.5}})), true},
        {"alba, gamma modes", Alba(AgeModeForm::Gamma), AlbaVector(With(Fixed19(14, 1.5, 1.0, 0.3), {{13, 0.0}})),
         false},
    };
    for (const auto& c : cases) {
        const Left one = Evaluate(c.setup, c.x, 1);
        EXPECT_EQ(one.warnings.empty(), !c.warns) << c.what << "\n" << one.warnings;
        for (int threads : {2, 3, 8}) {
            const Left many = Evaluate(c.setup, c.x, threads);
            // Bit for bit: EXPECT_EQ on doubles, not NEAR.
            EXPECT_EQ(many.objective, one.objective) << c.what << ", " << threads << " threads";
            EXPECT_EQ(many.tables, one.tables) << c.what << ", " << threads << " threads";
            EXPECT_EQ(many.fates, one.fates) << c.what << ", " << threads << " threads";
            EXPECT_EQ(many.warnings, one.warnings) << c.what << ", " << threads << " threads";
        }
    }
}

TEST(ThreadAgreement, BestFitAndWarningsOfARunAsOneThreadLeavesThem) {
    // A run's calls: the first (NF = 1), a better one, a worse one, an equal one.
    const auto start = With(Fixed19(150, 20, 0.3, 0.1), {{12, 0.002}});
    const std::vector<std::vector<double>> calls = {start, With(start, {{1, 140}}), With(start, {{1, 300}}),
                                                    With(start, {{1, 140}})};
    auto run = [&](int threads) {
        auto b = std::make_unique<GrowthBench>();
        EXPECT_TRUE(b->InitialiseIncrements(DataPath("rig_increments.dat"), 'G'));
        b->model.SetThreads(threads);
        for (std::size_t k = 0; k < calls.size(); ++k) b->Evaluate(calls[k], static_cast<std::int32_t>(k + 1));
        return b;
    };
    const auto one = run(1);
    const auto many = run(4);
    const BestFit& a = one->model.Best();
    const BestFit& b = many->model.Best();
    EXPECT_EQ(b.objective, a.objective);
    EXPECT_EQ(b.values, a.values);
    EXPECT_EQ(a.values[1], 140.0);
    EXPECT_EQ(b.incrementTwice, a.incrementTwice);
    EXPECT_EQ(b.increments.fitted, a.increments.fitted);
    EXPECT_EQ(many->model.SummaryText(), one->model.SummaryText());
    EXPECT_EQ(many->model.Warnings().Kept(), one->model.Warnings().Kept());
    EXPECT_EQ(many->model.LastEvaluation().objective, one->model.LastEvaluation().objective);
}

namespace {

// Notes which threads asked the interface to breathe.
class BreathingThreads : public Dialogs {
public:
    Answer MessageBox(const std::string&, const std::string&, Buttons, Icon, bool) override { return Answer::OK; }
    std::string InputPrompt(const std::string&, const std::string&, const std::string&) override { return ""; }
    std::optional<std::string> FileDialog(const FileRequest&) override { return std::nullopt; }
    void ProcessEvents() override {
        const std::lock_guard<std::mutex> lock(mutex);
        ids.insert(std::this_thread::get_id());
        ++calls;
    }
    std::mutex mutex;
    std::set<std::thread::id> ids;
    int calls = 0;
};

}  // namespace

TEST(ThreadAgreement, OnlyTheCallingThreadLetsTheInterfaceBreathe) {
    for (const GrowthSetup& setup : {Increments("bonito_size_at_age.dat", 'G'), Alba(AgeModeForm::Precise)}) {
        BreathingThreads events;
        GrowthModel model(&events);
        TestPorts t;
        Workbench wb(t.ports(), &model);
        model.SetPendingSettings(setup);
        ASSERT_TRUE(InitialiseModel(wb));
        model.SetThreads(4);
        std::vector<double> x = setup.frequencyPath.empty()
                                    ? std::vector<double>{70, 8, 0.6, 0.15, 0, 0, 0, 0, 4, 0, 0, 0, -0.5, 0, 1, 0, 0,
                                                          30, 5}
                                    : AlbaVector(With(Fixed19(14, 1.5, 1.0, 0.3), {{13, 0.0}, {14, 0.5}}));
        Vec1<double> v = ToVec1(x);
        ObjectiveAt(wb, v, 2);
        EXPECT_GT(events.calls, 0);
        EXPECT_EQ(events.ids, std::set<std::thread::id>{std::this_thread::get_id()});
    }
}
