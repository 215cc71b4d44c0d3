// Evaluations shared among threads leave exactly what one thread leaves: the
// objective, every record and cell table, the warnings in their order and
// the best-fit record, to the last bit; and only the calling thread lets the
// interface breathe.
#include <gtest/gtest.h>

#include <mutex>
#include <set>
#include <thread>

#include "GrowthTestSupport.h"
#include "evaluation/Covariance.h"
#include "evaluation/Posterior.h"
#include "engine/ProgressThrottle.h"
#include "engine/SideBySide.h"
#include "engine/Threads.h"

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
        // Every call lets events run, so a helper thread would be seen.
        ProgressThrottle throttle(events, wb.ports.clock, 0.0);
        model.SetProgress(&throttle);
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

namespace {

// A covariance run of the rig model at a given thread count, with what it
// leaves behind: the store, the progress it told and the model's state.
struct CovarianceRun {
    CovarianceResults store;
    std::vector<int> told;  // grid x 1000 + point of every progress call
    BestFit best;
    double lastObjective = 0.0;
    std::string warnings;
    double priorContribution = 0.0;
};

CovarianceRun RigCovariances(int threads, bool priors, bool optimistic, int quitAt) {
    GrowthBench b;
    EXPECT_TRUE(b.InitialiseIncrements(DataPath("rig_increments.dat"), 'G'));
    UseThreads(b.wb, threads);
    EXPECT_EQ(SideBySide(b.wb).Threads(), threads);  // the model shares: no serial fallback
    AlgorithmData& a = b.wb.alg;
    SetDefaultAlgorithmData(a, a.np);
    // b > 0 and a %SE: every point warns about its grid sums.
    const std::vector<double> x = With(Fixed19(150, 20, 0.3, 0.1), {{5, 0.3}, {12, 0.004}});
    for (int i = 1; i <= a.np; ++i) a.value[i] = x[static_cast<std::size_t>(i - 1)];
    a.step[1] = 2, a.step[2] = 0.5, a.step[3] = 0.01, a.step[4] = 0.01, a.step[5] = 0.02;
    if (priors) {
        b.wb.engine.priorsInUse = true;
        b.wb.priorTable.Reset(a.np);
        b.wb.priorTable.rows[1] = {'N', 140, 30};
        b.wb.priorTable.rows[3] = {'N', 0.3, 0.1};
    }
    SetUpRun(a, b.wb.engine);
    const CovariancePlan plan = PlanCovariances(b.wb, a.value, a.step);
    CovarianceSettings settings;
    settings.constant = 0.5;
    settings.optimistic = optimistic;
    settings.progressInterval = 0.0;
    CovarianceRun run;
    CovarianceCallbacks callbacks;
    callbacks.progress = [&](const CovarianceProgress& p) {
        run.told.push_back(p.grid * 1000 + p.call);
        return p.grid == 2 && p.call == quitAt ? GridReply::QuitGrid : GridReply::Continue;
    };
    run.store = ComputeCovariances(b.wb, plan, settings, callbacks);
    run.best = b.model.Best();
    run.lastObjective = b.model.LastEvaluation().objective;
    run.warnings = b.model.SummaryText();
    run.priorContribution = b.wb.engine.priorContribution;
    return run;
}

void ExpectSameRun(const CovarianceRun& a, const CovarianceRun& b, const std::string& what) {
    for (int g = 1; g <= kGrids; ++g) {
        EXPECT_EQ(b.store.outcome[g], a.store.outcome[g]) << what << " grid " << g;
        EXPECT_EQ(b.store.mean[g], a.store.mean[g]) << what << " grid " << g;
        EXPECT_EQ(b.store.sd[g], a.store.sd[g]) << what << " grid " << g;
        for (int k = 0; k <= a.store.n; ++k)
            for (int l = 0; l <= a.store.n; ++l)
                ASSERT_EQ(b.store.R[g](k, l), a.store.R[g](k, l)) << what << " grid " << g << " " << k << "," << l;
    }
    EXPECT_EQ(b.store.centre, a.store.centre) << what;
    EXPECT_EQ(b.told, a.told) << what;
    EXPECT_EQ(b.best.values, a.best.values) << what;
    EXPECT_EQ(b.best.objective, a.best.objective) << what;
    EXPECT_EQ(b.lastObjective, a.lastObjective) << what;
    EXPECT_EQ(b.warnings, a.warnings) << what;
    EXPECT_EQ(b.priorContribution, a.priorContribution) << what;
}

}  // namespace

TEST(ThreadAgreement, CovarianceGridsSideBySideLeaveWhatOneAfterAnotherLeaves) {
    const struct {
        const char* what;
        bool priors, optimistic;
        int quitAt;
    } cases[] = {
        {"full grids", false, false, 0},
        {"priors in use", true, false, 0},
        {"optimistic, grid 2 quit at its 9th point", false, true, 9},
        {"grid 2 quit at its 13th point", true, false, 13},
    };
    for (const auto& c : cases) {
        const CovarianceRun one = RigCovariances(1, c.priors, c.optimistic, c.quitAt);
        EXPECT_EQ(one.told.size(), c.quitAt ? 30u + c.quitAt + 30u : 90u) << c.what;
        EXPECT_FALSE(one.warnings.empty()) << c.what;
        if (c.quitAt) {
            EXPECT_EQ(one.store.outcome[2], GridOutcome::Abandoned) << c.what;
        }
        if (c.priors) {
            EXPECT_GT(one.priorContribution, 0.0) << c.what;
        }
        for (int threads : {2, 3}) ExpectSameRun(one, RigCovariances(threads, c.priors, c.optimistic, c.quitAt),
                                                 std::string(c.what) + ", " + std::to_string(threads) + " threads");
    }
}

namespace {

// A posterior of the rig model's mean L-infinity with two parameters
// integrated, at a given thread count.
struct PosteriorRun {
    PosteriorBlocks blocks;
    PosteriorResult result;
    BestFit best;
    std::string warnings;
    double priorContribution = 0.0;
};

PosteriorRun RigPosterior(int threads, bool priors, int quitAfter) {
    GrowthBench b;
    EXPECT_TRUE(b.InitialiseIncrements(DataPath("rig_increments.dat"), 'N'));
    UseThreads(b.wb, threads);
    AlgorithmData& a = b.wb.alg;
    SetDefaultAlgorithmData(a, a.np);
    const std::vector<double> x = With(Fixed19(104.6, 12.0, 0.37, 1.9), {{9, 2}});
    for (int i = 1; i <= a.np; ++i) a.value[i] = x[static_cast<std::size_t>(i - 1)];
    a.step[2] = 1.0, a.step[3] = 0.02;
    if (priors) {
        b.wb.engine.priorsInUse = true;
        b.wb.priorTable.Reset(a.np);
        b.wb.priorTable.rows[2] = {'N', 12, 3};
    }
    b.wb.priorTable.reciprocalConstant = 0.5;
    SetUpRun(a, b.wb.engine);
    PosteriorPlan plan = PlanPosterior(b.wb, 1, 104.6, 2.0, 7, 9);
    plan.reference = EvaluateReference(b.wb, plan);
    PosteriorCallbacks callbacks;
    int batches = 0;
    callbacks.progressInterval = 0.0;
    callbacks.progress = [&](const PosteriorProgress&) {
        return ++batches == quitAfter ? PosteriorReply::Quit : PosteriorReply::Continue;
    };
    PosteriorRun run;
    run.blocks = ComputePosterior(b.wb, plan, callbacks);
    run.result = AssemblePosterior(plan, run.blocks);
    run.best = b.model.Best();
    run.warnings = b.model.SummaryText();
    run.priorContribution = b.wb.engine.priorContribution;
    return run;
}

}  // namespace

TEST(ThreadAgreement, PosteriorNodesSideBySideGiveTheSumsOfOneAfterAnother) {
    for (const bool priors : {false, true}) {
        for (const int quitAfter : {0, 3}) {
            const PosteriorRun one = RigPosterior(1, priors, quitAfter);
            EXPECT_EQ(one.blocks.interrupted, quitAfter != 0);
            ASSERT_FALSE(one.blocks.sums.empty());
            for (int threads : {2, 3}) {
                const PosteriorRun many = RigPosterior(threads, priors, quitAfter);
                const std::string what = std::string(priors ? "priors, " : "") + "quit after " +
                                         std::to_string(quitAfter) + ", " + std::to_string(threads) + " threads";
                EXPECT_EQ(many.blocks.sums, one.blocks.sums) << what;
                EXPECT_EQ(many.blocks.calls, one.blocks.calls) << what;
                EXPECT_EQ(many.result.columns.negLnL.size(), one.result.columns.negLnL.size()) << what;
                for (int i = 1; i <= one.result.columns.negLnL.size(); ++i)
                    EXPECT_EQ(many.result.columns.negLnL[i], one.result.columns.negLnL[i]) << what << " point " << i;
                EXPECT_EQ(many.result.summary.mean, one.result.summary.mean) << what;
                EXPECT_EQ(many.best.values, one.best.values) << what;
                EXPECT_EQ(many.warnings, one.warnings) << what;
                EXPECT_EQ(many.priorContribution, one.priorContribution) << what;
            }
        }
    }
}
