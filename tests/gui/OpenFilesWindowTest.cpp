// The frame's conveniences: recent files kept between runs in its
// "Application" menu, files dropped on it, and child windows that open where
// they were left.  The settings are the test program's scratch folder.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <memory>

#include "../plots/PlotExamples.h"
#include "QtPrint.h"
#include "platform/qt/QtPlotPort.h"
#include "platform/qt/QtWindowHost.h"
#include "engine/modCorvane.h"
#include "platform/qt/QtStatusBar.h"
#include "support/ScriptedDialogs.h"
#include "support/TestModels.h"
#include "ui/frmMain.h"
#include "ui/frmMenu.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

std::string Scratch(const std::string& name) {
    const std::string dir = ::testing::TempDir() + "open-files-window/";
    std::filesystem::create_directories(dir);
    return dir + name;
}

std::string WriteAlgorithm(const std::string& name, double first) {
    AlgorithmData a;
    a.np = 3;
    SetDefaultAlgorithmData(a, 3);
    a.value[1] = first;
    const std::string path = Scratch(name);
    std::ofstream(path, std::ios::binary) << FormatAlgorithmFile(a, AlgorithmWriter::CommandMenu);
    return path;
}

// One run of the desktop over a three-parameter model; its set-up reads
// no files but reports the data files it was given as the model's.
struct DesktopRun {
    DesktopRun() : model(3, Quadratic({0, 0, 0}), "Three squares") {
        DesktopCommands commands;
        commands.modelSetUp = [](Workbench& wb, QWidget*) { return InitialiseModel(wb); };
        commands.modelSetUpWithFiles = [this](Workbench& wb, QWidget*, const std::string& f, const std::string& i) {
            frequencies = f;
            increments = i;
            return InitialiseModel(wb);
        };
        commands.dataFiles = [this](Workbench&) {
            std::vector<KnownFile> files;
            if (!frequencies.empty()) files.push_back({FileKind::Frequencies, frequencies});
            if (!increments.empty()) files.push_back({FileKind::Increments, increments});
            return files;
        };
        window = std::make_unique<frmMain>(t.dialogs, t.clock, t.random, &model, commands);
        window->resize(1200, 800);
        window->show();
        QApplication::processEvents();
    }
    QPushButton* Button(const char* name) { return window->MenuWindow()->ButtonWidget(name); }
    void DefaultData() {
        Button(menu::Initialize)->click();
        t.dialogs.ExpectMessage("Load algorithm data", "", Answer::No).ExpectMessage("Default Algorithm Values", "");
        Button(menu::LoadAlg)->click();
    }
    QStringList RecentTexts() {
        emit window->RecentMenu()->aboutToShow();
        QStringList texts;
        for (QAction* a : window->RecentMenu()->actions())
            if (!a->isSeparator()) texts << a->text();
        return texts;
    }

    TestPorts t;
    FunctionModel model;
    std::string frequencies, increments;
    std::unique_ptr<frmMain> window;
};

void Drop(QWidget* target, const std::vector<std::string>& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& p : paths) urls << QUrl::fromLocalFile(QString::fromStdString(p));
    data.setUrls(urls);
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    // The files open once the drop is over.
    QApplication::processEvents();
}

}  // namespace

TEST(OpenFilesWindow, RecentFilesAreKeptBetweenRunsAndOpenLikeTheDialogue) {
    QSettings().remove(QStringLiteral("recentFiles"));
    const std::string first = WriteAlgorithm("first.alg", 4.0);
    const std::string gone = WriteAlgorithm("gone.alg", 5.0);
    {
        DesktopRun run;
        EXPECT_EQ(run.RecentTexts(), QStringList{QStringLiteral("(none yet)")});
        run.Button(menu::Initialize)->click();
        for (const std::string& path : {gone, first}) {
            run.t.dialogs.ExpectMessage("Load algorithm data", "", Answer::Yes).ExpectFile("Open algorithm data file", path);
            run.Button(menu::LoadAlg)->click();
        }
        EXPECT_TRUE(run.t.dialogs.AllDone());
        EXPECT_EQ(run.RecentTexts(),
                  (QStringList{QStringLiteral("&1 first.alg (algorithm data) - ") +
                                   QString::fromStdString(Scratch("")).chopped(1),
                               QStringLiteral("&2 gone.alg (algorithm data) - ") +
                                   QString::fromStdString(Scratch("")).chopped(1),
                               QStringLiteral("&Clear the list")}));
        run.t.dialogs.ExpectMessage("Exit Corvane", "", Answer::Yes);
        run.window->close();
    }
    std::filesystem::remove(gone);

    // The next run lists them; picking one reads it without the load
    // question or the file dialogue, a gone one leaves the list.
    DesktopRun run;
    ASSERT_EQ(run.window->Recent().Entries().size(), 2u);
    run.Button(menu::Initialize)->click();
    QAction* goneEntry = run.window->findChild<QAction*>(QStringLiteral("mnuRecent2"));
    if (!goneEntry) run.RecentTexts();
    goneEntry = run.window->findChild<QAction*>(QStringLiteral("mnuRecent2"));
    ASSERT_NE(goneEntry, nullptr);
    goneEntry->trigger();
    EXPECT_EQ(run.window->Status().Get(panels::Activity(1)),
              gone + " no longer exists: it was removed from the recent files");
    ASSERT_EQ(run.window->Recent().Entries().size(), 1u);
    EXPECT_EQ(QSettings().value(QStringLiteral("recentFiles")).toStringList(),
              QStringList{QStringLiteral("algorithm|") + QString::fromStdString(first)});
    run.window->findChild<QAction*>(QStringLiteral("mnuRecent1"))->trigger();
    EXPECT_TRUE(run.t.dialogs.AllDone());
    EXPECT_EQ(run.window->Bench().alg.fileName, first);
    EXPECT_EQ(run.window->Bench().alg.value[1], 4.0);
    EXPECT_TRUE(run.Button(menu::Simplex)->isEnabled());
    run.t.dialogs.ExpectMessage("Exit Corvane", "", Answer::Yes);
    run.window->close();
}

TEST(OpenFilesWindow, DroppedFilesOpenOrAreRefused) {
    QSettings().remove(QStringLiteral("recentFiles"));
    const std::string alg = WriteAlgorithm("dropped.alg", 6.0);
    const std::string data = Scratch("tags.dat");
    std::ofstream(data, std::ios::binary) << "Set,Init,Incr,Start,End\n1,10,2,0,100\n1,12,2,0,100\n";
    const std::string other = Scratch("notes.txt");
    std::ofstream(other, std::ios::binary) << "a letter\nto nobody\n";

    DesktopRun run;
    // Something not for the desktop: refused, nothing opened.
    run.t.dialogs.ExpectMessage("Open file", "notes.txt is neither a data file");
    Drop(run.window.get(), {other, alg});
    EXPECT_TRUE(run.t.dialogs.AllDone());
    EXPECT_TRUE(run.window->Bench().alg.fileName.empty());

    // Data and algorithm data together: the set-up with the data file, then the load.
    Drop(run.window.get(), {alg, data});
    EXPECT_TRUE(run.t.dialogs.AllDone());
    EXPECT_EQ(run.increments, data);
    EXPECT_EQ(run.frequencies, "");
    EXPECT_EQ(run.window->Bench().alg.fileName, alg);
    EXPECT_EQ(run.window->Bench().alg.value[1], 6.0);
    // Both became recent files, the algorithm data last opened first.
    ASSERT_EQ(run.window->Recent().Entries().size(), 2u);
    EXPECT_EQ(run.window->Recent().Entries()[0], (KnownFile{FileKind::Algorithm, alg}));
    EXPECT_EQ(run.window->Recent().Entries()[1], (KnownFile{FileKind::Increments, data}));
    run.t.dialogs.ExpectMessage("Exit Corvane", "", Answer::Yes);
    run.window->close();
}

TEST(OpenFilesWindow, ChildWindowsOpenWhereTheyWereLeftInsideTheFrame) {
    QSettings().remove(QStringLiteral("windows"));
    QRect left;
    {
        DesktopRun run;
        run.DefaultData();
        run.Button(menu::Rank)->click();
        QMdiSubWindow* sub = run.window->RankingSubWindow();
        ASSERT_FALSE(sub->isHidden());
        left = QRect(QPoint(37, 21), sub->minimumSizeHint().expandedTo(QSize(700, 460)));
        sub->setGeometry(left);
        run.window->Ranking().Close();
        EXPECT_TRUE(sub->isHidden());
        run.t.dialogs.ExpectMessage("Exit Corvane", "", Answer::Yes).ExpectMessage("What about algorithm data?", "", Answer::No);
        run.window->close();
    }
    {
        DesktopRun run;
        run.DefaultData();
        run.Button(menu::Rank)->click();
        EXPECT_EQ(run.window->RankingSubWindow()->geometry(), left);
        run.window->Ranking().Close();
        run.t.dialogs.ExpectMessage("Exit Corvane", "", Answer::Yes).ExpectMessage("What about algorithm data?", "", Answer::No);
        run.window->close();
    }
    // Left on a larger screen, far out: brought inside the frame's working area.
    QSettings().setValue(QStringLiteral("windows/subRank"), QRect(3000, 2000, 900, 500));
    DesktopRun run;
    run.DefaultData();
    run.Button(menu::Rank)->click();
    const QRect room(QPoint(0, 0), run.window->Area()->viewport()->size());
    const QRect now = run.window->RankingSubWindow()->geometry();
    EXPECT_TRUE(room.contains(now)) << now.x() << "," << now.y() << " " << now.width() << "x" << now.height();
    EXPECT_EQ(now.size(),
              QSize(900, 500).expandedTo(run.window->RankingSubWindow()->minimumSizeHint()).boundedTo(room.size()));
    run.window->Ranking().Close();
    run.t.dialogs.ExpectMessage("Exit Corvane", "", Answer::Yes).ExpectMessage("What about algorithm data?", "", Answer::No);
    run.window->close();
}

TEST(OpenFilesWindow, PlotWindowsOpenWhereTheyWereLeftInsideTheScreen) {
    QSettings().remove(QStringLiteral("windows/frmDistPlot"));
    TestPorts t;
    QWidget frame;
    frame.resize(800, 600);
    frame.show();
    QtPlotPort port(&frame, t.dialogs);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    // Runs `steps` on the plot window once it is up, then closes it.
    auto whenUp = [](std::function<void(QWidget*)> steps) {
        QTimer::singleShot(0, [steps] {
            QWidget* modal = QApplication::activeModalWidget();
            ASSERT_NE(modal, nullptr);
            steps(modal);
            modal->findChild<QPushButton*>(QStringLiteral("cmdDone"))->click();
        });
    };

    QSize size;
    QPoint place;
    whenUp([&](QWidget* w) {
        size = w->minimumSizeHint().expandedTo(QSize(640, 420)).boundedTo(screen.size() - QSize(80, 80));
        w->resize(size);
        w->move(screen.topLeft() + QPoint(23, 17));
        QApplication::processEvents();
        place = w->frameGeometry().topLeft();
        size = w->size();  // as the window took it (no smaller than it can be)
    });
    port.Show(SkewedProfile());

    QRect again;
    whenUp([&](QWidget* w) { again = QRect(w->frameGeometry().topLeft(), w->size()); });
    port.Show(SkewedProfile());
    EXPECT_EQ(again, QRect(place, size));

    // Left far out on a larger screen: inside this one, whole.
    QSettings().setValue(QStringLiteral("windows/frmDistPlot"), QRect(9000, 7000, 700, 450));
    QRect outer;
    whenUp([&](QWidget* w) { outer = w->frameGeometry(); });
    port.Show(SkewedProfile());
    EXPECT_TRUE(screen.contains(outer)) << outer.x() << "," << outer.y() << " " << outer.width() << "x"
                                        << outer.height();
}

TEST(OpenFilesWindow, ResultWindowsOpenWhereTheyWereLeftInsideTheFrame) {
    DesktopRun run;
    TextView report("frmReport", "A report");
    report.width = 500, report.height = 300;
    QtWindowHost& host = run.window->Host();
    host.Show(report);
    QMdiSubWindow* sub = host.SubWindowOf(report);
    ASSERT_NE(sub, nullptr);
    const QRect left(QPoint(41, 29), QSize(620, 380).expandedTo(sub->minimumSizeHint()));
    sub->setGeometry(left);
    host.Close(report);
    QApplication::processEvents();  // the closed window goes

    // Shown again (or in the next run, the settings being kept): as left.
    host.Show(report);
    EXPECT_EQ(host.SubWindowOf(report)->geometry(), left);
    host.Close(report);
    QApplication::processEvents();

    // Left far out: inside the frame's working area.
    QSettings().setValue(QStringLiteral("windows/frmReport"), QRect(5000, 4000, 640, 400));
    host.Show(report);
    const QRect room(QPoint(0, 0), run.window->Area()->viewport()->size());
    const QRect now = host.SubWindowOf(report)->geometry();
    EXPECT_TRUE(room.contains(now)) << now.x() << "," << now.y() << " " << now.width() << "x" << now.height();
    host.Close(report);
    run.t.dialogs.ExpectMessage("Exit Corvane", "", Answer::Yes);
    run.window->close();
}
