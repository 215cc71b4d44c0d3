#pragma once
// Plot pictures as files, for the command line: the same painting as the
// desktop's plot windows, rendered offscreen.  This header needs no toolkit;
// the implementation lives in the corvane_plotrender library (Qt Gui and
// Svg), which starts an offscreen GUI application only when it renders, so
// a program that never renders still runs without a display.
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "plots/PlotNames.h"
#include "plots/PlotPort.h"

namespace corvane {

struct PlotFileOptions {
    int width = 1600;    // PNG size in pixels (at least 1200 x 900 is kept)
    int height = 1200;
    // Appended to every name of the request (e.g. "-2" for a second request
    // with the same names).
    std::string suffix;
};

struct PlotFilesResult {
    std::vector<std::string> written;  // paths of every file written (NAME.png, NAME.svg, ...)
    std::string error;                 // empty when every file was written
    bool Ok() const { return error.empty(); }
};

// Writes every picture of the request into the directory (created when
// missing) as NAME.png and NAME.svg, NAME from PlotFileNames (PlotNames.h),
// with the numbers it plots beside it as NAME.csv.
PlotFilesResult WritePlotFiles(const PlotRequest& request, const std::string& directory,
                               const PlotFileOptions& options = {});

// The command line's plot port: each request is written to files at once
// and answered Next.  A request whose names were already used in this run
// gets the suffix "-2", "-3", ... so no picture overwrites another.
// A command with --plots DIR puts one on the Workbench before it runs:
//     FilePlotPort files(dir);
//     files.onError = [&](const std::string& e) { err << "plots: " << e << "\n"; };
//     wb.plots = &files;
// and afterwards fails (exit 1) when files.Errors() is not empty.
class FilePlotPort : public PlotPort {
public:
    explicit FilePlotPort(std::string directory, PlotFileOptions options = {});

    PlotAnswer Show(const PlotRequest& request) override;

    const std::string& Directory() const { return directory_; }
    const std::vector<std::string>& Written() const { return written_; }
    // One message per request that could not be written completely.
    const std::vector<std::string>& Errors() const { return errors_; }
    // Told of each failure as it happens (the command line's standard error).
    std::function<void(const std::string&)> onError;

private:
    std::string directory_;
    PlotFileOptions options_;
    std::set<std::string> used_;
    std::vector<std::string> written_;
    std::vector<std::string> errors_;
};

}  // namespace corvane
