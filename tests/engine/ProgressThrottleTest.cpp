// The throttle that paces event processing by time: its rule, and the growth
// model breathing through it by time rather than once per record, with an
// Interrupt click still reaching the Simplex.
#include <gtest/gtest.h>

#include "../model/GrowthTestSupport.h"
#include "engine/ProgressThrottle.h"
#include "engine/Threads.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

// A clock whose pacing timer moves on by a fixed step at every reading, as
// if each reading followed a stretch of work.
class TickingClock : public FixedClock {
public:
    explicit TickingClock(double step) : FixedClock(12, 7, 2026, 18, 42), step_(step) {}
    double PacingSeconds() const override { return now_ += step_; }

private:
    double step_;
    mutable double now_ = 100.0;
};

// The growth model on the rig records, on a workbench whose clock ticks.
struct PacedGrowth {
    explicit PacedGrowth(double tick) : clock(tick), wb(Ports{t.dialogs, t.status, t.windows, clock, t.random}, &model) {
        GrowthSetup setup;
        setup.incrementPath = DataPath("rig_increments.dat");
        setup.errors = 'N';
        model.SetPendingSettings(setup);
        ok = InitialiseModel(wb);
        // One thread: only the calling thread reads the clock, so with helpers
        // the count of breaths would follow how the records were shared out.
        UseThreads(wb, 1);
        SetDefaultAlgorithmData(wb.alg, wb.alg.np);
        const auto values = Fixed19(150, 20, 0.3, 0.1);
        for (int i = 1; i <= wb.alg.np; ++i) wb.alg.value[i] = values[static_cast<std::size_t>(i - 1)];
    }
    int Records() const { return model.Data().increments.records; }

    TestPorts t;
    TickingClock clock;
    GrowthModel model{&t.dialogs};
    Workbench wb;
    bool ok = false;
};

}  // namespace

TEST(ProgressThrottle, LetsEventsRunAtMostOncePerInterval) {
    TestPorts t;
    ProgressThrottle pace(t.dialogs, t.clock, 0.075);
    int reports = 0;
    auto report = [&] { ++reports; };

    EXPECT_TRUE(pace.Breathe(report));  // the first call always breathes
    EXPECT_FALSE(pace.Breathe(report));
    t.clock.Advance(0.074);
    EXPECT_FALSE(pace.Breathe());
    t.clock.Advance(0.002);
    EXPECT_TRUE(pace.Breathe(report));
    EXPECT_EQ(t.dialogs.processEventsCalls, 2);
    EXPECT_EQ(reports, 2);  // the report is built only when events run

    // Breathing now restarts the interval.
    t.clock.Advance(0.05);
    pace.BreatheNow();
    t.clock.Advance(0.05);
    EXPECT_FALSE(pace.Breathe());
    EXPECT_EQ(t.dialogs.processEventsCalls, 3);

    // A clock set back does not silence the interface until it catches up.
    t.clock.Advance(-10.0);
    EXPECT_TRUE(pace.Breathe());

    // Interval 0: every call.
    pace.SetInterval(0.0);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(pace.Breathe());
    EXPECT_EQ(pace.Breaths(), 7);
    EXPECT_EQ(t.dialogs.processEventsCalls, 7);
}

TEST(ProgressThrottle, TheGrowthModelBreathesByTimeNotPerRecord) {
    // 10 ms of work between readings: with 75 ms intervals about one record
    // in eight lets events run.
    PacedGrowth g(0.010);
    ASSERT_TRUE(g.ok);
    ASSERT_GT(g.Records(), 100);
    Vec1<double> x = g.wb.alg.value;
    const double f = ObjectiveAt(g.wb, x, 2);
    EXPECT_NEAR(f, 631.52374345130204, 1e-6);  // breathing changes nothing in the result
    const int calls = g.t.dialogs.processEventsCalls;
    EXPECT_GE(calls, g.Records() / 12);
    EXPECT_LE(calls, g.Records() / 6);

    // A fast machine: the clock hardly moves, and one evaluation lets events
    // run at most once.
    PacedGrowth quick(1e-7);
    x = quick.wb.alg.value;
    ObjectiveAt(quick.wb, x, 2);
    ObjectiveAt(quick.wb, x, 3);
    EXPECT_EQ(quick.t.dialogs.processEventsCalls, 1);
}

TEST(ProgressThrottle, AnInterruptClickedWhileTheModelBreathesStopsTheSimplex) {
    PacedGrowth g(0.010);
    ASSERT_TRUE(g.ok);
    for (int i = 1; i <= 4; ++i) g.wb.alg.step[i] = 0.1 * g.wb.alg.value[i];
    const Vec1<double> start = g.wb.alg.value;
    // The click arrives at the third breath, in the middle of an evaluation.
    g.t.dialogs.onProcessEvents = [&](int call) {
        if (call == 3) g.wb.simplexView.Click("cmdStop");
    };
    g.t.dialogs.ExpectMessage("Simplex interrupt", "Interrupt received. Do you want to quit minimizing?", Answer::Yes);
    const MinimiserResult result = SimplexCommand(g.wb);
    EXPECT_EQ(result.end, MinimiserEnd::Interrupted);
    EXPECT_TRUE(g.t.dialogs.AllDone());
    // Stopped within the iteration that was running: the initial simplex
    // (five evaluations) and at most one step more.
    EXPECT_LE(result.iterations, 1);
    // The best point found is kept.
    EXPECT_LE(result.minimum, 631.52374345130204);
    bool moved = false;
    for (int i = 1; i <= 4; ++i) moved = moved || g.wb.alg.value[i] != start[i];
    EXPECT_EQ(moved, result.minimum < 631.52374345130204);
}
