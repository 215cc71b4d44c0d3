#include "engine/Parallel.h"

#include <tbb/blocked_range.h>
#include <tbb/global_control.h>
#include <tbb/parallel_for.h>
#include <tbb/partitioner.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <atomic>
#include <cassert>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#endif

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

// A hint to the core that this thread is spinning.
inline void Pause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

// Helpers that stay awake a little after each piece of work.  One
// evaluation shares out its records several times, and a minimiser
// evaluates again within microseconds: a helper that went to sleep after
// each share would need waking (tens of microseconds, as long as a whole
// evaluation of small data), so each helper spins for a short while before
// it blocks.  The calling thread takes chunks from the same counter as the
// helpers, so it never waits for a helper that has not started, only for
// one that holds a chunk.
class HelperPool {
public:
    static HelperPool& Instance() {
        // Never destroyed: its helpers live as long as the process.
        static HelperPool* pool = new HelperPool;
        return *pool;
    }

    // Runs the chunks on up to `threads` threads if no other thread is
    // using the pool; false (nothing run) if one is.
    bool Run(int threads, int count, int grain, ChunkFunction f, void* context) {
        if (busy_.exchange(true, std::memory_order_acquire)) return false;
        Start(threads - 1);
        // Closed (even generation), so no helper reads these now.
        f_ = f;
        context_ = context;
        count_ = count;
        grain_ = grain;
        threads_ = threads;
        // The calling thread keeps the first chunk, so whatever it alone
        // does (progress, the interrupt) happens however fast the helpers are.
        const int first = ChunkEnd(0);
        next_.store(first, std::memory_order_relaxed);
        const std::uint64_t open = (Generation(state_.load(std::memory_order_relaxed)) + 1) << 32;
        state_.store(open, std::memory_order_release);
        state_.notify_all();
        {
            const DepthGuard guard;
            f_(context_, 0, first, 0);
            Work(0);
        }
        // Closed once no helper holds a chunk; a helper that comes later
        // finds the generation moved on and takes nothing.
        for (int spins = 0;; ++spins) {
            std::uint64_t s = state_.load(std::memory_order_acquire);
            if ((s & kActiveMask) == 0 &&
                state_.compare_exchange_weak(s, s + (std::uint64_t{1} << 32), std::memory_order_acq_rel))
                break;
            if (spins > 1000) std::this_thread::yield();
        }
        busy_.store(false, std::memory_order_release);
        return true;
    }

private:
    static constexpr std::uint64_t kActiveMask = 0xffffffffULL;
    // How long a helper looks for more work before it blocks.
    static constexpr std::chrono::microseconds kAwake{200};

    static std::uint64_t Generation(std::uint64_t s) { return s >> 32; }

    void Start(int helpers) {
        while (static_cast<int>(helpers_.size()) < helpers) {
            const int slot = static_cast<int>(helpers_.size()) + 1;
            helpers_.emplace_back([this, slot] { Loop(slot); });
            KeepOffCallersCore(helpers_.back());
            helpers_.back().detach();
        }
    }

    // A helper made on the caller's core tends to stay there while it is
    // busy (the scheduler does not move a thread whose cache is warm), and
    // two threads taking turns on one core are slower than one: so a helper
    // runs on any of the process's cores but the caller's, where there is
    // another.  The caller itself is never bound.
    static void KeepOffCallersCore([[maybe_unused]] std::thread& helper) {
#if defined(__linux__)
        cpu_set_t allowed;
        CPU_ZERO(&allowed);
        if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return;
        const int here = sched_getcpu();
        if (here < 0 || !CPU_ISSET(here, &allowed) || CPU_COUNT(&allowed) < 2) return;
        CPU_CLR(here, &allowed);
        pthread_setaffinity_np(helper.native_handle(), sizeof allowed, &allowed);
#endif
    }

    // Chunks shrink as the work runs out (a share of what is left, down to
    // the grain), so the thread that finishes first seldom waits long for
    // one still holding a large last chunk.
    int ChunkEnd(int begin) const {
        int size = std::max(grain_, (count_ - begin) / (2 * threads_));
        // Grains of whole cache lines stay so.
        if (grain_ % 8 == 0) size = (size + 7) / 8 * 8;
        return std::min(begin + size, count_);
    }

    void Work(int slot) {
        int begin = next_.load(std::memory_order_relaxed);
        for (;;) {
            if (begin >= count_) return;
            const int end = ChunkEnd(begin);
            if (next_.compare_exchange_weak(begin, end, std::memory_order_relaxed)) {
                f_(context_, begin, end, slot);
                begin = next_.load(std::memory_order_relaxed);
            }
        }
    }

    void Loop(int slot) {
        std::uint64_t done = 0;  // the last generation this helper looked at
        for (;;) {
            std::uint64_t s = state_.load(std::memory_order_acquire);
            const auto since = std::chrono::steady_clock::now();
            while (Generation(s) == done || Generation(s) % 2 == 0) {
                if (std::chrono::steady_clock::now() - since > kAwake) {
                    state_.wait(s, std::memory_order_acquire);
                } else {
                    for (int i = 0; i < 32; ++i) Pause();
                }
                s = state_.load(std::memory_order_acquire);
            }
            done = Generation(s);
            // Joins only the work it saw open (another helper joining at
            // the same moment changes the count, not the generation), and
            // works only if the work wants this many threads.
            bool joined = false;
            while (Generation(s) == done && !joined)
                joined = state_.compare_exchange_weak(s, s + 1, std::memory_order_acq_rel, std::memory_order_acquire);
            if (!joined) continue;
            if (slot < threads_) {
                const DepthGuard guard;
                Work(slot);
            }
            state_.fetch_sub(1, std::memory_order_release);
        }
    }

    std::atomic<bool> busy_{false};
    // Generation (odd: work open) in the high half, helpers inside in the low.
    std::atomic<std::uint64_t> state_{0};
    std::atomic<int> next_{0};
    ChunkFunction f_ = nullptr;
    void* context_ = nullptr;
    int count_ = 0, grain_ = 1, threads_ = 1;
    std::vector<std::thread> helpers_;
};

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
    // Another thread's work holds the helpers: oneTBB's arena instead.
    if (HelperPool::Instance().Run(threads, count, grain, f, context)) return;
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

namespace corvane {

WorkSplit SplitWork(int threads, int count, double nanosecondsEach) {
    WorkSplit split;
    if (threads <= 1 || count <= 1 || !(nanosecondsEach > 0.0)) return split;
    const double total = nanosecondsEach * count;
    // Counts of whole shares and chunks (a huge estimate gives every piece
    // its own chunk).
    auto whole = [count](double n) { return n >= count ? count : static_cast<int>(std::floor(n)); };
    const int shares = whole(total / kLeastShareNanoseconds);
    if (shares < 2) return split;
    split.threads = std::min(threads, shares);
    const int chunks = std::max(whole(total / kLeastChunkNanoseconds), split.threads);
    split.grain = (count + chunks - 1) / chunks;
    // Pieces that write neighbouring entries of shared tables: chunks of
    // whole cache lines (8 doubles), or two threads would keep taking the
    // same line from each other.
    if (split.grain >= 4) split.grain = (split.grain + 7) / 8 * 8;
    return split;
}

}  // namespace corvane
