#include "engine/RunLog.h"

#include "engine/modCorvane.h"
#include "numeric/Format.h"

namespace corvane {

bool RunLog::Open(const std::string& path) {
    Close();
    failure_.clear();
    failedPath_.clear();
    keptEarlier_ = false;
    reported_ = false;
    if (!out_.Open(path)) return false;
    path_ = path;
    return true;
}

void RunLog::Finish(bool stopped) {
    if (path_.empty()) return;
    const bool replacing = out_.Replacing();
    if (out_.IsOpen())
        if (const WriteResult r = out_.Commit(stopped); !r) Fail(r.reason, replacing);
    path_.clear();
}

void RunLog::Close() { Finish(false); }

void RunLog::CloseStopped() { Finish(true); }

void RunLog::Fail(const std::string& reason, bool replacing) {
    failure_ = reason;
    failedPath_ = path_;
    keptEarlier_ = replacing;
    out_.Abandon();
}

void RunLog::Write(const std::string& text) {
    if (!out_.IsOpen() || Failed()) return;
    if (const WriteResult r = out_.Write(text); !r) Fail(r.reason, out_.Replacing());
}

std::string RunLog::FailureText() const {
    return "The log file " + failedPath_ + " could not be written (" + failure_ + "); " +
           (keptEarlier_ ? "the earlier " + failedPath_ + " was left as it was"
                         : "the run log is incomplete from that point on");
}

bool RunLog::TakeUnreportedFailure() {
    if (!Failed() || reported_) return false;
    reported_ = true;
    return true;
}

bool ReportRunLogFailure(Workbench& wb) {
    if (!wb.runLog.TakeUnreportedFailure()) return false;
    wb.ports.dialogs.MessageBox("Log file management", wb.runLog.FailureText(), Buttons::OK, Icon::Exclamation);
    return true;
}

void RunLog::WriteLine(const std::string& text) { Write(text + CRLF); }

std::string RunLogOfferedName(const std::string& stored) {
    const std::string name = Trim(stored);
    return name.empty() ? std::string("minimize.cvl") : name;
}

std::string RunLogPath(const std::string& chosen) {
    const std::string ext = ".cvl";
    const bool has = chosen.size() >= ext.size() && ToUpper(chosen.substr(chosen.size() - ext.size())) == ".CVL";
    return has ? chosen : chosen + ext;
}

std::optional<std::string> RunLogStoredName(const std::string& path) {
    std::string bare = AfterLastSeparator(path);
    if (bare.empty() || bare.size() > kRunLogNameWidth) return std::nullopt;
    return bare;
}

bool OpenRunLog(Workbench& wb) {
    FileRequest request;
    request.save = false;
    request.title = "Save minimization progress in...";
    request.filter = "All files (*.*)|*.*|Corvane log files (*.cvl)|*.cvl";
    request.selectedFilter = 2;
    request.mustExist = false;  // the log is made here
    request.initialName = RunLogOfferedName(wb.alg.outputFileName);
    const auto chosen = wb.ports.dialogs.FileDialog(request);
    if (!chosen || chosen->empty()) return false;

    const std::string name = RunLogPath(*chosen);
    const auto stored = RunLogStoredName(name);
    if (!stored) {
        wb.ports.dialogs.MessageBox(
            "Log file management",
            "The log file name " + AfterLastSeparator(name) + " is longer than the " +
                NumberText(static_cast<int>(kRunLogNameWidth)) + " characters the algorithm file keeps for it." +
                CRLF + "Please choose a shorter name (at most 10 characters before .cvl).",
            Buttons::OK, Icon::Exclamation);
        return false;
    }
    if (!wb.runLog.Open(name)) {
        wb.ports.dialogs.MessageBox("Log file management", "The log file " + name + " could not be created",
                                    Buttons::OK, Icon::Exclamation);
        return false;
    }
    wb.alg.outputFileName = *stored;
    wb.alg.fileFrequency = 10;
    wb.ports.dialogs.MessageBox("Log file management", "The log file " + name + " is now open for output", Buttons::OK,
                                Icon::Information);
    return true;
}

void CloseRunLog(Workbench& wb) {
    const std::string name = wb.runLog.IsOpen() ? wb.runLog.Path() : wb.alg.outputFileName;
    wb.runLog.Close();
    wb.ports.dialogs.MessageBox("Log file management", "The old log file " + name + " is now closed for input",
                                Buttons::OK, Icon::Information);
    wb.alg.fileFrequency = 0;
}

}  // namespace corvane
