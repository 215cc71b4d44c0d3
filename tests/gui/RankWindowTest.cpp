#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <filesystem>
#include <fstream>

#include "QtPrint.h"
#include "engine/CovarianceConstant.h"
#include "numeric/Format.h"
#include "ranking/frmRank.h"
#include "support/ScriptedDialogs.h"
#include "support/TestModels.h"
#include "ui/frmMain.h"
#include "ui/frmMenu.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

std::string Scratch(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("corvane-rankgui-" + name)).string();
}

// A covariance file for two parameters, the first one estimated at `first`,
// the second at 0 (the values of the model it belongs to).
void WriteCovariance(const std::string& path, double first) {
    std::ofstream out(path, std::ios::binary);
    out << "Originally saved with the file name: " << path << "\r\n\r\n"
        << "Parameter values, step sizes, link codes, and definitions for numerically calculated covariances:\r\n\r\n"
        << " 001) " << RightJustify(Format(first, "0.0000000E+00"), 14) << "   1.0000000E-01  ~~  Test parameter 1\r\n"
        << " 002)  0.0000000E+00   0.0000000E+00  ~~  Test parameter 2\r\n";
    for (int i = 0; i < 14; ++i) out << "\r\n";
    out << "Par#                               Standard errors of the estimates\r\n"
        << "  1" << RightJustify("1.0000000E-01", 35) << RightJustify("1.1000000E-01", 18)
        << RightJustify("1.2000000E-01", 18) << "\r\n\r\n";
}

}  // namespace

TEST(RankWindow, OpensFromTheMenuRanksAveragesAndGivesTheMenuBack) {
    TestPorts t;
    FunctionModel model(2, [](const Vec1<double>& x) { return (x[1] - 1) * (x[1] - 1) + 10.0; }, "Two squares");
    DesktopCommands commands;
    commands.modelSetUp = [](Workbench& wb, QWidget*) { return InitialiseModel(wb); };
    frmMain window(t.dialogs, t.clock, t.random, &model, commands);
    window.show();
    window.MenuWindow()->ButtonWidget(menu::Initialize)->click();
    t.dialogs.ExpectMessage("Load algorithm data", "", Answer::No).ExpectMessage("Default Algorithm Values", "");
    window.MenuWindow()->ButtonWidget(menu::LoadAlg)->click();

    QPushButton* rankButton = window.MenuWindow()->ButtonWidget(menu::Rank);
    ASSERT_TRUE(rankButton->isEnabled());
    rankButton->click();
    QMdiSubWindow* sub = window.RankingSubWindow();
    ASSERT_FALSE(sub->isHidden());
    EXPECT_TRUE(window.MenuSubWindow()->isHidden());
    EXPECT_FALSE(window.findChild<QMenu*>("mnuApplication")->menuAction()->isEnabled());

    frmRank* rank = window.RankingWindow();
    QTableWidget* grid = rank->Grid();
    EXPECT_EQ(grid->horizontalHeaderItem(0)->foreground().color(), QColor(Qt::red));
    EXPECT_EQ(grid->columnWidth(9), 9700 / 15);
    EXPECT_FALSE(rank->Button(rank::Rank)->isEnabled());

    // Two models, the second one 2 units of AICc worse; both with covariance files.
    Workbench& wb = window.Bench();
    wb.alg.step[1] = 0.1;
    const std::string a = Scratch("a.alg"), b = Scratch("b.alg");
    WriteCovariance(Scratch("a.cov"), 1.0);
    WriteCovariance(Scratch("b.cov"), 2.0);
    wb.alg.fileName = a;
    wb.alg.value[1] = 1.0;
    t.dialogs.ExpectPrompt(kConstantTitle, "", "1");
    rank->Button(rank::Calculate)->click();
    EXPECT_FALSE(sub->isHidden());  // back after the constant was asked
    wb.alg.fileName = b;
    wb.alg.value[1] = 2.0;
    rank->Button(rank::Calculate)->click();
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->item(1, 3)->textAlignment(), int(Qt::AlignVCenter | Qt::AlignHCenter));

    rank->Button(rank::Rank)->click();
    EXPECT_EQ(grid->item(1, 4)->text(), "2.00");
    rank->Button(rank::Average)->click();
    EXPECT_TRUE(rank->AveragingBox()->toPlainText().contains("Parameter_#  Parameter_Value"));
    EXPECT_TRUE(rank->AveragingLabel()->isEnabled());

    // Annotating by double-click.
    t.dialogs.ExpectPrompt("Model notes", "", "linear growth");
    emit grid->cellDoubleClicked(0, 9);
    EXPECT_EQ(grid->item(0, 9)->text(), "linear growth");
    EXPECT_FALSE(rank->AveragingLabel()->isEnabled());

    // QAICc: the box turns blue.
    t.dialogs.ExpectPrompt("Overdispersion correction", "", "1.5");
    rank->Button(rank::QAICc)->click();
    EXPECT_EQ(rank->CHatBox()->palette().color(QPalette::Text), QColor(Qt::blue));
    EXPECT_EQ(grid->horizontalHeaderItem(3)->text(), "QAICc");
    rank->Button(rank::Rank)->click();
    rank->Button(rank::Average)->click();

    // The priors dialogue stands in for the window until it closes.
    rank->Button(rank::Bayesian)->click();
    EXPECT_TRUE(sub->isHidden());
    EXPECT_FALSE(window.LoadPriorsSubWindow()->isHidden());
    window.PriorsDialog().Cancel();
    EXPECT_FALSE(sub->isHidden());
    EXPECT_TRUE(window.MenuSubWindow()->isHidden());
    rank->Button(rank::Rank)->click();
    rank->Button(rank::Average)->click();

    if (const char* shot = std::getenv("CORVANE_RANK_SCREENSHOT")) {
        sub->resize(1140, 600);
        QApplication::processEvents();
        sub->grab().save(QString::fromLocal8Bit(shot));
    }

    // Closing the window is "&Finish": ranked, so the question comes.
    t.dialogs.ExpectMessage("What about ranking results!", "", Answer::No);
    sub->close();
    EXPECT_TRUE(sub->isHidden());
    EXPECT_FALSE(window.MenuSubWindow()->isHidden());
    EXPECT_TRUE(window.findChild<QMenu*>("mnuApplication")->menuAction()->isEnabled());
    EXPECT_TRUE(window.MenuWindow()->ButtonWidget(menu::Rank)->isEnabled());
    EXPECT_TRUE(t.dialogs.AllDone());
    for (const char* f : {"a.cov", "b.cov"}) std::filesystem::remove(Scratch(f));
}
