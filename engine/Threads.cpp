#include "engine/Threads.h"

#include <cstdlib>
#include <exception>

#include <tbb/info.h>

#include "engine/modCorvane.h"

namespace corvane {

int AvailableCores() {
    int n = tbb::info::default_concurrency();
    if (n < 1) n = 1;
    // A SLURM task may use the CPUs it was given, even where the cluster
    // does not bind it to them: more threads would crowd its neighbours.
    if (const char* given = std::getenv("SLURM_CPUS_PER_TASK"); given && std::getenv("SLURM_JOB_ID")) {
        char* end = nullptr;
        const long cpus = std::strtol(given, &end, 10);
        if (end != given && *end == '\0' && cpus >= 1 && cpus < n) n = static_cast<int>(cpus);
    }
    return n;
}

int ResolveThreads(int requested) { return requested > 0 ? requested : AvailableCores(); }

int ThreadsFromArguments(const std::vector<std::string>& arguments, std::string& problem) {
    const std::string option = "--threads";
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string value;
        if (arguments[i] == option) {
            value = i + 1 < arguments.size() ? arguments[i + 1] : "";
        } else if (arguments[i].rfind(option + "=", 0) == 0) {
            value = arguments[i].substr(option.size() + 1);
        } else {
            continue;
        }
        std::size_t used = 0;
        long long n = 0;
        try {
            n = std::stoll(value, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == 0 || used != value.size() || n < 1 || n > 4096) {
            problem = "option --threads needs a whole number from 1 to 4096, not \"" + value + "\"; every core is used";
            return 0;
        }
        return static_cast<int>(n);
    }
    return 0;
}

void UseThreads(Workbench& wb, int threads) {
    wb.threads = threads;
    if (wb.model) wb.model->SetThreads(ResolveThreads(threads));
}

}  // namespace corvane
