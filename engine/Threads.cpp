#include "engine/Threads.h"

#include <exception>

#include <tbb/info.h>

#include "engine/modCorvane.h"

namespace corvane {

int AvailableCores() {
    const int n = tbb::info::default_concurrency();
    return n > 0 ? n : 1;
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
