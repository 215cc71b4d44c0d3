// corvane: the desktop workbench.
#include <QApplication>
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
#include "platform/qt/QtDialogs.h"
#include "ui/frmMain.h"

namespace {

// The one place where the desktop chooses its model and the model's set-up
// dialogue: the growth model, whose messages go through the desktop's
// dialogues.
struct ModelChoice {
    std::unique_ptr<corvane::Model> model;
    std::function<bool(corvane::Workbench&, QWidget*)> setUp;
    // The model's own commands on the session's workbench (its report).
    std::function<std::shared_ptr<void>(corvane::Workbench&)> attach;
};

ModelChoice ChooseModel(corvane::Dialogs& dialogs) {
    auto model = std::make_unique<corvane::GrowthModel>(&dialogs);
    corvane::GrowthModel* growth = model.get();
    ModelChoice choice;
    choice.setUp = [growth](corvane::Workbench& wb, QWidget* frame) { return corvane::ShowModelSetUp(wb, *growth, frame); };
    choice.attach = [growth](corvane::Workbench& wb) -> std::shared_ptr<void> {
        return std::make_shared<corvane::GrowthSummary>(wb, *growth);
    };
    choice.model = std::move(model);
    return choice;
}

}  // namespace

int main(int argc, char** argv) {
    corvane::IgnoreFileSizeSignal();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane"));

    corvane::QtDialogs dialogs;
    corvane::SystemClock clock;
    corvane::DefaultRandom random(static_cast<std::uint64_t>(clock.SecondsSinceMidnight() * 1000.0));
    ModelChoice choice = ChooseModel(dialogs);

    corvane::DesktopCommands commands;
    commands.modelSetUp = choice.setUp;
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
    window.show();
    return QApplication::exec();
}
