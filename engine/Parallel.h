#pragma once
// Independent pieces of one computation (the records and age-classes of an
// evaluation, the points of a grid) shared among threads.  The calling thread
// works too and never waits for a helper that has not started: on a busy
// machine a sleeping helper costs nothing (oneTBB's work stealing; a helper
// holds at most one chunk the others cannot take back).  A ParallelFor inside
// another runs on its caller alone, so the outer level keeps the cores.
//
// Each piece must write only its own results; the caller combines them in a
// fixed order afterwards, so nothing depends on the number of threads.
//
// A hand-over has a price (a helper woken, a join), so work is split only
// where each share pays it back: ParallelForWork takes the pieces' estimated
// cost and keeps small work on the calling thread.
#include <utility>

namespace corvane {

namespace detail {
using ChunkFunction = void (*)(void* context, int begin, int end, int slot);
void RunParallelFor(int threads, int count, int grain, ChunkFunction f, void* context);
}  // namespace detail

// body(i, slot) for i = 0..count-1, in chunks of `grain` pieces, on up to
// `threads` threads; slot (0 to threads - 1) tells the thread apart for
// scratch of its own.  With threads <= 1 (or inside another ParallelFor)
// the pieces run in order on the calling thread, slot 0.
template <class Body>
void ParallelFor(int threads, int count, int grain, Body&& body) {
    auto chunk = [](void* context, int begin, int end, int slot) {
        Body& b = *static_cast<std::remove_reference_t<Body>*>(context);
        for (int i = begin; i < end; ++i) b(i, slot);
    };
    detail::RunParallelFor(threads, count, grain, chunk, const_cast<void*>(static_cast<const void*>(&body)));
}

// The least work, in nanoseconds on one core, worth giving another thread:
// a hand-over and its join cost a microsecond or two, a helper that has to
// be woken more; a share of this size keeps that to a tenth or so.
inline constexpr double kLeastShareNanoseconds = 10000.0;
// The least work of one chunk: chunks much smaller than the shares let a
// thread that finishes early take over the rest of uneven pieces, while
// each still outweighs its own hand-out (a fraction of a microsecond).
inline constexpr double kLeastChunkNanoseconds = 2000.0;

// How `count` pieces of about `nanosecondsEach` are shared: on `threads`
// threads (1: the calling thread alone) in chunks of `grain` pieces.
struct WorkSplit {
    int threads = 1;
    int grain = 1;
};

// No more threads than there are least shares in the whole (so work of less
// than two stays on the calling thread), in chunks of at least the least
// chunk.
WorkSplit SplitWork(int threads, int count, double nanosecondsEach);

// ParallelFor with the split SplitWork chooses.
template <class Body>
void ParallelForWork(int threads, int count, double nanosecondsEach, Body&& body) {
    const WorkSplit split = SplitWork(threads, count, nanosecondsEach);
    ParallelFor(split.threads, count, split.grain, std::forward<Body>(body));
}

}  // namespace corvane
