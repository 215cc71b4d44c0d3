// Pieces shared among threads: every piece once, each thread its own slot,
// nested levels serial; the thread count from a setting or the command line.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "engine/Parallel.h"
#include "engine/Threads.h"

using namespace corvane;

TEST(ParallelFor, EveryPieceOnceEachThreadInItsOwnSlot) {
    for (int threads : {1, 2, 3, 8}) {
        for (int count : {0, 1, 5, 114, 1000}) {
            for (int grain : {1, 4, 64}) {
                std::vector<std::atomic<int>> visits(static_cast<std::size_t>(count));
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
                    busy[static_cast<std::size_t>(slot)].fetch_sub(1);
                });
                EXPECT_FALSE(outside) << threads << " " << count << " " << grain;
                EXPECT_FALSE(shared) << threads << " " << count << " " << grain;
                for (int i = 0; i < count; ++i)
                    ASSERT_EQ(visits[static_cast<std::size_t>(i)].load(), 1) << threads << " " << count << " " << i;
            }
        }
    }
}

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
