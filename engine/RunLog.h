#pragma once
// The run log of minimisations: the only file kept open across commands.
#include <cstddef>
#include <optional>
#include <string>

#include "platform/SafeFile.h"

namespace corvane {

class Workbench;

class RunLog {
public:
    // A new file is created at once and grows line by line; an existing
    // file stays whole until the new log is closed and takes its place.
    // False when it cannot be created.
    bool Open(const std::string& path);
    void Close();
    // The log of a run stopped by a signal goes to NAME.partial: NAME, an
    // earlier log, is left as it was.
    void CloseStopped();
    bool IsOpen() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }

    // Text as given; WriteLine adds CR LF.  Flushed at once, so a log is
    // complete up to the last line even if the program is stopped.  After a
    // failed write (a full disk, say) nothing more is written, and an earlier
    // log that was to be replaced is kept.
    void Write(const std::string& text);
    void WriteLine(const std::string& text = "");

    // A write has failed since the log was opened; kept after Close so the
    // command that wrote can still report it.
    bool Failed() const { return !failure_.empty(); }
    // "The log file NAME could not be written (reason); ..." for the report.
    std::string FailureText() const;
    // True the first time it is asked after a failure, so it is reported once.
    bool TakeUnreportedFailure();

private:
    void Finish(bool stopped);
    void Fail(const std::string& reason, bool replacing);

    SafeFileWriter out_;
    std::string path_;
    std::string failedPath_;
    std::string failure_;  // the system's reason, empty while all is well
    bool keptEarlier_ = false;  // the failed log was to replace a file, which is kept
    bool reported_ = false;
};

// Shows the failure of the run log's writes, once, in a message box; called
// at the end of the commands that write the log.  True when there was one.
bool ReportRunLogFailure(Workbench& wb);

// The algorithm file keeps the run log's name in a field of 14 characters.
inline constexpr std::size_t kRunLogNameWidth = 14;

// The name the log-file dialogue offers: the stored name without the
// padding the algorithm file gives it, "minimize.cvl" when there is none.
std::string RunLogOfferedName(const std::string& stored);
// The file a chosen name makes: ".cvl" is added unless the name has it.
std::string RunLogPath(const std::string& chosen);
// The name the algorithm file keeps for a log path: its bare name, or
// nullopt when that does not fit the field (it is never cut).
std::optional<std::string> RunLogStoredName(const std::string& path);

// The editor's "&Open": asks for a name, adds ".cvl", refuses a name the
// algorithm file cannot keep, creates the file and sets the file output
// frequency to 10.  The algorithm data keep the bare name.  True when a log
// was opened.
bool OpenRunLog(Workbench& wb);

// The editor's "&Close": closes the log; the file output frequency becomes 0.
void CloseRunLog(Workbench& wb);

}  // namespace corvane
