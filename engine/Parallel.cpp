#include "engine/Parallel.h"

#include <tbb/blocked_range.h>
#include <tbb/global_control.h>
#include <tbb/parallel_for.h>
#include <tbb/partitioner.h>
#include <tbb/task_arena.h>

#include <cassert>
#include <map>
#include <memory>
#include <mutex>

namespace corvane::detail {

namespace {

// Depth of ParallelFor calls on this thread: an inner one runs serially.
thread_local int tDepth = 0;

struct DepthGuard {
    DepthGuard() { ++tDepth; }
    ~DepthGuard() { --tDepth; }
};

// One arena per thread count, made on first use and kept.  More threads
// than cores are allowed when asked for (oneTBB would otherwise refuse the
// extra helpers, and say so on standard error).
tbb::task_arena& Arena(int threads) {
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<tbb::task_arena>> arenas;
    static std::unique_ptr<tbb::global_control> allowance;
    static int allowed = 0;
    const std::lock_guard<std::mutex> lock(mutex);
    if (threads > allowed && threads > static_cast<int>(tbb::this_task_arena::max_concurrency())) {
        // Of several active limits the smallest holds: the old one goes first.
        allowance.reset();
        allowance = std::make_unique<tbb::global_control>(tbb::global_control::max_allowed_parallelism,
                                                          static_cast<std::size_t>(threads));
        allowed = threads;
    }
    auto& arena = arenas[threads];
    if (!arena) {
        arena = std::make_unique<tbb::task_arena>(threads);
        arena->initialize();
    }
    return *arena;
}

}  // namespace

void RunParallelFor(int threads, int count, int grain, ChunkFunction f, void* context) {
    if (count <= 0) return;
    if (grain < 1) grain = 1;
    if (threads <= 1 || count <= grain || tDepth > 0) {
        // In order on this thread; pieces that share out work of their own
        // still may (only a parallel level keeps theirs serial).
        f(context, 0, count, 0);
        return;
    }
    tbb::task_arena& arena = Arena(threads);
    arena.execute([&] {
        // Pieces of `grain`, so that a helper that stalls holds little.
        tbb::parallel_for(
            tbb::blocked_range<int>(0, count, static_cast<std::size_t>(grain)),
            [&](const tbb::blocked_range<int>& r) {
                const DepthGuard guard;
                // The arena has `threads` slots, so every thread in it has its own.
                const int slot = tbb::this_task_arena::current_thread_index();
                assert(slot >= 0 && slot < threads);
                f(context, r.begin(), r.end(), slot);
            },
            tbb::simple_partitioner());
    });
}

}  // namespace corvane::detail
