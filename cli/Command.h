#pragma once
// Commands of corvane-cli, one file each (cli/cmd_<name>.cpp).  Adding one:
//
//   namespace {
//   class Evaluate : public Command {
//       ModelOptions model;   // data files, set-up, --alg (cli/ModelOptions.h)
//       bool valueOnly = false;
//
//       void Declare(Options& o) override {         // before parsing
//           o.Usage("corvane-cli evaluate --increments FILE --alg FILE [options]");
//           o.Flag("--value", valueOnly, "print only the objective, as %.17g");
//           model.Declare(o);
//       }
//       void Check(Options& o) override {            // after parsing, optional
//           if (valueOnly && ...) o.Refuse("option --value ...");
//       }
//       int Run(std::ostream& out, std::ostream& err) override {
//           auto session = OpenModelSession(model, err);  // throws BadInput
//           ...
//           return kExitOk;
//       }
//   };
//   const Register<Evaluate> evaluate{"evaluate", "one line for the command list"};
//   }  // namespace
//
// A command that reads or writes files names them in Files (below); main()
// refuses, before anything is computed, an output that is one of the inputs,
// two outputs that are one file, and an output that cannot be written there.
//
// main() parses the options (cli/Args.h), writes every problem as
// "corvane-cli <command>: ..." on standard error with exit status 2, answers
// --help (and "corvane-cli help <command>"), and only then calls Run.  Bad
// input found while running (a file that cannot be read) is thrown as
// BadInput and ends the same way.  Results go to out, messages to err.
#include <iosfwd>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/Args.h"

namespace corvane::cli {

// Exit statuses: 0 success, 1 a computation failed or was stopped,
// 2 bad input (options, files); nothing is written to standard output then.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitBadInput = 2;

// Bad input found after parsing: main() writes "corvane-cli <command>: "
// followed by the text and exits with 2.  An empty text adds no line (the
// reason was written already, as a message of the computation).
class BadInput : public std::runtime_error {
public:
    explicit BadInput(const std::string& what) : std::runtime_error(what) {}
};

// The files a command reads and writes, by the options that name them.
class FileRoles {
public:
    // A file the command reads; what names it in a refusal ("the --alg
    // file", "the covariance file m.cov of --model m.alg").
    void Input(std::string what, std::string path);
    void Input(const std::string& option, const std::optional<std::string>& path) {
        if (path) Input("the " + option + " file", *path);
    }
    // A file the command writes.
    void Output(const std::string& option, const std::optional<std::string>& path);

    // Every refusal, in the order of the outputs.
    std::vector<std::string> Problems() const;

private:
    struct Role {
        std::string name;  // the input's description or the output's option
        std::string path;
    };
    std::vector<Role> inputs_, outputs_;
};

class Command {
public:
    virtual ~Command() = default;
    // Declares the options, bound to the command's members.
    virtual void Declare(Options& options) = 0;
    // Checks between options, after every value is converted.
    virtual void Check(Options&) {}
    // Names the files the command reads and writes (called after Check).
    virtual void Files(FileRoles&) const {}
    // Runs with valid options; returns the exit status.
    virtual int Run(std::ostream& out, std::ostream& err) = 0;
};

struct CommandInfo {
    std::string name;
    std::string summary;  // one line for the command list and the top of --help
    std::unique_ptr<Command> (*make)();
};

std::vector<CommandInfo>& Commands();

template <class C>
struct Register {
    Register(std::string name, std::string summary) {
        Commands().push_back({std::move(name), std::move(summary), [] { return std::unique_ptr<Command>(new C); }});
    }
};

// "corvane-cli <command>: " for the command running, to begin a message on
// standard error.
const std::string& MessagePrefix();

// Parses the arguments for the command and runs it (what main() does for
// "corvane-cli <command> ..."); the exit status.
int RunCommand(const CommandInfo& command, std::vector<std::string> arguments, std::ostream& out, std::ostream& err);

}  // namespace corvane::cli
