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

}  // namespace corvane
