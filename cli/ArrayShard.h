#pragma once
// --shard auto: which slice of a sharded posterior this task computes, read
// from the SLURM array job it runs in, so that one job script serves every
// task of the array.
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace corvane::cli {

struct ArrayShard {
    std::optional<std::pair<int, int>> shard;  // K and N, 1 <= K <= N
    std::string problem;                       // why there is none
};

// K and N from the array's variables: the task's place among the
// SLURM_ARRAY_TASK_COUNT tasks, counted from SLURM_ARRAY_TASK_MIN in steps of
// SLURM_ARRAY_TASK_STEP (1 when unset).  Ids that are not one evenly spaced
// range (SLURM_ARRAY_TASK_MAX tells) would leave slices out, so they are
// refused; so is a process that is not an array task.  `variable` gives an
// environment variable's value, nullopt when it is unset.
ArrayShard ShardFromSlurmArray(const std::function<std::optional<std::string>(const char* name)>& variable);

// The same from this process's environment.
ArrayShard ShardFromSlurmArray();

}  // namespace corvane::cli
