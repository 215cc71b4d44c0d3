#pragma once
// Commands of corvane-cli register themselves here, one file each.
#include <iosfwd>
#include <string>
#include <vector>

namespace corvane::cli {

// Exit statuses: 0 success, 1 a computation failed or was stopped,
// 2 bad input (options, files); nothing is written to standard output then.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitBadInput = 2;

struct Command {
    std::string name;
    std::string summary;  // one line for --help
    std::string usage;    // the options, shown by "corvane-cli help <command>"
    int (*run)(std::vector<std::string> args, std::ostream& out, std::ostream& err);
};

std::vector<Command>& Commands();

struct Register {
    explicit Register(Command command) { Commands().push_back(std::move(command)); }
};

}  // namespace corvane::cli
