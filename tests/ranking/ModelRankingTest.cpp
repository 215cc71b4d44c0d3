#include <gtest/gtest.h>

#include <cmath>

#include "engine/modCorvane.h"
#include "ranking/ModelRanking.h"
#include "support/ScriptedDialogs.h"
#include "RankingSupport.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

RankingList ListOf(const std::vector<double>& aicc) {
    RankingList list;
    for (std::size_t i = 0; i < aicc.size(); ++i) AddCompetitor(list, WithAICc(aicc[i], "m" + std::to_string(i + 1) + ".alg"));
    return list;
}

std::vector<int> Numbers(const RankingList& list) {
    std::vector<int> n;
    for (const auto& m : list.models) n.push_back(m.modelNumber);
    return n;
}

}  // namespace

TEST(InformationCriterion, PenaltyAndLikelihoodTerms) {
    // 2 K N / (N - K - 1) + 2 (-ln[L]) / C-hat
    EXPECT_DOUBLE_EQ(InformationCriterion(10.0, 3, 20.0), 2.0 * 3 * 20 / 16.0 + 20.0);
    // No sample size reported: only the likelihood term.
    EXPECT_DOUBLE_EQ(InformationCriterion(10.0, 3, 0.0), 20.0);
    // C-hat 2 halves the likelihood term and keeps the penalty.
    EXPECT_DOUBLE_EQ(InformationCriterion(10.0, 3, 20.0, 2.0), 2.0 * 3 * 20 / 16.0 + 10.0);

    EXPECT_FALSE(CriterionProblem(10.0, 3, 0.0));
    EXPECT_FALSE(CriterionProblem(10.0, 3, 5.0));  // N - K - 1 = 1
    const auto none = CriterionProblem(10.0, 3, 4.0);  // N - K - 1 = 0
    ASSERT_TRUE(none);
    EXPECT_NE(none->find("N = 4"), std::string::npos);
    EXPECT_NE(none->find("K = 3"), std::string::npos);
    EXPECT_TRUE(CriterionProblem(10.0, 3, 2.5));  // negative penalty
    EXPECT_TRUE(CriterionProblem(std::nan(""), 1, 0.0));
    EXPECT_TRUE(CriterionProblem(INFINITY, 1, 0.0));
}

TEST(RankModels, EqualValuesKeepTheFirstAddedFirstAndShareTheWeight) {
    RankingList list = ListOf({50.0, 50.0});
    RankModels(list);
    EXPECT_EQ(list.order, RankOrder::Ranked);
    EXPECT_EQ(Numbers(list), (std::vector<int>{1, 2}));
    for (const auto& m : list.models) {
        EXPECT_EQ(*m.delta, 0.0);
        EXPECT_DOUBLE_EQ(*m.weight, 0.5);
    }
    // One model: ranked, its difference and weight stay undefined.
    RankingList one = ListOf({42.0});
    RankModels(one);
    EXPECT_EQ(one.order, RankOrder::Ranked);
    EXPECT_FALSE(one.models[0].delta || one.models[0].weight);
}

TEST(RankModels, OrdersByTheCriterionWithDifferencesAndWeights) {
    RankingList list = ListOf({107.5, 100.0, 102.0, 100.0, 130.0});
    RankModels(list);
    EXPECT_EQ(Numbers(list), (std::vector<int>{2, 4, 3, 1, 5}));
    double sum = 0.0;
    for (const auto& m : list.models) sum += *m.weight;
    EXPECT_NEAR(sum, 1.0, 1e-15);
    // 2 units worse: weight ratio exp(-1).
    EXPECT_DOUBLE_EQ(*list.models[2].delta, 2.0);
    EXPECT_NEAR(*list.models[2].weight / *list.models[0].weight, std::exp(-1.0), 1e-15);
    EXPECT_DOUBLE_EQ(*list.models[3].delta, 7.5);

    // Ranking the ranked list again changes nothing.
    const RankingList before = list;
    RankModels(list);
    ASSERT_EQ(list.Count(), before.Count());
    for (int r = 0; r < list.Count(); ++r) {
        const auto& a = list.models[static_cast<std::size_t>(r)];
        const auto& b = before.models[static_cast<std::size_t>(r)];
        EXPECT_EQ(a.modelNumber, b.modelNumber);
        EXPECT_EQ(*a.delta, *b.delta);
        EXPECT_EQ(*a.weight, *b.weight);
    }
}

TEST(RankModels, ValuesNotAboveZeroAreRankedAndNothingIsDropped) {
    // A negative AICc (a -ln[L] below 0 is common for continuous data) is the best.
    RankingList list = ListOf({10.0, -4.0, 0.0, 6.0});
    RankModels(list);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(Numbers(list), (std::vector<int>{2, 3, 4, 1}));
    EXPECT_DOUBLE_EQ(*list.models[3].delta, 14.0);
}

TEST(RankModels, CHatRanksByQAICcAndInvalidatesTheRanking) {
    RankingList list;
    auto entry = [](double negLnL, int k, const char* name) {
        CompetitorEvaluation e{negLnL, 30.0, k, {}, ""};
        return MakeCompetitor(e, 1.0, name, "", 1.0);
    };
    // N = 30.  a: penalty 2*4*30/25 = 9.6, AICc 29.6, QAICc(2) 19.6;
    //          b: penalty 60/28,         AICc 30.14, QAICc(2) 16.14.
    AddCompetitor(list, entry(10.0, 4, "a.alg"));
    AddCompetitor(list, entry(14.0, 1, "b.alg"));
    RankModels(list);
    EXPECT_EQ(Numbers(list), (std::vector<int>{1, 2}));

    SetCHat(list, 2.0);
    EXPECT_EQ(list.order, RankOrder::Random);
    EXPECT_FALSE(list.models[0].delta);
    EXPECT_DOUBLE_EQ(list.models[0].qaicc, 19.6);
    EXPECT_DOUBLE_EQ(list.models[0].aicc, 29.6);
    RankModels(list);
    EXPECT_EQ(Numbers(list), (std::vector<int>{2, 1}));
    EXPECT_NEAR(*list.models[1].delta, 19.6 - (14.0 + 60.0 / 28.0), 1e-12);

    // Below 1 is not a C-hat.
    SetCHat(list, 0.5);
    EXPECT_EQ(list.cHat, 1.0);
    EXPECT_FALSE(list.Quasi());
}

TEST(CompetingModel, NamesAndTheCovarianceFileBesideTheAlgorithmFile) {
    ScratchDir folder;
    folder.Write("growth_a.cov", "x");
    CompetitorEvaluation e{25.0, 100.0, 3, {}, ""};
    // -ln[L] = c x objective with 1/c = 2.
    const CompetingModel found = MakeCompetitor(e, 2.0, folder.Path("growth_a.alg"), "/priors/tight.pri", 1.0);
    EXPECT_DOUBLE_EQ(found.negLnL, 12.5);
    EXPECT_EQ(found.algorithmFile, "growth_a.alg");
    EXPECT_EQ(found.covarianceFile, "growth_a.cov");
    EXPECT_EQ(found.covariancePath, folder.Path("growth_a.cov"));
    EXPECT_EQ(found.priorsFile, "tight.pri");
    EXPECT_DOUBLE_EQ(found.aicc, 2.0 * 3 * 100 / 96.0 + 25.0);

    const CompetingModel missing = MakeCompetitor(e, 2.0, folder.Path("growth_b.alg"), "", 1.0);
    EXPECT_EQ(missing.covarianceFile, kNoCovarianceFound);
    EXPECT_FALSE(missing.HasCovarianceFile());
    EXPECT_EQ(missing.priorsFile, kNoPriors);

    EXPECT_EQ(ResolveBeside("/runs/a.alg", "other.cov"), "/runs/other.cov");
    EXPECT_EQ(ResolveBeside("/runs/a.alg", "/elsewhere/other.cov"), "/elsewhere/other.cov");
    EXPECT_EQ(ResolveBeside("a.alg", "a.cov"), "a.cov");
}

TEST(EvaluateCompetitor, ObjectiveWithFusesAndPriorsAndTheSampleSize) {
    SampleModel model(3, Quadratic({1.0, 2.0, 3.0}), 57.0);
    TestPorts t;
    Workbench wb(t.ports(), &model);
    InitialiseModel(wb);
    wb.alg.value[1] = 2.0;  // (2-1)^2
    wb.alg.value[2] = 7.0;  // fused to parameter 1: (2-2)^2
    wb.alg.value[3] = 3.0;
    wb.alg.step[1] = 0.1;
    wb.alg.step[2] = 0.1;
    wb.alg.step[3] = 0.1;
    wb.alg.fuse[1] = "A";
    wb.alg.fuse[2] = "A";
    const CompetitorEvaluation e = EvaluateCompetitor(wb);
    EXPECT_DOUBLE_EQ(e.objective, 1.0);
    EXPECT_EQ(e.k, 2);  // the follower's step became 0
    EXPECT_EQ(e.sampleSize, 57.0);
    EXPECT_EQ(model.calls.back(), 1);

    struct Flat : PriorSource {
        double PriorNegLnL(const Vec1<double>&) override { return 0.25; }
    } prior;
    wb.priors = &prior;
    wb.engine.priorsInUse = true;
    EXPECT_DOUBLE_EQ(EvaluateCompetitor(wb).objective, 1.25);
}

TEST(RankingFile, LayoutWithAICcAndWithQAICc) {
    RankingList list;
    CompetitorEvaluation a{20.0, 0.0, 2, {}, ""}, b{20.5, 0.0, 1, {}, ""};
    AddCompetitor(list, MakeCompetitor(a, 2.0, "/x/first_model.alg", "", 1.0));  // -ln[L] 10, AICc 20
    AddCompetitor(list, MakeCompetitor(b, 2.0, "second.alg", "", 1.0));          // -ln[L] 10.25, AICc 20.5
    list.models[0].notes = "von B, no season";
    EXPECT_EQ(FormatRankingFile(list, ""),
              "     2 < Number of models ranked\r\n"
              " Model     -nln[L] #Prms        AICc       dAICc      AIC Wt                            Algorithm file"
              "                           Covariance file  Notes>\r\n"
              "     1  1.0000E+01     2  2.0000E+01   undefined   undefined                         first_model.alg"
              "                No covariance file found  von B, no season\r\n"
              "     2  1.0250E+01     1  2.0500E+01   undefined   undefined                              second.alg"
              "                No covariance file found  \r\n");
    RankModels(list);
    SetCHat(list, 1.5);
    RankModels(list);
    const std::string q = FormatRankingFile(list, "AVERAGES\r\n");
    EXPECT_EQ(q.substr(0, q.find("\r\n")), "     2 < Number of models ranked; C-hat for QAICc calculation: 1.500");
    EXPECT_NE(q.find(" Model     -nln[L] #Prms       QAICc      dQAICc     QAIC Wt      "), std::string::npos);
    // QAICc 20/1.5 = 13.333 and 20.5/1.5 = 13.667; d = 0.3333; weights 0.54157 / 0.45843.
    EXPECT_NE(q.find("     1  1.0000E+01     2  1.3333E+01  0.0000E+00     0.54157"), std::string::npos);
    EXPECT_NE(q.find("     2  1.0250E+01     1  1.3667E+01  3.3333E-01     0.45843"), std::string::npos);
    EXPECT_EQ(q.substr(q.size() - 12), "\r\nAVERAGES\r\n");
}

// N of AICc counts the increment records the likelihood used: with %SE 0 the
// increments <= 0 drop out; with measurement error every record is used.
TEST(EvaluateCompetitor, SampleSizeCountsTheRecordsTheLikelihoodUsed) {
    const std::string rig = DataPath("rig_increments.dat");
    const int dropped = IncrementsNotAboveZero(rig);
    ASSERT_GT(dropped, 0);
    struct Case {
        double percentSE;
        double n;
    };
    const Case cases[] = {{0.0, 114.0 - dropped}, {2.0, 114.0}};
    for (const Case& c : cases) {
        GrowthBench b;
        ASSERT_TRUE(b.InitialiseIncrements(rig));
        SetDefaultAlgorithmData(b.wb.alg, 19);
        const auto values = Fixed19(150, 20, 0.3, 0.1);
        for (int i = 1; i <= 19; ++i) b.wb.alg.value[i] = values[static_cast<std::size_t>(i - 1)];
        b.wb.alg.value[9] = c.percentSE;
        b.wb.alg.step[1] = 0.1;
        const CompetitorEvaluation e = EvaluateCompetitor(b.wb);
        EXPECT_EQ(e.sampleSize, c.n) << c.percentSE;
        EXPECT_EQ(e.dataIdentity, b.model.DataIdentity());
        EXPECT_NE(e.dataIdentity.find(rig), std::string::npos);
    }
}

// Models are ranked together only on the same data: the refusal names each
// model's N, and a model of other data or another set-up.
TEST(DataMismatch, ModelsOfDifferentDataAreRefusedNamingEachCount) {
    auto model = [](const std::string& name, double n, const std::string& data) {
        CompetitorEvaluation e;
        e.objective = 100.0;
        e.k = 2;
        e.sampleSize = n;
        e.dataIdentity = data;
        return MakeCompetitor(e, 1.0, "/nonexistent-folder/" + name, "", 1.0);
    };
    struct Case {
        std::vector<CompetingModel> models;
        std::vector<std::string> pieces;  // empty: the models can be ranked together
    };
    const Case cases[] = {
        {{model("a.alg", 114, "rig")}, {}},
        {{model("a.alg", 114, "rig"), model("b.alg", 114, "rig"), model("c.alg", 114, "rig")}, {}},
        {{model("a.alg", 114, "rig"), model("b.alg", 75, "rig")},
         {"model 1 (a.alg): N = 114", "model 2 (b.alg): N = 75", "%SE 0"}},
        {{model("a.alg", 114, "rig"), model("b.alg", 114, "rig"), model("c.alg", 114, "bonito")},
         {"model 3 (c.alg): N = 114, other data files or another set-up than model 1", "model 2 (b.alg): N = 114\n"}},
    };
    for (const Case& c : cases) {
        const auto problem = DataMismatch(c.models);
        EXPECT_EQ(problem.has_value(), !c.pieces.empty());
        for (const std::string& piece : c.pieces) EXPECT_NE(problem->find(piece), std::string::npos) << *problem;
    }
}
