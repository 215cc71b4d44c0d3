#pragma once
// Runs the built corvane-cli from the source directory, capturing its
// standard output and standard error in the test's scratch directory.
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "../model/GrowthTestSupport.h"

namespace corvane::testing {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline CliRun RunCli(const ScratchDir& dir, const std::string& arguments) {
    const std::string command = std::string("cd \"") + CORVANE_SOURCE_DIR + "\" && \"" + CORVANE_CLI + "\" " +
                                arguments + " >\"" + dir.Path("stdout.txt") + "\" 2>\"" + dir.Path("stderr.txt") + "\"";
    const int rc = std::system(command.c_str());
    CliRun run;
    run.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    run.out = ReadFile(dir.Path("stdout.txt"));
    run.err = ReadFile(dir.Path("stderr.txt"));
    return run;
}

}  // namespace corvane::testing
