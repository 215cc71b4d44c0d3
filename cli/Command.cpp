// The command registry and the one place where a command's options are
// parsed and its problems reported.
#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/Command.h"

namespace corvane::cli {

namespace {
std::string runningPrefix = "corvane-cli: ";
}  // namespace

const std::string& MessagePrefix() { return runningPrefix; }

std::vector<CommandInfo>& Commands() {
    static std::vector<CommandInfo> commands;
    return commands;
}

int RunCommand(const CommandInfo& info, std::vector<std::string> arguments, std::ostream& out, std::ostream& err) {
    const std::string prefix = "corvane-cli " + info.name + ": ";
    runningPrefix = prefix;
    CLI::App app(prefix + info.summary, "corvane-cli " + info.name);
    Options options(app);
    const std::unique_ptr<Command> command = info.make();
    command->Declare(options);
    try {
        options.Parse(std::move(arguments));
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return kExitOk;
    }
    if (options.Problems().empty()) command->Check(options);
    if (!options.Problems().empty()) {
        for (const auto& p : options.Problems()) err << prefix << p << "\n";
        return kExitBadInput;
    }
    try {
        return command->Run(out, err);
    } catch (const BadInput& e) {
        if (*e.what()) err << prefix << e.what() << "\n";
        return kExitBadInput;
    } catch (const std::exception& e) {
        err << prefix << e.what() << "\n";
        return kExitFailed;
    }
}

}  // namespace corvane::cli
