#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>

#include "QtPrint.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtFonts.h"
#include "platform/qt/QtStatusBar.h"
#include "platform/qt/QtWindowHost.h"

using namespace corvane;

TEST(QtDialogs, MessageBoxesHaveTheirButtonsIconsAndDefaults) {
    auto box = BuildMessageBox(nullptr, "Exit Corvane", "Do you want to quit Corvane?", Buttons::YesNo, Icon::Question,
                               true);
    EXPECT_EQ(box->windowTitle(), "Exit Corvane");
    EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    // Closing the box without a choice answers No, never Yes.
    EXPECT_EQ(AnswerOf(*box), Answer::No);

    auto critical = BuildMessageBox(nullptr, "Simplex minimum", "Minimum found using Simplex!", Buttons::OK,
                                    Icon::InformationCritical, false);
    EXPECT_EQ(critical->icon(), QMessageBox::Critical);
    EXPECT_EQ(critical->defaultButton(), critical->button(QMessageBox::Ok));
    EXPECT_EQ(AnswerOf(*critical), Answer::OK);

    auto three = BuildMessageBox(nullptr, "Load algorithm data", "Load?\r\n\r\n     Choose NO for default values",
                                 Buttons::YesNoCancel, Icon::Exclamation, false);
    EXPECT_EQ(three->icon(), QMessageBox::Warning);
    EXPECT_EQ(three->defaultButton(), three->button(QMessageBox::Yes));
    EXPECT_EQ(three->text(), "Load?\n\n     Choose NO for default values");
    EXPECT_EQ(AnswerOf(*three), Answer::Cancel);
    three->button(QMessageBox::No)->click();
    EXPECT_EQ(AnswerOf(*three), Answer::No);
}

TEST(QtDialogs, FileDialogsTranslateTheFilterString) {
    EXPECT_EQ(NameFilters("All files (*.*)|*.*|Algorithm files (*.alg)|*.alg|Named for data file (rig.dat.*)|rig.dat.*|"),
              (QStringList{"All files (*.*) (*)", "Algorithm files (*.alg) (*.alg)",
                           "Named for data file (rig.dat.*) (rig.dat.*)"}));
    EXPECT_EQ(NameFilters("Data|*.dat;*.txt"), (QStringList{"Data (*.dat *.txt)"}));
    EXPECT_TRUE(NameFilters("").isEmpty());

    FileRequest save;
    save.save = true;
    save.overwritePrompt = true;
    save.title = "Save algorithm data in...";
    save.filter = "All files (*.*)|*.*|Algorithm files (*.alg)|*.alg|Named for data file (rig.dat.*)|rig.dat.*|";
    save.selectedFilter = 3;
    save.initialName = "/tmp/12071842.alg";
    auto dialog = BuildFileDialog(nullptr, save);
    EXPECT_EQ(dialog->windowTitle(), "Save algorithm data in...");
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_TRUE(dialog->testOption(QFileDialog::HideNameFilterDetails));
    // The description is shown exactly as the dialogue writes it.
    EXPECT_EQ(dialog->selectedNameFilter(), "Named for data file (rig.dat.*)");
    EXPECT_EQ(dialog->directory().absolutePath(), "/tmp");
    ASSERT_FALSE(dialog->selectedFiles().isEmpty());
    EXPECT_EQ(dialog->selectedFiles().first(), "/tmp/12071842.alg");

    FileRequest open;
    open.title = "Save minimization progress in...";
    open.filter = "All files (*.*)|*.*|Corvane log files (*.cvl)|*.cvl";
    open.selectedFilter = 2;
    open.initialName = "minimize.cvl";
    open.mustExist = false;
    auto log = BuildFileDialog(nullptr, open);
    EXPECT_EQ(log->acceptMode(), QFileDialog::AcceptOpen);
    // A log file that does not exist yet can be named.
    EXPECT_EQ(log->fileMode(), QFileDialog::AnyFile);
    EXPECT_EQ(log->selectedNameFilter(), "Corvane log files (*.cvl)");
}

TEST(QtStatusBar, SixBarsOfPanels) {
    QtStatusBar bar;
    bar.Set(panels::Activity(3), "Iteration 5");
    bar.Set(panels::PriorsFile, "Bayesian priors file: ");
    EXPECT_EQ(bar.Get(panels::Activity(3)), "Iteration 5");
    EXPECT_EQ(bar.Get(panels::Activity(4)), "");
    ASSERT_NE(bar.PanelLabel(panels::Activity(3)), nullptr);
    EXPECT_EQ(bar.PanelLabel(panels::Activity(3))->text(), "Iteration 5");
    // Panels left of a panel exist so that it sits in its place.
    EXPECT_NE(bar.PanelLabel(panels::Activity(2)), nullptr);
    EXPECT_TRUE(bar.BarShown(1));
    EXPECT_FALSE(bar.BarShown(3));
    EXPECT_TRUE(bar.BarShown(5));
    bar.Clear(panels::PriorsFile);
    EXPECT_FALSE(bar.BarShown(1));
    // Out-of-range panels are remembered but never crash.
    bar.Set(Panel{9, 1}, "x");
    EXPECT_EQ(bar.Get(Panel{9, 1}), "x");
}

TEST(QtFonts, TheFixedPitchFontIsAskedForByItsHintAndCheckedWhateverIsInstalled) {
    const QFont font = FixedPitchFont();
    EXPECT_TRUE(font.fixedPitch());
    // Whichever fixed-pitch families this machine has, one of them is used.
    bool installed = false;
    for (const QString& family : QFontDatabase::families()) installed = installed || QFontDatabase::isFixedPitch(family);
    if (installed) {
        EXPECT_TRUE(QFontInfo(font).fixedPitch()) << font.family().toStdString();
        const QFontMetrics metrics(font);
        EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("iiiii")), metrics.horizontalAdvance(QStringLiteral("MMMMM")));
    }
}

TEST(QtWindowHost, RendersTextViewsAsChildWindows) {
    QMdiArea area;
    area.resize(1000, 800);
    QtWindowHost host(&area);
    TextView view("frmSimplex", "Simplex minimization", 2);
    view.splitter = true;
    int stops = 0;
    view.AddButton("cmdStop", "&Interrupt", [&] {
        ++stops;
        view.SetButtonEnabled("cmdStop", false);
    }).toolTip = "Stops the run";
    view.SetArea(1, "Initial simplex\r\n");

    host.Show(view);
    EXPECT_TRUE(host.IsOpen(view));
    TextViewWindow* window = host.WindowOf(view);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(host.SubWindowOf(view)->windowTitle(), "Simplex minimization");
    EXPECT_NE(window->findChild<QSplitter*>(), nullptr);
    QPlainTextEdit* upper = window->Area(1);
    QPlainTextEdit* lower = window->Area(2);
    EXPECT_TRUE(upper->isReadOnly());
    EXPECT_EQ(upper->font().family(), FixedPitchFont().family());
    EXPECT_TRUE(upper->font().fixedPitch());
    EXPECT_EQ(upper->toPlainText(), "Initial simplex\n");

    // Progress appends; the window follows the view.
    view.AppendArea(2, "Iteration 1\r\n");
    view.AppendArea(2, "Iteration 2\r\n");
    EXPECT_EQ(lower->toPlainText(), "Iteration 1\nIteration 2\n");
    view.SetArea(2, "Final report");
    EXPECT_EQ(lower->toPlainText(), "Final report");

    QPushButton* stop = window->ButtonWidget("cmdStop");
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(stop->text(), "&Interrupt");
    EXPECT_EQ(stop->toolTip(), "Stops the run");
    stop->click();
    EXPECT_EQ(stops, 1);
    EXPECT_FALSE(stop->isEnabled());
    view.SetButtonVisible("cmdStop", false);
    EXPECT_TRUE(stop->isHidden());
    view.SetCaption("Simplex minimization done");
    EXPECT_EQ(host.SubWindowOf(view)->windowTitle(), "Simplex minimization done");

    host.Close(view);
    EXPECT_FALSE(host.IsOpen(view));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    view.SetArea(1, "no window listens now");

    // An editable report: the user's edits come back with CR LF.
    TextView report("frmSummary", "Results", 1);
    report.editable = true;
    report.SetArea(1, "a\r\nb");
    host.Show(report);
    QPlainTextEdit* text = host.WindowOf(report)->Area(1);
    EXPECT_FALSE(text->isReadOnly());
    text->setPlainText("a\nb\nc");
    EXPECT_EQ(report.Area(1), "a\r\nb\r\nc");
    EXPECT_TRUE(host.WindowOf(report)->findChild<QSplitter*>() == nullptr);

    // Closed by the user: the host forgets it, showing again makes a new one.
    host.SubWindowOf(report)->close();
    EXPECT_FALSE(host.IsOpen(report));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    host.Show(report);
    EXPECT_TRUE(host.IsOpen(report));
    EXPECT_EQ(host.WindowOf(report)->Area(1)->toPlainText(), "a\nb\nc");

    // A new model closes every result window at once.
    host.Show(view);
    host.CloseAllWindows();
    EXPECT_FALSE(host.IsOpen(view));
    EXPECT_FALSE(host.IsOpen(report));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(area.subWindowList().isEmpty());
    host.CloseAll();
}
