// --shard auto: the slice of a SLURM array task, and the refusals outside
// one; then the built program, whose part must be the K/N part.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "CliRun.h"
#include "cli/ArrayShard.h"

using namespace corvane;
using namespace corvane::cli;
using namespace corvane::testing;

namespace {

using Env = std::map<std::string, std::string>;

ArrayShard FromEnv(const Env& env) {
    return ShardFromSlurmArray([&env](const char* name) -> std::optional<std::string> {
        const auto it = env.find(name);
        if (it == env.end()) return std::nullopt;
        return it->second;
    });
}

bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

// Sets SLURM variables for the test's lifetime (the program started by
// RunCli inherits them) and removes them again.
class ArrayVariables {
public:
    explicit ArrayVariables(const Env& env) : env_(env) {
        for (const auto& [name, value] : env_) setenv(name.c_str(), value.c_str(), 1);
    }
    ~ArrayVariables() {
        for (const auto& [name, value] : env_) unsetenv(name.c_str());
    }

private:
    Env env_;
};

}  // namespace

TEST(ArrayShard, TaskPlaceCountedFromTheFirstIdInItsSteps) {
    const struct {
        Env env;
        int k, n;
    } cases[] = {
        // sbatch --array=1-4, task 3
        {{{"SLURM_ARRAY_TASK_ID", "3"}, {"SLURM_ARRAY_TASK_MIN", "1"}, {"SLURM_ARRAY_TASK_MAX", "4"},
          {"SLURM_ARRAY_TASK_COUNT", "4"}, {"SLURM_ARRAY_TASK_STEP", "1"}},
         3, 4},
        // --array=0-3: the first task is shard 1, the last shard 4
        {{{"SLURM_ARRAY_TASK_ID", "0"}, {"SLURM_ARRAY_TASK_MIN", "0"}, {"SLURM_ARRAY_TASK_MAX", "3"},
          {"SLURM_ARRAY_TASK_COUNT", "4"}},
         1, 4},
        {{{"SLURM_ARRAY_TASK_ID", "3"}, {"SLURM_ARRAY_TASK_MIN", "0"}, {"SLURM_ARRAY_TASK_COUNT", "4"}}, 4, 4},
        // --array=10-18:4 holds 10, 14, 18
        {{{"SLURM_ARRAY_TASK_ID", "14"}, {"SLURM_ARRAY_TASK_MIN", "10"}, {"SLURM_ARRAY_TASK_MAX", "18"},
          {"SLURM_ARRAY_TASK_COUNT", "3"}, {"SLURM_ARRAY_TASK_STEP", "4"}},
         2, 3},
        // a single task
        {{{"SLURM_ARRAY_TASK_ID", "7"}, {"SLURM_ARRAY_TASK_MIN", "7"}, {"SLURM_ARRAY_TASK_MAX", "7"},
          {"SLURM_ARRAY_TASK_COUNT", "1"}},
         1, 1},
    };
    for (const auto& c : cases) {
        const ArrayShard s = FromEnv(c.env);
        ASSERT_TRUE(s.shard) << s.problem;
        EXPECT_EQ(s.shard->first, c.k);
        EXPECT_EQ(s.shard->second, c.n);
        EXPECT_TRUE(s.problem.empty());
    }
}

TEST(ArrayShard, OutsideAnArrayOrWithGapsInItsIdsIsRefused) {
    const struct {
        Env env;
        std::string problem;
    } cases[] = {
        {{}, "SLURM_ARRAY_TASK_ID is not set"},
        // an ordinary batch job has a job id but no task id
        {{{"SLURM_JOB_ID", "12"}}, "SLURM_ARRAY_TASK_ID is not set"},
        {{{"SLURM_ARRAY_TASK_ID", "2"}, {"SLURM_ARRAY_TASK_COUNT", "4"}}, "SLURM_ARRAY_TASK_MIN is not set"},
        {{{"SLURM_ARRAY_TASK_ID", "2"}, {"SLURM_ARRAY_TASK_MIN", "1"}}, "SLURM_ARRAY_TASK_COUNT is not set"},
        {{{"SLURM_ARRAY_TASK_ID", "2x"}, {"SLURM_ARRAY_TASK_MIN", "1"}, {"SLURM_ARRAY_TASK_COUNT", "4"}},
         "SLURM_ARRAY_TASK_ID is \"2x\""},
        {{{"SLURM_ARRAY_TASK_ID", "-1"}, {"SLURM_ARRAY_TASK_MIN", "1"}, {"SLURM_ARRAY_TASK_COUNT", "4"}},
         "SLURM_ARRAY_TASK_ID is \"-1\""},
        {{{"SLURM_ARRAY_TASK_ID", "1"}, {"SLURM_ARRAY_TASK_MIN", "1"}, {"SLURM_ARRAY_TASK_COUNT", "0"}},
         "SLURM_ARRAY_TASK_COUNT is \"0\""},
        // --array=1,3,7: three tasks, but 1 to 7 in steps of 1 holds seven
        {{{"SLURM_ARRAY_TASK_ID", "3"}, {"SLURM_ARRAY_TASK_MIN", "1"}, {"SLURM_ARRAY_TASK_MAX", "7"},
          {"SLURM_ARRAY_TASK_COUNT", "3"}, {"SLURM_ARRAY_TASK_STEP", "1"}},
         "not one evenly spaced range"},
        // an id beyond the count, or off the step
        {{{"SLURM_ARRAY_TASK_ID", "5"}, {"SLURM_ARRAY_TASK_MIN", "1"}, {"SLURM_ARRAY_TASK_COUNT", "4"}},
         "task id 5 is outside the array"},
        {{{"SLURM_ARRAY_TASK_ID", "12"}, {"SLURM_ARRAY_TASK_MIN", "10"}, {"SLURM_ARRAY_TASK_COUNT", "3"},
          {"SLURM_ARRAY_TASK_STEP", "4"}},
         "task id 12 is outside the array"},
        {{{"SLURM_ARRAY_TASK_ID", "0"}, {"SLURM_ARRAY_TASK_MIN", "1"}, {"SLURM_ARRAY_TASK_COUNT", "4"}},
         "task id 0 is outside the array"},
    };
    for (const auto& c : cases) {
        const ArrayShard s = FromEnv(c.env);
        EXPECT_FALSE(s.shard) << c.problem;
        EXPECT_TRUE(Has(s.problem, "option --shard auto needs a SLURM array job (sbatch --array): ")) << s.problem;
        EXPECT_TRUE(Has(s.problem, c.problem)) << s.problem;
    }
}

TEST(ArrayShard, AutoWritesTheSamePartAsKOfNAndIsRefusedOutsideAnArray) {
    ScratchDir dir;
    // Run inside an array job itself, the test would not be outside one.
    for (const char* name : {"SLURM_ARRAY_TASK_ID", "SLURM_ARRAY_TASK_MIN", "SLURM_ARRAY_TASK_MAX",
                             "SLURM_ARRAY_TASK_COUNT", "SLURM_ARRAY_TASK_STEP"})
        unsetenv(name);
    const std::string posterior = "posterior --increments \"" + DataPath("rig_increments.dat") +
                                  "\" --alg examples/rig_start.alg --parameter 1 --integrate 3 --points 5 --grid 5";
    ASSERT_EQ(RunCli(dir, posterior + " --shard 2/3 --save \"" + dir.Path("given") + "\"").status, 0);
    {
        // --array=0-2, the second task
        const ArrayVariables task({{"SLURM_ARRAY_TASK_ID", "1"}, {"SLURM_ARRAY_TASK_MIN", "0"},
                                   {"SLURM_ARRAY_TASK_MAX", "2"}, {"SLURM_ARRAY_TASK_COUNT", "3"}});
        const CliRun run = RunCli(dir, posterior + " --shard auto --save \"" + dir.Path("auto") + "\"");
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(Has(run.err, "shard 2 of 3: blocks ")) << run.err;
    }
    EXPECT_EQ(ReadFile(dir.Path("auto")), ReadFile(dir.Path("given")));

    const CliRun outside = RunCli(dir, posterior + " --shard auto --save \"" + dir.Path("none") + "\"");
    EXPECT_EQ(outside.status, 2);
    EXPECT_TRUE(Has(outside.err, "option --shard auto needs a SLURM array job (sbatch --array): "
                                 "SLURM_ARRAY_TASK_ID is not set"))
        << outside.err;
    EXPECT_TRUE(outside.out.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.Path("none")));
}
