#include "plots/render/PlotFiles.h"

#include <filesystem>
#include <system_error>

namespace corvane {

PlotFilesResult WritePlotFiles(const PlotRequest& request, const std::string& directory,
                               const PlotFileOptions& options) {
    PlotFilesResult result;
    std::error_code ec;
    std::filesystem::create_directories(directory, ec);
    if (ec) {
        result.error = "cannot create the plot directory " + directory + ": " + ec.message();
        return result;
    }
    (void)request;
    (void)options;
    // The painting of plot pictures is not part of this build yet: say so
    // rather than leave the directory silently empty.
    result.error = "plot pictures cannot be drawn by this build yet";
    return result;
}

FilePlotPort::FilePlotPort(std::string directory, PlotFileOptions options)
    : directory_(std::move(directory)), options_(std::move(options)) {}

PlotAnswer FilePlotPort::Show(const PlotRequest& request) {
    const std::vector<std::string> names = PlotFileNames(request);
    PlotFileOptions options = options_;
    for (int n = 1;; ++n) {
        options.suffix = options_.suffix + (n == 1 ? std::string() : "-" + std::to_string(n));
        bool clash = false;
        for (const auto& name : names) clash = clash || used_.count(name + options.suffix) > 0;
        if (!clash) break;
    }
    for (const auto& name : names) used_.insert(name + options.suffix);

    PlotFilesResult result = WritePlotFiles(request, directory_, options);
    written_.insert(written_.end(), result.written.begin(), result.written.end());
    if (!result.Ok()) {
        errors_.push_back(result.error);
        if (onError) onError(result.error);
    }
    return PlotAnswer::Next;
}

}  // namespace corvane
