// Pieces shared among threads: every piece once, each thread its own slot,
// nested levels serial; the thread count from a setting or the command line.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#if defined(__linux__)
#include <sched.h>
#endif

#include "engine/Parallel.h"
#include "engine/Threads.h"

using namespace corvane;

TEST(ParallelFor, EveryPieceOnceEachThreadInItsOwnSlot) {
    for (int threads : {1, 2, 3, 8}) {
        for (int count : {0, 1, 5, 114, 1000}) {
            for (int grain : {1, 4, 8, 64}) {
                std::vector<std::atomic<int>> visits(static_cast<std::size_t>(count));
                // The first piece is always the calling thread's, which alone
                // tells of progress.
                const std::thread::id caller = std::this_thread::get_id();
                std::atomic<bool> firstElsewhere{false};
                std::vector<std::atomic<int>> busy(static_cast<std::size_t>(threads));
                std::atomic<bool> shared{false}, outside{false};
                ParallelFor(threads, count, grain, [&](int i, int slot) {
                    if (slot < 0 || slot >= threads) {
                        outside = true;
                        return;
                    }
                    // No two threads hold one slot at once.
                    if (busy[static_cast<std::size_t>(slot)].fetch_add(1) != 0) shared = true;
                    ++visits[static_cast<std::size_t>(i)];
                    if (i == 0 && (slot != 0 || std::this_thread::get_id() != caller)) firstElsewhere = true;
                    busy[static_cast<std::size_t>(slot)].fetch_sub(1);
                });
                EXPECT_FALSE(outside) << threads << " " << count << " " << grain;
                EXPECT_FALSE(shared) << threads << " " << count << " " << grain;
                EXPECT_FALSE(firstElsewhere) << threads << " " << count << " " << grain;
                for (int i = 0; i < count; ++i)
                    ASSERT_EQ(visits[static_cast<std::size_t>(i)].load(), 1) << threads << " " << count << " " << i;
            }
        }
    }
}

#if defined(__linux__)
TEST(ParallelFor, AHelperKeepsOffTheCoreItsCallerWasOn) {
    cpu_set_t process;
    ASSERT_EQ(sched_getaffinity(0, sizeof process, &process), 0);
    const int cores = CPU_COUNT(&process);
    // Pieces long enough that the helper surely takes some.
    std::atomic<int> helperCores{-1};
    ParallelFor(2, 20, 1, [&](int, int slot) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        cpu_set_t mine;
        if (slot == 1 && sched_getaffinity(0, sizeof mine, &mine) == 0) helperCores = CPU_COUNT(&mine);
    });
    ASSERT_NE(helperCores.load(), -1) << "the helper took no piece";
    EXPECT_EQ(helperCores.load(), cores >= 2 ? cores - 1 : cores);
}
#endif

TEST(ParallelFor, OneThreadRunsInOrderAndAnInnerLevelStaysOnItsThread) {
    const std::thread::id caller = std::this_thread::get_id();
    std::vector<int> order;
    ParallelFor(1, 10, 3, [&](int i, int slot) {
        EXPECT_EQ(slot, 0);
        EXPECT_EQ(std::this_thread::get_id(), caller);
        order.push_back(i);
    });
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));

    // An evaluation inside a grid point keeps its records on the point's
    // thread, in order, so the outer level keeps the cores.
    std::atomic<int> inner{0};
    std::atomic<bool> wandered{false}, unordered{false};
    ParallelFor(4, 16, 1, [&](int, int) {
        const std::thread::id point = std::this_thread::get_id();
        int last = -1;
        ParallelFor(4, 50, 1, [&](int k, int slot) {
            if (std::this_thread::get_id() != point || slot != 0) wandered = true;
            if (k != last + 1) unordered = true;
            last = k;
            ++inner;
        });
    });
    EXPECT_EQ(inner.load(), 16 * 50);
    EXPECT_FALSE(wandered);
    EXPECT_FALSE(unordered);
}

TEST(Threads, CountFromTheSettingOrTheCommandLine) {
    EXPECT_GE(AvailableCores(), 1);
    EXPECT_EQ(ResolveThreads(0), AvailableCores());
    EXPECT_EQ(ResolveThreads(-3), AvailableCores());
    EXPECT_EQ(ResolveThreads(5), 5);

    std::string problem;
    EXPECT_EQ(ThreadsFromArguments({"corvane"}, problem), 0);
    EXPECT_EQ(ThreadsFromArguments({"corvane", "--threads", "3"}, problem), 3);
    EXPECT_EQ(ThreadsFromArguments({"corvane", "-platform", "offscreen", "--threads=2"}, problem), 2);
    EXPECT_EQ(problem, "");
    for (const char* bad : {"0", "two", "3x", "", "5000"}) {
        problem.clear();
        EXPECT_EQ(ThreadsFromArguments({"corvane", "--threads", bad}, problem), 0) << bad;
        EXPECT_NE(problem.find("option --threads needs a whole number from 1 to 4096"), std::string::npos) << bad;
    }
    problem.clear();
    EXPECT_EQ(ThreadsFromArguments({"corvane", "--threads"}, problem), 0);
    EXPECT_NE(problem, "");
}

TEST(SplitWork, NoMoreThreadsThanLeastSharesInChunksOfAtLeastTheLeastChunk) {
    // The cases below are worked by hand from shares of 10 us and chunks of 2 us.
    ASSERT_EQ(kLeastShareNanoseconds, 10000.0);
    ASSERT_EQ(kLeastChunkNanoseconds, 2000.0);
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        int threads, count;
        double each;
        int splitThreads, grain;
    } cases[] = {
        {1, 1000, 1e4, 1, 1},        // one thread asked for
        {4, 1, 1e9, 1, 1},           // one piece
        {2, 114, 0.0, 1, 1},         // no cost known
        {2, 114, nan, 1, 1},
        {2, 10, 2000.0, 2, 1},       // 20 us: two shares, ten chunks of one piece
        {2, 10, 1999.0, 1, 1},       // a whisker less: one share, kept on the caller
        {2, 114, 100.0, 1, 1},       // 11.4 us in all
        {3, 25, 1000.0, 2, 3},       // 25 us: two shares, so two of the three threads; 12 chunks
        {4, 114, 700.0, 4, 3},       // 79.8 us: 7 shares, 39 chunks
        {2, 114, 1000.0, 2, 2},      // 57 chunks
        {2, 114, 450.0, 2, 8},       // 25 chunks of 5 cheap records, widened to a cache line of 8
        {2, 400, 300.0, 2, 8},       // 60 chunks of 7, widened to 8
        {2, 35, 1e6, 2, 1},          // each piece worth a share: every piece a chunk
        {2, 10, inf, 2, 1},
        {8, 1000, 5000.0, 8, 1},     // 500 shares: all 8 threads
    };
    for (const auto& c : cases) {
        const WorkSplit s = SplitWork(c.threads, c.count, c.each);
        EXPECT_EQ(s.threads, c.splitThreads) << c.threads << " " << c.count << " " << c.each;
        EXPECT_EQ(s.grain, c.grain) << c.threads << " " << c.count << " " << c.each;
    }
}

TEST(SplitWork, SmallWorkStaysOnTheCallingThreadAndLargeWorkVisitsEveryPieceOnce) {
    const std::thread::id caller = std::this_thread::get_id();
    std::vector<int> order;
    ParallelForWork(8, 50, 100.0, [&](int i, int slot) {
        EXPECT_EQ(slot, 0);
        EXPECT_EQ(std::this_thread::get_id(), caller);
        order.push_back(i);
    });
    ASSERT_EQ(order.size(), 50u);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(order[static_cast<std::size_t>(i)], i);

    std::vector<std::atomic<int>> visits(300);
    std::atomic<bool> outside{false};
    ParallelForWork(3, 300, 1e6, [&](int i, int slot) {
        if (slot < 0 || slot >= 3) outside = true;
        ++visits[static_cast<std::size_t>(i)];
    });
    EXPECT_FALSE(outside);
    for (int i = 0; i < 300; ++i) EXPECT_EQ(visits[static_cast<std::size_t>(i)].load(), 1) << i;
}

TEST(Threads, ASlurmTaskUsesNoMoreThanTheCpusItWasGiven) {
    // Inside a job of the test's own, if any, the variables are put back.
    const char* names[] = {"SLURM_JOB_ID", "SLURM_CPUS_PER_TASK"};
    std::string saved[2];
    bool had[2];
    for (int i = 0; i < 2; ++i) {
        const char* v = std::getenv(names[i]);
        had[i] = v != nullptr;
        if (v) saved[i] = v;
        unsetenv(names[i]);
    }
    const int cores = AvailableCores();
    const struct {
        const char* job;
        const char* cpus;
        int expected;
    } cases[] = {
        {nullptr, "1", cores},       // no job: the variable alone means nothing
        {"17", "1", 1},
        {"17", "100000", cores},     // more than the machine has: the cores
        {"17", "0", cores},          // not a count
        {"17", "2x", cores},
        {"17", nullptr, cores},
    };
    for (const auto& c : cases) {
        for (int i = 0; i < 2; ++i) unsetenv(names[i]);
        if (c.job) setenv("SLURM_JOB_ID", c.job, 1);
        if (c.cpus) setenv("SLURM_CPUS_PER_TASK", c.cpus, 1);
        EXPECT_EQ(AvailableCores(), c.expected) << (c.job ? c.job : "-") << " " << (c.cpus ? c.cpus : "-");
        EXPECT_EQ(ResolveThreads(0), c.expected);
    }
    for (int i = 0; i < 2; ++i) {
        unsetenv(names[i]);
        if (had[i]) setenv(names[i], saved[i].c_str(), 1);
    }
}
