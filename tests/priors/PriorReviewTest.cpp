#include <gtest/gtest.h>

#include <cmath>

#include "../engine/MinimiserRig.h"
#include "../model/GrowthTestSupport.h"
#include "priors/PriorReview.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

constexpr const char* kFirstLine =
    "Note: Here is a chance to review the likelihood of your current parameter estimates relative to \r\n";

// The review's lines after its introduction.
std::string Listing(const std::string& review) {
    const std::string end = "can be saved in *.pdp files.\r\n\r\n";
    const auto at = review.find(end);
    return at == std::string::npos ? std::string() : review.substr(at + end.size());
}

}  // namespace

TEST(PriorReview, ListsOnlyParametersWithAPriorInItsColumns) {
    PriorTable t;
    t.Reset(3);
    t.rows[1] = PriorRow{'N', 10, 2, "Unused", "Unused"};
    t.rows[3] = PriorRow{'E', 2, 2, "Unused", "Unused"};
    t.reciprocalConstant = 2.0;
    Vec1<double> x(3);
    x[1] = 10.0;
    x[2] = -7.0;
    x[3] = 3.0;
    t.PriorNegLnL(x);
    const std::string review = PriorReviewText(t, x);
    EXPECT_EQ(review.rfind(kFirstLine, 0), 0u);
    // The prior's own -ln density: 0 at the Gaussian's mean, 3/2 for the
    // exponential (density exp(-1.5) = 0.2231302); apart, what it adds to the
    // objective: 1/c = 2 times that.
    EXPECT_EQ(Listing(review),
              "Each prior's -ln[density] and density are its own (0 and 1 at its most likely value); what it adds "
              "to the objective is its -ln[density] times 1/c = 2 (c, the covariance constant: -ln[L] = c x "
              "objective).\r\n\r\n"
              "Parameter   1 at  1.000E+01 has a prior -ln[density] of     0.00 and a prior density of 1.000000; "
              "it adds     0.00 to the objective\r\n"
              "Parameter   3 at  3.000E+00 has a prior -ln[density] of     1.50 and a prior density of 0.223130; "
              "it adds     3.00 to the objective\r\n"
              "\r\n"
              "           The entire model has a prior -ln[density] of     1.50 and a prior density of 0.223130; "
              "the priors add     3.00 to the objective\r\n");
}

TEST(PriorReview, OneFunctionCallReportsFWithThePriorAndItsReviewCanBeSaved) {
    MinimiserRig r(2, Quadratic({0, 0}));
    ScratchDir dir;
    r.wb.alg.value[1] = 1.0;
    r.wb.alg.value[2] = 2.0;
    r.wb.priorTable.rows[2] = PriorRow{'N', 0, 1, "Unused", "Unused"};
    r.wb.engine.priorsInUse = true;
    ASSERT_EQ(r.wb.priorTable.reciprocalConstant, 2.0);  // the model's constant 0.5
    SetUpRun(r.wb.alg, r.wb.engine);
    // F = 1 + 4 from the model, plus 2 x (0.5 x 2^2) from the prior.
    const OneFunctionCallResult call = OneFunctionCall(r.wb);
    EXPECT_DOUBLE_EQ(call.objective, 9.0);
    EXPECT_NE(call.report.find("Current minimum of 9. found"), std::string::npos);

    TextView& view = r.wb.priorReviewView;
    ASSERT_TRUE(r.t.windows.IsOpen(view));
    EXPECT_EQ(view.Caption(), "Review priors ");
    EXPECT_FALSE(view.editable);  // a result reads as it was computed
    // N(0, 1) at 2: -ln density 2, density exp(-2) = 0.1353353; it adds 4.
    const std::string listing = Listing(view.Area(1));
    EXPECT_NE(listing.find("Parameter   2 at  2.000E+00 has a prior -ln[density] of     2.00 and a prior density of "
                           "0.135335; it adds     4.00 to the objective\r\n\r\n"
                           "           The entire model has a prior -ln[density] of     2.00 and a prior density of "
                           "0.135335; the priors add     4.00 to the objective\r\n"),
              std::string::npos)
        << listing;

    // The user's edits are what is saved, behind the file name.
    view.UserEdited(1, "edited\r\n");
    const std::string path = dir.Path("review.rvp");
    r.t.dialogs.ExpectFile("Save review in...", path);
    view.Click("cmdSave");
    const FileRequest& asked = r.t.dialogs.Last().request;
    EXPECT_EQ(asked.filter, "All files (*.*)|*.*|Review priors files (*.rvp)|*.rvp");
    EXPECT_EQ(asked.selectedFilter, 2);
    EXPECT_EQ(asked.initialName, "12071842.rvp");
    const std::string saved = "Originally saved with the file name: " + path + "\r\n\r\nedited\r\n";
    EXPECT_EQ(ReadFile(path), saved);
    EXPECT_EQ(view.Area(1), saved);
}

// With a Gaussian prior N(1, 1) and c = 0.5 the minimisers see
// x^2 + (x - 1)^2, whose minimum is at 0.5; the review then reports the
// prior's -ln density 0.5 x 0.5^2 = 0.125 (density exp(-0.125) = 0.8825)
// and what it adds to the objective, 2 x 0.125 = 0.25.
TEST(PriorReview, MinimisersFindThePosteriorMinimumAndReviewIt) {
    for (Method method : {Method::Simplex, Method::Numerical}) {
        MinimiserRig r(2, Quadratic({0, 0}));
        r.Free(1, 3.0, 0.5);
        r.wb.priorTable.rows[1] = PriorRow{'N', 1, 1, "Unused", "Unused"};
        r.wb.engine.priorsInUse = true;
        const MinimiserResult result = Minimise(r, method);
        EXPECT_EQ(result.end, MinimiserEnd::Converged);
        EXPECT_NEAR(r.wb.alg.value[1], 0.5, 1e-3);
        EXPECT_NEAR(result.minimum, 0.5, 1e-6);
        ASSERT_TRUE(r.t.windows.IsOpen(r.wb.priorReviewView));
        const std::string& review = r.wb.priorReviewView.Area(1);
        EXPECT_NE(review.find("and a prior density of 0.88"), std::string::npos) << review;
        EXPECT_NE(review.find("; it adds     0.25 to the objective"), std::string::npos) << review;
    }
    // Without priors in use there is no review.
    MinimiserRig r(2, Quadratic({0, 0}));
    r.Free(1, 3.0, 0.5);
    Minimise(r, Method::Numerical);
    EXPECT_FALSE(r.t.windows.IsOpen(r.wb.priorReviewView));
}

// The case of a fit that reads a prior wrongly: N(0.30, 0.02) at z = 2.02
// (0.3404) has the -ln density 0.5 x 2.02^2 = 2.0402 and the density
// exp(-2.0402) = 0.130, and adds 2 x 2.0402 = 4.08 to a -2 ln[L] objective; a
// -ln density of 1e8 is shown whole, never cut to its column.
TEST(PriorReview, OwnDensityApartFromWhatItAddsAndNumbersNeverCut) {
    PriorTable t;
    t.Reset(2);
    t.rows[1] = PriorRow{'N', 0.30, 0.02, "Unused", "Unused"};
    t.rows[2] = PriorRow{'N', 0.0, 1.0, "Unused", "Unused"};
    t.reciprocalConstant = 2.0;
    Vec1<double> x(2);
    x[1] = 0.30 + 2.02 * 0.02;
    x[2] = std::sqrt(2e8);  // -ln density 1e8
    t.PriorNegLnL(x);
    const std::string listing = Listing(PriorReviewText(t, x));
    EXPECT_NE(listing.find("Parameter   1 at  3.404E-01 has a prior -ln[density] of     2.04 and a prior density of "
                           "0.130003; it adds     4.08 to the objective\r\n"),
              std::string::npos)
        << listing;
    EXPECT_NE(listing.find("has a prior -ln[density] of 1.000E+08 and a prior density of 0.000000; it adds "
                           "2.000E+08 to the objective\r\n"),
              std::string::npos)
        << listing;
}

// The review evaluates the priors at the values the objective used: the
// growth model takes the SD of L-infinity (parameter 2) as its absolute
// value, so an estimate of -20 under N(20, 2) is at the prior's mode.
TEST(PriorReview, EvaluatedAtTheValuesTheObjectiveUsed) {
    GrowthBench b;
    ASSERT_TRUE(b.InitialiseIncrements(DataPath("rig_increments.dat"), 'N'));
    const auto values = Fixed19(150, -20, 0.3, 0.1);
    for (int i = 1; i <= 19; ++i) b.wb.alg.value[i] = values[static_cast<std::size_t>(i - 1)];
    b.wb.priorTable.rows[2] = PriorRow{'N', 20, 2, "Unused", "Unused"};
    b.wb.engine.priorsInUse = true;
    const std::string listing = Listing(ComputePriorReview(b.wb));
    EXPECT_NE(listing.find("Parameter   2 at  2.000E+01 has a prior -ln[density] of     0.00 and a prior density of "
                           "1.000000; it adds     0.00 to the objective (the estimate -2.000E+01 is used as its "
                           "absolute value)\r\n"),
              std::string::npos)
        << listing;
    EXPECT_EQ(b.wb.priorTable.perParameter[2], 0.0);
}
