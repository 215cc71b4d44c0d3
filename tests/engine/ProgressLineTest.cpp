#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "engine/Minimiser.h"
#include "tests/engine/MinimiserRig.h"

using namespace corvane;
using namespace corvane::testing;

TEST(ProgressLine, RewritesOneLineAtMostEveryIntervalAndEndsIt) {
    FixedClock clock(1, 5, 2026, 10, 0);
    std::ostringstream out;
    ProgressLine line(out, clock, 0.5);
    line.Progress({"Simplex", 10, 25, 12.5});
    line.Progress({"Simplex", 11, 27, 12.25});  // too soon
    clock.Advance(0.6);
    line.Progress({"Simplex", 2, 9, 1.0});  // shorter: the rest of the old line is wiped
    line.Finish();
    EXPECT_EQ(out.str(),
              "\rSimplex: 10 iterations, 25 function calls, best 12.5"
              "\rSimplex: 2 iterations, 9 function calls, best 1     \n");
}

TEST(ProgressLine, MinimisersReportEveryIterationOrTrial) {
    for (const bool simplex : {true, false}) {
        MinimiserRig r(2, Rosenbrock());
        r.Free(1, -1.2, 0.1);
        r.Free(2, 1.0, 0.1);
        std::ostringstream out;
        ProgressLine line(out, r.t.clock, 0.0);
        r.wb.minimiserObserver = &line;
        MinimiserResult result;
        if (simplex) {
            r.t.dialogs.ExpectMessage("Simplex minimum", "Minimum found using Simplex!");
            result = SimplexCommand(r.wb);
        } else {
            r.ExpectMarquardtSetUp(false);
            r.t.dialogs.ExpectMessage("Marquardt minimum", "Minimum found using Marquardt!");
            result = MarquardtCommand(r.wb);
        }
        const std::string text = out.str();
        if (simplex) {
            EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), result.iterations);
            EXPECT_NE(text.find("\rSimplex: " + std::to_string(result.iterations) + " iterations, "),
                      std::string::npos);
        } else {
            EXPECT_GT(std::count(text.begin(), text.end(), '\r'), result.iterations);
            EXPECT_NE(text.find("\rMarquardt: " + std::to_string(result.iterations - 1) + " iterations, "),
                      std::string::npos);
        }
    }
}
