#include "platform/qt/render/PlotFiles.h"

#include <QDir>
#include <QGuiApplication>
#include <filesystem>
#include <system_error>

#include "platform/SafeFile.h"
#include "plots/PlotPictures.h"
#include "platform/qt/render/PlotPainter.h"

namespace corvane {

namespace {

QtMessageHandler previousHandler = nullptr;

// An offscreen application outside a desktop session has no runtime folder,
// and Qt says so on every run; the pictures do not need one, so that one
// line is not passed on.  Every other message is.
void QuietRuntimeFolder(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
    if (previousHandler) previousHandler(type, context, message);
}

// Painting text needs a GUI application.  A program without one (the
// command line) gets an offscreen one the first time it renders, so it
// never needs a display.  It lives until the process ends: Qt does not
// take kindly to a GUI application destroyed among the static objects.
bool EnsureGuiApplication(std::string* error) {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return true;
    if (QCoreApplication::instance()) {
        *error = "plot pictures need a GUI application, and this program runs another kind";
        return false;
    }
    static int argc = 3;
    static char name[] = "corvane";
    static char option[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    previousHandler = qInstallMessageHandler(QuietRuntimeFolder);
    new QGuiApplication(argc, argv);  // kept for the rest of the process
    return true;
}

}  // namespace

PlotFilesResult WritePlotFiles(const PlotRequest& request, const std::string& directory,
                               const PlotFileOptions& options) {
    PlotFilesResult result;
    std::error_code ec;
    std::filesystem::create_directories(directory, ec);
    if (ec) {
        result.error = "cannot create the plot directory " + directory + ": " + ec.message();
        return result;
    }
    if (!EnsureGuiApplication(&result.error)) return result;
    const QSize size(std::max(options.width, 1200), std::max(options.height, 900));
    const QDir dir(QString::fromStdString(directory));
    for (const auto& picture : PlotPictures(request)) {
        for (const auto& [extension, format] : {std::pair{".png", PictureFormat::Png}, std::pair{".svg", PictureFormat::Svg}}) {
            const QString path = dir.filePath(QString::fromStdString(picture.name + options.suffix + extension));
            QString why;
            if (!WritePicture(picture.scene, path, format, size, &why)) {
                if (result.error.empty()) result.error = why.toStdString();
                continue;
            }
            result.written.push_back(path.toStdString());
        }
        // The numbers behind the picture, for redrawing it elsewhere.
        if (picture.table) {
            const std::string path =
                dir.filePath(QString::fromStdString(picture.name + options.suffix + ".csv")).toStdString();
            const WriteResult written = WriteFileSafely(path, picture.table->Text());
            if (!written) {
                if (result.error.empty()) result.error = "cannot write " + path + ": " + written.reason;
            } else {
                result.written.push_back(path);
            }
        }
    }
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
