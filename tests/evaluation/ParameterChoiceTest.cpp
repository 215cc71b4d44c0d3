// Parameters named with their descriptions, and what an integration costs.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/AlgorithmData.h"
#include "evaluation/ParameterChoice.h"
#include "support/ScriptedDialogs.h"

using namespace corvane;
using namespace corvane::testing;

TEST(ParameterChoice, TheListDescribesEveryParameterAndStartsAtTheOneGiven) {
    AlgorithmData a;
    a.np = 3;
    a.description = Vec1<std::string>(3);
    a.description[1] = "Linf";
    a.description[3] = "  Mean of k (von Bertalanffy) ";
    // A platform that shows the list: record it and take the last item.
    struct Lister : ScriptedDialogs {
        std::optional<int> ChooseFromList(const ListChoice& c) override {
            seen = c;
            return static_cast<int>(c.items.size()) - 1;
        }
        ListChoice seen;
    } d;
    EXPECT_EQ(ChooseParameter(d, "T", "Choose", a, 3, 2), 3);
    EXPECT_EQ(d.seen.items, (std::vector<std::string>{"1  Linf", "2", "3  Mean of k (von Bertalanffy)"}));
    EXPECT_EQ(d.seen.initial, 1);
    // A prior table may be longer than the algorithm data.
    ChooseParameter(d, "T", "Choose", a, 4, 9);
    EXPECT_EQ(d.seen.items.back(), "4");
    EXPECT_EQ(d.seen.initial, 0);
    // Past 9 the shorter numbers are led by figure spaces, one per digit short.
    a.np = 12;
    ChooseParameter(d, "T", "Choose", a, 12, 1);
    EXPECT_EQ(d.seen.items[0], "\u20071  Linf");
    EXPECT_EQ(d.seen.items[11], "12");
}

TEST(PosteriorCost, DurationsReadAsAPersonWouldSayThem) {
    const struct {
        double seconds;
        const char* text;
    } cases[] = {
        {0.0, "less than a second"},   {0.99, "less than a second"}, {-1.0, "less than a second"},
        {1.0, "about 1 second"},       {45.0, "about 45 seconds"},   {89.4, "about 89 seconds"},
        {90.0, "about 2 minutes"},     {5399.0, "about 90 minutes"}, {5400.0, "about 2 hours"},
        {172799.0, "about 48 hours"},  {172800.0, "about 2 days"},   {std::nan(""), "less than a second"},
    };
    for (const auto& c : cases) EXPECT_EQ(DurationText(c.seconds), c.text) << c.seconds;
}

TEST(PosteriorCost, CallsAreCountedWithoutOverflowAndShownWhole) {
    // m g^k by hand.
    EXPECT_EQ(PosteriorCallCount(25, 25, 2), 15625.0);
    EXPECT_EQ(PosteriorCallCount(7, 0, 0), 7.0);
    EXPECT_EQ(CallCountText(PosteriorCallCount(1001, 1001, 3)), "1004006004001");
    // 1001^7 = 1.007021035035007001E+21, beyond any whole count.
    EXPECT_EQ(CallCountText(PosteriorCallCount(1001, 1001, 6)), "about 1.0E+21");
    EXPECT_EQ(TooManyCallsText(3.0e9),
              "Required number of function calls exceeds the maximum allowed of 32767.\r\n"
              "This set-up needs 3000000000 function calls.\r\n"
              "Correct this by reducing the number of free parameters or the grid resolution");
    // 625 calls of half a second: 312.5 s.
    EXPECT_EQ(PosteriorCostText(625, 0.5),
              "This integration needs 625 function calls, which will take about 5 minutes.\r\n\r\nContinue?");
    EXPECT_EQ(PosteriorCostText(625, 0.001),
              "This integration needs 625 function calls, which will take less than a second.\r\n\r\nContinue?");
}
