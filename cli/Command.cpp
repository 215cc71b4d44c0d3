// The command registry and the one place where a command's options are
// parsed and its problems reported.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <new>
#include <ostream>

#include "cli/Command.h"
#include "platform/SafeFile.h"

namespace corvane::cli {

namespace {
std::string runningPrefix = "corvane-cli: ";
}  // namespace

const std::string& MessagePrefix() { return runningPrefix; }

namespace {

// Why a file cannot be written there (a directory, a missing directory).
std::optional<std::string> CannotWrite(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (path.empty()) return "an empty file name";
    if (fs::is_directory(path, ec)) return path + " is a directory";
    const fs::path parent = fs::path(path).parent_path();
    if (!parent.empty() && !fs::is_directory(parent, ec)) return "the directory of " + path + " does not exist";
    return std::nullopt;
}

// Two outputs that would end up as one file: the same existing file, or
// two spellings of one name not made yet.  A device or FIFO holds nothing
// to lose.
bool SameOutput(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    if (SameRegularFile(a, b)) return true;
    std::error_code ec;
    for (const auto* path : {&a, &b})
        if (fs::exists(*path, ec) && !fs::is_regular_file(*path, ec)) return false;
    return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);
}

}  // namespace

void FileRoles::Input(std::string what, std::string path) { inputs_.push_back({std::move(what), std::move(path)}); }

void FileRoles::Output(const std::string& option, const std::optional<std::string>& path) {
    if (path) outputs_.push_back({option, *path});
}

std::vector<std::string> FileRoles::Problems() const {
    std::vector<std::string> problems;
    for (std::size_t k = 0; k < outputs_.size(); ++k) {
        const Role& out = outputs_[k];
        if (const auto why = CannotWrite(out.path)) {
            problems.push_back("option " + out.name + ": cannot write there: " + *why);
            continue;
        }
        // Device and inode: a link or another spelling of an input is the input.
        for (const Role& in : inputs_)
            if (SameRegularFile(out.path, in.path))
                problems.push_back("option " + out.name + " names " + in.name + "; an output never replaces an input");
        for (std::size_t e = 0; e < k; ++e)
            if (SameOutput(outputs_[e].path, out.path))
                problems.push_back("options " + outputs_[e].name + " and " + out.name + " name the same file");
    }
    return problems;
}

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
    if (options.Problems().empty()) {
        FileRoles files;
        command->Files(files);
        for (auto& p : files.Problems()) options.Refuse(std::move(p));
    }
    if (!options.Problems().empty()) {
        for (const auto& p : options.Problems()) err << prefix << p << "\n";
        return kExitBadInput;
    }
    try {
        return command->Run(out, err);
    } catch (const BadInput& e) {
        if (*e.what()) err << prefix << e.what() << "\n";
        return kExitBadInput;
    } catch (const std::bad_alloc&) {
        err << prefix << "not enough memory for this run (an allocation failed); nothing more was done\n";
        return kExitFailed;
    } catch (const std::exception& e) {
        err << prefix << e.what() << "\n";
        return kExitFailed;
    }
}

}  // namespace corvane::cli
