#include <gtest/gtest.h>

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
    // v = (1/c) x the prior value: 0 at the Gaussian's mean, 2 x 3/2 for
    // the exponential; its likelihood exp(-3) = 0.0497871.
    EXPECT_EQ(Listing(review),
              "Parameter   1 at  1.000E+01 has a prior -ln[L] of     0.00 and a prior likelihood of 1.000000\r\n"
              "Parameter   3 at  3.000E+00 has a prior -ln[L] of     3.00 and a prior likelihood of 0.049787\r\n"
              "\r\n"
              "           The entire model has a prior -ln[L] of     3.00 and a prior likelihood of 0.049787\r\n");
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
    EXPECT_TRUE(view.editable);
    EXPECT_EQ(Listing(view.Area(1)),
              "Parameter   2 at  2.000E+00 has a prior -ln[L] of     4.00 and a prior likelihood of 0.018316\r\n"
              "\r\n"
              "           The entire model has a prior -ln[L] of     4.00 and a prior likelihood of 0.018316\r\n");

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
// x^2 + (x - 1)^2, whose minimum is at 0.5; the review then reports
// 2 x 0.5 x 0.5^2 = 0.25 and exp(-0.25) = 0.778801.
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
        EXPECT_NE(r.wb.priorReviewView.Area(1).find(
                      "has a prior -ln[L] of     0.25 and a prior likelihood of 0.778801"),
                  std::string::npos)
            << r.wb.priorReviewView.Area(1);
    }
    // Without priors in use there is no review.
    MinimiserRig r(2, Quadratic({0, 0}));
    r.Free(1, 3.0, 0.5);
    Minimise(r, Method::Numerical);
    EXPECT_FALSE(r.t.windows.IsOpen(r.wb.priorReviewView));
}
