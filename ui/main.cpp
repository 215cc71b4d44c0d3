// corvane: the desktop workbench.
#include <QApplication>
#include <memory>

#include "engine/Model.h"
#include "platform/Clock.h"
#include "platform/qt/QtDialogs.h"
#include "ui/frmMain.h"

namespace {

// The one place where the desktop chooses its model and the model's set-up
// dialogue.  The growth model is not part of this build yet: without a model
// the menu offers no command but quitting.
struct ModelChoice {
    std::unique_ptr<corvane::Model> model;
    std::function<bool(corvane::Workbench&)> setUp;
};

ModelChoice ChooseModel() { return {}; }

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane"));

    corvane::QtDialogs dialogs;
    corvane::SystemClock clock;
    corvane::DefaultRandom random(static_cast<std::uint64_t>(clock.SecondsSinceMidnight() * 1000.0));
    ModelChoice choice = ChooseModel();

    corvane::DesktopCommands commands;
    commands.modelSetUp = choice.setUp;
    corvane::frmMain window(dialogs, clock, random, choice.model.get(), commands);
    dialogs.SetParent(&window);
    dialogs.beforeProcessEvents = [&window] { window.RefreshInterruptMenus(); };
    window.show();
    return QApplication::exec();
}
