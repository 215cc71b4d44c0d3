// corvane: the desktop workbench.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "engine/Model.h"
#include "engine/Threads.h"
#include "model/GrowthModel.h"
#include "model/SummaryDialogue.h"
#include "model/frmInitialize.h"
#include "platform/Clock.h"
#include "platform/SafeFile.h"
#include "platform/Version.h"
#include "platform/qt/QtDialogs.h"
#include "ui/frmMain.h"

namespace {

// The one place where the desktop chooses its model and the model's set-up
// dialogue: the growth model, whose messages go through the desktop's
// dialogues.
struct ModelChoice {
    std::unique_ptr<corvane::Model> model;
    std::function<bool(corvane::Workbench&, QWidget*)> setUp;
    // The same with data files already chosen (a recent or dropped file).
    std::function<bool(corvane::Workbench&, QWidget*, const std::string&, const std::string&)> setUpWithFiles;
    // The data files the model was initialised with.
    std::function<std::vector<corvane::KnownFile>(corvane::Workbench&)> dataFiles;
    // The model's own commands on the session's workbench (its report).
    std::function<std::shared_ptr<void>(corvane::Workbench&)> attach;
};

ModelChoice ChooseModel(corvane::Dialogs& dialogs) {
    auto model = std::make_unique<corvane::GrowthModel>(&dialogs);
    corvane::GrowthModel* growth = model.get();
    ModelChoice choice;
    choice.setUp = [growth](corvane::Workbench& wb, QWidget* frame) { return corvane::ShowModelSetUp(wb, *growth, frame); };
    choice.setUpWithFiles = [growth](corvane::Workbench& wb, QWidget* frame, const std::string& frequencies,
                                     const std::string& increments) {
        return corvane::ShowModelSetUp(wb, *growth, frame, frequencies, increments);
    };
    choice.dataFiles = [growth](corvane::Workbench&) {
        std::vector<corvane::KnownFile> files;
        const corvane::GrowthSettings& s = growth->Settings();
        if (!s.frequencyPath.empty()) files.push_back({corvane::FileKind::Frequencies, s.frequencyPath});
        if (!s.incrementPath.empty()) files.push_back({corvane::FileKind::Increments, s.incrementPath});
        return files;
    };
    choice.attach = [growth](corvane::Workbench& wb) -> std::shared_ptr<void> {
        return std::make_shared<corvane::GrowthSummary>(wb, *growth);
    };
    choice.model = std::move(model);
    return choice;
}

void PrintHelp(std::ostream& out) {
    out << "corvane: the desktop workbench for estimating the parameters of nonlinear models\n"
           "and judging the uncertainty of the estimates\n\n"
           "Usage: corvane [--threads N] [Qt options] [FILE]\n"
           "       corvane --version\n"
           "       corvane --help\n\n"
           "Options:\n"
           "  --threads N   evaluate the model on N threads (1 to 4096; default every core)\n"
           "  --version     print the version (and commit) of this build and exit\n"
           "  --help        print this help and exit\n"
           "  FILE          a data, algorithm or priors file: the workbench starts in its\n"
           "                folder, where its file dialogues look first\n\n"
           "The workbench opens its main window and command menu: initialise the model, load\n"
           "algorithm data, then minimise, evaluate and rank from the menu.  Without a display,\n"
           "corvane-cli runs the same computations from the command line (corvane-cli --help).\n";
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before the toolkit starts, so that they work without a display.
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--version" || a == "-V") {
            std::cout << corvane::VersionText() << "\n";
            return 0;
        }
        if (a == "--help" || a == "-h") {
            PrintHelp(std::cout);
            return 0;
        }
    }
    corvane::IgnoreFileSizeSignal();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    QApplication::setApplicationVersion(QString::fromStdString(corvane::VersionText()));
    QApplication::setDesktopFileName(QStringLiteral("corvane"));

    corvane::QtDialogs dialogs;
    corvane::SystemClock clock;
    corvane::DefaultRandom random(static_cast<std::uint64_t>(clock.SecondsSinceMidnight() * 1000.0));
    ModelChoice choice = ChooseModel(dialogs);

    corvane::DesktopCommands commands;
    commands.modelSetUp = choice.setUp;
    commands.modelSetUpWithFiles = choice.setUpWithFiles;
    commands.dataFiles = choice.dataFiles;
    corvane::frmMain window(dialogs, clock, random, choice.model.get(), commands);
    dialogs.SetParent(&window);
    dialogs.beforeProcessEvents = [&window] { window.RefreshInterruptMenus(); };
    const std::shared_ptr<void> modelCommands = choice.attach(window.Bench());
    // Every core unless the command line says "--threads N".
    std::vector<std::string> arguments;
    for (const QString& a : QCoreApplication::arguments()) arguments.push_back(a.toStdString());
    std::string problem;
    corvane::UseThreads(window.Bench(), corvane::ThreadsFromArguments(arguments, problem));
    if (!problem.empty()) std::cerr << "corvane: " << problem << "\n";
    // A file opened from the file manager ("corvane FILE"): the workbench
    // starts in its folder, where the set-up's and the algorithm data's file
    // dialogues look first.
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--threads") {
            ++i;
            continue;
        }
        if (arguments[i].rfind("-", 0) == 0) continue;
        const QFileInfo file(QString::fromStdString(arguments[i]));
        if (!file.exists()) {
            std::cerr << "corvane: " << arguments[i] << " does not exist\n";
            continue;
        }
        QDir::setCurrent(file.isDir() ? file.absoluteFilePath() : file.absolutePath());
        break;
    }
    // The frame opens where and as large as it was left (the toolkit keeps
    // a restored window on a screen that is still there).
    QSettings settings;
    const QByteArray geometry = settings.value(QStringLiteral("frmMain/geometry")).toByteArray();
    if (!geometry.isEmpty()) window.restoreGeometry(geometry);
    window.show();
    const int status = QApplication::exec();
    settings.setValue(QStringLiteral("frmMain/geometry"), window.saveGeometry());
    return status;
}
