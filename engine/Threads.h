#pragma once
// How many threads a computation shares its independent pieces among: the
// records and series of one evaluation, the points of a grid.  Whatever the
// count, the pieces are combined in one fixed order, so results never depend
// on it.
#include <string>
#include <thread>
#include <vector>

namespace corvane {

class Workbench;

// The cores this process may use (at least 1): those its affinity allows,
// and in a SLURM job no more than its SLURM_CPUS_PER_TASK.
int AvailableCores();

// A requested count made usable: 0 (or less) means every core.  Small work
// stays on one thread whatever the count (ParallelForWork), so every core
// is the default.
int ResolveThreads(int requested);

// Sets the workbench's count (0: every core) and tells the model.
void UseThreads(Workbench& wb, int threads);

// The desktop's setting from its command line: "--threads N" or
// "--threads=N" (1 to 4096) among the arguments; 0 (every core) without one.
// A value that is not such a count leaves 0 and sets `problem`.
int ThreadsFromArguments(const std::vector<std::string>& arguments, std::string& problem);

// The thread a computation was called on: only it may talk to the dialogue
// ports (process events, show messages) while other threads help.
class CallingThread {
public:
    CallingThread() : id_(std::this_thread::get_id()) {}
    bool Here() const { return std::this_thread::get_id() == id_; }

private:
    std::thread::id id_;
};

}  // namespace corvane
