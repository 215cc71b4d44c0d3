#pragma once
// Runs the built corvane-cli from the source directory, capturing its
// standard output and standard error in the test's scratch directory.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

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

// Starts corvane-cli with the arguments (standard output and error into
// out.txt and err.txt of the directory), sends it an interrupt signal once
// underWay() says so (asked every 10 ms for up to 30 s), and waits up to
// 10 s for the end.  status -1 when it did not end (it is killed then).
inline CliRun InterruptCli(const ScratchDir& dir, const std::vector<std::string>& arguments,
                           const std::function<bool()>& underWay) {
    const std::string out = dir.Path("out.txt"), err = dir.Path("err.txt");
    std::vector<char*> argv{const_cast<char*>(CORVANE_CLI)};
    for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    CliRun run;
    const pid_t pid = fork();
    if (pid < 0) return run;
    if (pid == 0) {
        signal(SIGINT, SIG_DFL);
        dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        execv(CORVANE_CLI, argv.data());
        _exit(127);
    }
    for (int i = 0; i < 3000 && !underWay(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    kill(pid, SIGINT);
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 1000 && !(ended = waitpid(pid, &status, WNOHANG) == pid); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    } else if (WIFEXITED(status)) {
        run.status = WEXITSTATUS(status);
    }
    run.out = ReadFile(out);
    run.err = ReadFile(err);
    return run;
}

// LF line ends as CR LF.
inline std::string WithCRLF(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

}  // namespace corvane::testing
