// The progress reporter of the long commands, on a fixed clock.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/Progress.h"
#include "platform/Clock.h"

using namespace corvane;
using namespace corvane::cli;

TEST(CliProgress, OnATerminalOneLineIsRewrittenInPlaceAtMostEveryFifthOfASecond) {
    std::ostringstream err;
    FixedClock clock(1, 2, 2024, 23, 59, 59.5);  // the run passes midnight
    ProgressReporter progress(err, true, clock);
    progress.Report("Simplex: best 12.5, 3 iterations", 10, "calls");
    EXPECT_EQ(err.str(), "\rSimplex: best 12.5, 3 iterations, 10 calls");
    clock.Advance(0.1);
    progress.Report("Simplex: best 12, 4 iterations", 50, "calls");  // not due yet
    EXPECT_EQ(progress.LinesWritten(), 1);
    clock.Advance(0.4);  // 00:00:00.0, half a second after the first report
    progress.Report("Simplex: best 9, 5 iterations", 110, "calls");
    const std::string second = "\rSimplex: best 9, 5 iterations, 110 calls, 200 calls/s";
    EXPECT_EQ(err.str().substr(err.str().size() - second.size()), second);
    clock.Advance(1.0);
    progress.Report("Simplex: best 8, 6 iterations", 120, "calls");  // shorter: padded over the last
    EXPECT_EQ(err.str().substr(err.str().size() - second.size()),
              "\rSimplex: best 8, 6 iterations, 120 calls, 73 calls/s" + std::string(1, ' '));
    progress.Finish();
    EXPECT_EQ(err.str().back(), '\n');
    const std::size_t size = err.str().size();
    progress.Finish();  // nothing showing: nothing to end
    EXPECT_EQ(err.str().size(), size);
}

TEST(CliProgress, ElsewherePlainLinesEveryFewSecondsAndNeverACarriageReturn) {
    std::ostringstream err;
    FixedClock clock(1, 2, 2024, 10, 0, 0.0);
    ProgressReporter progress(err, false, clock, 5.0);
    for (int i = 0; i <= 96; ++i) {  // 12 seconds in eighths
        progress.Report("Profile: point " + std::to_string(i), 10LL * i, "calls");
        clock.Advance(0.125);
    }
    progress.Finish();
    EXPECT_EQ(err.str().find('\r'), std::string::npos);
    EXPECT_EQ(progress.LinesWritten(), 2);  // at 5 s and at 10 s: a short run says nothing
    EXPECT_EQ(err.str(), "Profile: point 40, 400 calls, 80 calls/s\nProfile: point 80, 800 calls, 80 calls/s\n");
}

TEST(CliProgress, AMinimisersLineCountsItsCallsAcrossRestartsOfItsCounter) {
    std::ostringstream err;
    FixedClock clock(1, 2, 2024, 10, 0, 0.0);
    ProgressReporter reporter(err, true, clock);
    long long earlier = 0;
    MinimiserReporter progress(reporter, [&earlier](long long calls) { return earlier + calls; });
    progress.Progress({"Simplex", 12, 40, 347.57588234});
    EXPECT_EQ(err.str(), "\rSimplex: best 347.5758823, 12 iterations, 40 calls");
    earlier = 9999;  // the count started again at the limit
    clock.Advance(1.0);
    progress.Progress({"Simplex", 13, 1, 347.5});
    EXPECT_NE(err.str().find("\rSimplex: best 347.5, 13 iterations, 10000 calls, 9960 calls/s"), std::string::npos)
        << err.str();
}
