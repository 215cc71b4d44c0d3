#include "cli/ArrayShard.h"

#include <cstdint>
#include <cstdlib>

#include "numeric/FixedColumns.h"

namespace corvane::cli {

namespace {

// The largest shard count the K/N form takes too.
constexpr std::int64_t kMostShards = 1000000;

}  // namespace

ArrayShard ShardFromSlurmArray(const std::function<std::optional<std::string>(const char* name)>& variable) {
    ArrayShard out;
    const auto refuse = [&out](const std::string& why) {
        out.problem = "option --shard auto needs a SLURM array job (sbatch --array): " + why;
        return out;
    };
    // A task id is 0 or more; SLURM holds them below 4 million.
    const auto whole = [&](const char* name, std::int64_t lowest,
                           std::int64_t highest) -> std::optional<std::optional<std::int64_t>> {
        const auto text = variable(name);
        if (!text) return std::optional<std::int64_t>();
        const auto v = StrictInteger(*text, lowest, highest);
        if (!v || text->find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
        return std::optional<std::int64_t>(*v);
    };
    const char* names[] = {"SLURM_ARRAY_TASK_ID", "SLURM_ARRAY_TASK_MIN", "SLURM_ARRAY_TASK_COUNT"};
    std::int64_t values[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        const auto v = whole(names[i], i == 2 ? 1 : 0, i == 2 ? kMostShards : 2147483647);
        if (!v) return refuse(std::string(names[i]) + " is \"" + *variable(names[i]) + "\", not a task count or id");
        if (!*v) return refuse(std::string(names[i]) + " is not set");
        values[i] = **v;
    }
    const std::int64_t id = values[0], first = values[1], count = values[2];
    const auto stepRead = whole("SLURM_ARRAY_TASK_STEP", 1, 2147483647);
    if (!stepRead) return refuse("SLURM_ARRAY_TASK_STEP is \"" + *variable("SLURM_ARRAY_TASK_STEP") + "\", not a step");
    const std::int64_t step = stepRead->value_or(1);
    const auto lastRead = whole("SLURM_ARRAY_TASK_MAX", 0, 2147483647);
    if (!lastRead) return refuse("SLURM_ARRAY_TASK_MAX is \"" + *variable("SLURM_ARRAY_TASK_MAX") + "\", not a task id");
    const std::string ids = "the task ids are not one evenly spaced range of SLURM_ARRAY_TASK_COUNT " +
                            std::to_string(count) + " (as --array=1-" + std::to_string(count) + " gives)";
    if (*lastRead) {
        const std::int64_t last = **lastRead;
        if (last < first || (last - first) % step != 0 || (last - first) / step + 1 != count) return refuse(ids);
    }
    if (id < first || (id - first) % step != 0 || (id - first) / step + 1 > count)
        return refuse("task id " + std::to_string(id) + " is outside the array; " + ids);
    out.shard = std::make_pair(static_cast<int>((id - first) / step + 1), static_cast<int>(count));
    return out;
}

ArrayShard ShardFromSlurmArray() {
    return ShardFromSlurmArray([](const char* name) -> std::optional<std::string> {
        const char* v = std::getenv(name);
        if (!v) return std::nullopt;
        return std::string(v);
    });
}

}  // namespace corvane::cli
