// The desktop as a first-time user meets it: keyboard accelerators of the
// command menu, sizes on a small screen, arrangements that stay readable,
// message boxes, file dialogues and the editor's boxes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "DesktopSteps.h"
#include "QtPrint.h"
#include "model/GrowthModel.h"
#include "model/InitializeForm.h"
#include "model/frmInitialize.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtWindowHost.h"
#include "support/ScriptedDialogs.h"
#include "support/TestModels.h"
#include "ui/frmAlgo.h"
#include "ui/frmEditVS.h"
#include "ui/frmMain.h"
#include "ui/WindowArrangement.h"
#include "ui/frmMenu.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

// Alt+letter as the keyboard delivers it: to the widget with the focus.
void PressAlt(Qt::Key key) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr) << "nothing has the keyboard focus";
    const QString text = QKeySequence(key).toString().toLower();
    QKeyEvent press(QEvent::KeyPress, key, Qt::AltModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::AltModifier, text);
    QApplication::sendEvent(target, &release);
}

struct Desktop {
    Desktop() : model(3, Quadratic({0, 1, 0}), "Three squares") {
        DesktopCommands commands;
        commands.modelSetUp = [this](Workbench& wb, QWidget*) {
            ++setUps;
            return initialise && InitialiseModel(wb);
        };
        window = std::make_unique<frmMain>(t.dialogs, t.clock, t.random, &model, commands);
        window->show();
        window->activateWindow();
        WaitFor([this] { return QApplication::activeWindow() == window.get(); }, 1000);
    }
    QPushButton* Button(const std::string& name) const { return window->MenuWindow()->ButtonWidget(name); }
    bool FocusOn(const std::string& name) const {
        return WaitFor([&] { return QApplication::focusWidget() == Button(name); }, 1000);
    }

    TestPorts t;
    FunctionModel model;
    std::unique_ptr<frmMain> window;
    int setUps = 0;
    bool initialise = false;  // the set-up dialogue is cancelled
};

}  // namespace

TEST(FirstUse, AltIOpensTheSetUpRightAfterStartAndAfterACancelledDialogue) {
    Desktop d;
    ASSERT_EQ(QApplication::activeWindow(), d.window.get());
    // The menu has the keyboard from the start.
    EXPECT_TRUE(d.FocusOn(menu::Initialize));
    // No hidden menu of the bar competes for Alt+I.
    for (QAction* a : d.window->menuBar()->actions()) EXPECT_TRUE(a->isVisible()) << a->text().toStdString();

    PressAlt(Qt::Key_I);
    EXPECT_TRUE(WaitFor([&] { return d.setUps == 1; }, 1000));
    // Cancelled: the focus is back on the menu, so Alt+I works again.
    EXPECT_TRUE(d.FocusOn(menu::Initialize));
    PressAlt(Qt::Key_I);
    EXPECT_TRUE(WaitFor([&] { return d.setUps == 2; }, 1000));

    // Initialised, the focus moves on to loading, which Alt+L starts.
    d.initialise = true;
    PressAlt(Qt::Key_I);
    EXPECT_TRUE(WaitFor([&] { return d.setUps == 3; }, 1000));
    EXPECT_TRUE(d.FocusOn(menu::LoadAlg));
    d.t.dialogs.ExpectMessage("Load algorithm data", "Load an existing algorithm data file?", Answer::Cancel);
    PressAlt(Qt::Key_L);
    EXPECT_TRUE(WaitFor([&] { return d.t.dialogs.AllDone(); }, 1000));
    EXPECT_TRUE(d.FocusOn(menu::LoadAlg));

    // While an evaluation runs its "&Interrupt" menu is in the bar, and leaves it afterwards.
    d.window->Bench().engine.mlMode = true;
    d.window->RefreshInterruptMenus();
    EXPECT_TRUE(d.window->menuBar()->actions().contains(d.window->findChild<QMenu*>("mnuMLInt")->menuAction()));
    d.window->Bench().engine.mlMode = false;
    d.window->RefreshInterruptMenus();
    EXPECT_FALSE(d.window->menuBar()->actions().contains(d.window->findChild<QMenu*>("mnuMLInt")->menuAction()));
}

TEST(FirstUse, OpenDialoguesTakeOnlyExistingFilesNamedInTheirFolder) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "corvane-first-use-open";
    fs::create_directories(dir / "sub");
    std::ofstream(dir / "sub" / "rig.dat") << "x\n";

    FileRequest request;
    request.title = "Load increment data file";
    request.filter = "All files (*.*)|*.*|Data files (*.dat)|*.dat";
    request.selectedFilter = 2;
    request.initialName = (dir / "start.dat").string();
    auto typedAndAccepted = [&](const QString& typed) {
        auto dialog = BuildFileDialog(nullptr, request);
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
        dialog->show();
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(typed);
        // A refusal shows a warning over the dialogue; it is dismissed.
        QTimer::singleShot(100, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->reject();
        });
        QMetaObject::invokeMethod(dialog.get(), "accept");
        const QString chosen = dialog->result() == QDialog::Accepted ? dialog->selectedFiles().value(0) : QString();
        dialog->hide();
        return chosen;
    };
    // A relative name is taken in the dialogue's folder, once.
    EXPECT_EQ(typedAndAccepted("sub/rig.dat"), QString::fromStdString((dir / "sub" / "rig.dat").string()));
    // A name that does not exist is not accepted.
    EXPECT_EQ(typedAndAccepted("sub/missing.dat"), "");
    EXPECT_EQ(typedAndAccepted(QString::fromStdString((dir.filename() / "sub" / "rig.dat").string())), "");
    fs::remove_all(dir);
}

TEST(FirstUse, TheEditorsBoxesHoldTheValueAndEditAllCanBeClosed) {
    Desktop d;
    d.initialise = true;
    d.Button(menu::Initialize)->click();
    d.t.dialogs.ExpectMessage("Load algorithm data", "", Answer::No).ExpectMessage("Default Algorithm Values", "");
    d.Button(menu::LoadAlg)->click();
    d.window->Bench().alg.value[2] = 1.0 / 3.0;
    d.Button(menu::EditAlg)->click();
    QTableWidget* grid = d.window->EditorWindow()->Grid();
    const QModelIndex index = grid->model()->index(1, 1);
    std::unique_ptr<QWidget> box(grid->itemDelegate()->createEditor(grid->viewport(), QStyleOptionViewItem(), index));
    grid->itemDelegate()->setEditorData(box.get(), index);
    auto* line = static_cast<QLineEdit*>(box.get());
    EXPECT_EQ(line->text(), "0.333333333333333");
    EXPECT_EQ(line->selectedText(), line->text());  // typing replaces it
    // Committed as it opened: nothing changes.
    grid->itemDelegate()->setModelData(box.get(), grid->model(), index);
    EXPECT_EQ(d.window->Bench().alg.value[2], 1.0 / 3.0);
    EXPECT_EQ(grid->item(1, 1)->foreground().color(), grid->palette().color(QPalette::Text));

    frmEditVS editAll(d.window->Editor(), d.window.get());
    auto* close = editAll.findChild<QPushButton*>("cmdClose");
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), "&Close");
    QTimer::singleShot(0, close, [close] { close->click(); });
    EXPECT_EQ(editAll.exec(), QDialog::Rejected);
    EXPECT_TRUE(d.t.dialogs.AllDone());
    d.t.dialogs.ExpectMessage("Just so you know", "");
    d.window->Editor().Finish();
}

TEST(FirstUse, MessageBoxesAreWideEnoughForTheirTitles) {
    for (const char* title : {"Algorithm file - information input failed", "Change the maximum # of function calls",
                              "Problem Reading Algorithm File!", "What about Bayesian priors?", "Exit Corvane"}) {
        auto box = BuildMessageBox(nullptr, title, "Yes?", Buttons::YesNo, Icon::Question, false);
        box->show();
        QFont bold = box->font();
        bold.setBold(true);
        // The title beside the frame's buttons (about a hundred pixels).
        EXPECT_GE(box->width(), QFontMetrics(bold).horizontalAdvance(title) + 100) << title;
        box->hide();
    }
}

TEST(FirstUse, CascadeAndTileLeaveEveryWindowReadable) {
    Desktop d;
    d.window->resize(900, 620);
    std::vector<std::unique_ptr<TextView>> views;
    for (int i = 1; i <= 5; ++i) {
        views.push_back(std::make_unique<TextView>("frmResult" + std::to_string(i), "Result " + std::to_string(i)));
        views.back()->SetArea(1, "A line of a report\r\n");
        d.window->Host().Show(*views.back());
    }
    for (const Arrangement a : {Arrangement::Cascade, Arrangement::TileHorizontal, Arrangement::TileVertical}) {
        d.window->Arrange(a);
        int shown = 0;
        for (QMdiSubWindow* sub : d.window->Area()->subWindowList()) {
            if (sub->isHidden()) continue;
            ++shown;
            EXPECT_GE(sub->width(), kReadableWindow.width) << sub->windowTitle().toStdString();
            EXPECT_GE(sub->height(), kReadableWindow.height) << sub->windowTitle().toStdString();
            EXPECT_GE(sub->width(), sub->minimumSizeHint().width());
            EXPECT_GE(sub->height(), sub->minimumSizeHint().height());
            EXPECT_GE(sub->x(), 0);
            EXPECT_GE(sub->y(), 0);
        }
        EXPECT_EQ(shown, 6);  // the menu and five results
    }
    d.window->Host().CloseAll();
}

TEST(FirstUse, TheFrameAndTheSetUpFitASmallScreen) {
    // The desktop is meant to work on a 1366 x 768 screen, frames and title
    // bars included.
    const QSize screen(1366, 768), frame(16, 40);
    Desktop d;
    const QRect available = d.window->screen()->availableGeometry();
    EXPECT_LE(d.window->width(), available.width());
    EXPECT_LE(d.window->height(), available.height());

    TestPorts t;
    GrowthModel model(&t.dialogs);
    InitializeForm form(d.window->Bench(), model);
    frmInitialize setUp(form, d.window.get());
    const QSize need = setUp.minimumSizeHint().expandedTo(setUp.size());
    EXPECT_LE(need.width() + frame.width(), screen.width()) << need.width();
    EXPECT_LE(need.height() + frame.height(), screen.height()) << need.height();
}
