#include <gtest/gtest.h>

#include "engine/CovarianceConstant.h"
#include "engine/modCorvane.h"
#include "support/ScriptedDialogs.h"
#include "support/TestModels.h"

using namespace corvane;
using namespace corvane::testing;

TEST(CovarianceConstant, PromptOffersTheModelsConstantElseTheSumOfSquaresSuggestion) {
    ConstantQuestion q;
    q.modelSuggestion = 0.5;
    q.dataCount = 114;
    q.freeCount = 4;
    q.centreValue = 347.5;
    EXPECT_EQ(ConstantPromptFor(q).defaultAnswer, "0.500");
    EXPECT_NE(ConstantPromptFor(q).prompt.find("\r\n\r\nYour model suggests you use this constant: "), std::string::npos);

    q.modelSuggestion = 0.0;  // s = (N - p) / (2 f0) = 110 / 695
    EXPECT_EQ(ConstantPromptFor(q).defaultAnswer, "1.5827338E-01");
    EXPECT_NE(ConstantPromptFor(q).prompt.find("sum of squares"), std::string::npos);

    q.centreValue = 0.0;  // undefined suggestion: nothing offered
    EXPECT_EQ(ConstantPromptFor(q).defaultAnswer, "");

    q.dataCount = 0;  // no data count: the bare first line
    EXPECT_EQ(ConstantPromptFor(q).prompt,
              "Enter the constant WHICH WILL MAKE the objective function the -ln[likelihood]\r\n");
    EXPECT_EQ(ConstantPromptFor(q).defaultAnswer, "");
}

TEST(CovarianceConstant, AsksUntilAPositiveNumberAndStoresItsReciprocal) {
    FunctionModel model(2, Quadratic({0.0, 0.0}));
    TestPorts t;
    Workbench wb(t.ports(), &model);
    InitialiseModel(wb);
    t.dialogs.ExpectPrompt(kConstantTitle, "-ln[likelihood]", "")  // empty asks again
        .ExpectPrompt(kConstantTitle, "", "0")
        .ExpectMessage("Insufficient degrees of freedom", "Cannot accept a negative or zero constant")
        .ExpectPrompt(kConstantTitle, "", "abc")
        .ExpectMessage("Insufficient degrees of freedom", "degrees of freedom are zero or fewer")
        .ExpectPrompt(kConstantTitle, "", "4");
    EXPECT_EQ(AskCovarianceConstant(wb, ConstantQuestionFor(wb, 10.0, 2)), 4.0);
    EXPECT_EQ(wb.priorTable.reciprocalConstant, 0.25);
    EXPECT_TRUE(t.dialogs.AllDone());
}
