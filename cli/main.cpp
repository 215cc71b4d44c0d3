// corvane-cli: the workbench's computations without a display.
#include <algorithm>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "cli/Command.h"
#include "platform/SafeFile.h"
#include "platform/Version.h"

namespace corvane::cli {

namespace {

void PrintHelp(std::ostream& out) {
    out << "corvane-cli: estimate and evaluate the parameters of nonlinear models without a display\n\n"
           "Usage: corvane-cli <command> [options]\n"
           "       corvane-cli <command> --help     options of one command\n"
           "       corvane-cli help <command>       the same\n"
           "       corvane-cli --version            the version (and commit) of this build\n\n"
           "Commands:\n";
    auto commands = Commands();
    std::sort(commands.begin(), commands.end(),
              [](const CommandInfo& a, const CommandInfo& b) { return a.name < b.name; });
    for (const auto& c : commands) {
        std::string name = c.name;
        name.resize(std::max<std::size_t>(name.size() + 2, 12), ' ');
        out << "  " << name << c.summary << "\n";
    }
    out << "\nMessages of the computations are written to standard error as \"title: text\".\n"
           "Exit status: 0 success, 1 the computation failed or was stopped, 2 bad input.\n";
}

const CommandInfo* Find(const std::string& name) {
    for (const auto& c : Commands())
        if (c.name == name) return &c;
    return nullptr;
}

}  // namespace

}  // namespace corvane::cli

namespace {

int Main(std::vector<std::string> args) {
    using namespace corvane::cli;
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        PrintHelp(args.empty() ? std::cerr : std::cout);
        return args.empty() ? kExitBadInput : kExitOk;
    }
    if (args[0] == "--version" || args[0] == "-V") {
        std::cout << corvane::VersionText() << "\n";
        return kExitOk;
    }
    if (args[0] == "help") {
        if (args.size() > 2) {
            std::cerr << "corvane-cli: help takes one command name\n";
            return kExitBadInput;
        }
        if (args.size() == 2) {
            if (const CommandInfo* c = Find(args[1])) return RunCommand(*c, {"--help"}, std::cout, std::cerr);
            std::cerr << "corvane-cli: unknown command \"" << args[1] << "\"\n";
            return kExitBadInput;
        }
        PrintHelp(std::cout);
        return kExitOk;
    }
    const CommandInfo* command = Find(args[0]);
    if (!command) {
        std::cerr << "corvane-cli: unknown command \"" << args[0] << "\" (try --help)\n";
        return kExitBadInput;
    }
    args.erase(args.begin());
    return RunCommand(*command, std::move(args), std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace corvane::cli;
    corvane::IgnoreFileSizeSignal();
    std::vector<std::string> args(argv + 1, argv + argc);
    int status = kExitFailed;
    try {
        status = Main(args);
    } catch (const std::bad_alloc&) {
        std::cerr << "corvane-cli: not enough memory for this run (an allocation failed)\n";
    }
    // Results that never reached standard output (a full disk, say) are a
    // failure, not a success.
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "corvane-cli" << (args.empty() ? std::string() : " " + args[0])
                  << ": standard output could not be written\n";
        if (status == kExitOk) status = kExitFailed;
    }
    return status;
}
