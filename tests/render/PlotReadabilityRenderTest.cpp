// The painted plots as a reader sees them: the zero line at zero, legend
// entries whole, every picture file with its y-axis title and its table.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QXmlStreamReader>
#include <filesystem>
#include <fstream>
#include <set>

#include "../model/GrowthTestSupport.h"
#include "../plots/PlotExamples.h"
#include "numeric/Csv.h"
#include "plots/ModXYPlot.h"
#include "plots/modDistPlot.h"
#include "platform/qt/render/PlotFiles.h"
#include "platform/qt/render/PlotPainter.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

QString SvgText(const std::string& path) {
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
    QXmlStreamReader xml(&file);
    QStringList texts;
    bool inText = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("text")) inText = true;
        else if (xml.isEndElement() && xml.name() == QLatin1String("text")) inText = false;
        else if (xml.isCharacters() && inText) texts << xml.text().toString().simplified();
    }
    EXPECT_FALSE(xml.hasError()) << path;
    return texts.join(QLatin1Char('\n'));
}

// The header and data rows of a CSV file, split into fields.
std::vector<std::vector<std::string>> ReadCsv(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string problem;
        const auto fields = SplitCsvLine(line, ',', &problem);
        EXPECT_TRUE(fields.has_value()) << path << ": " << problem;
        if (fields) rows.push_back(*fields);
    }
    return rows;
}

}  // namespace

TEST(PlotReadabilityRender, TheZeroLineIsPaintedAtZeroNotOnTheFrame) {
    ScratchDir dir;
    ASSERT_TRUE(WritePlotFiles(GaussianGrid(), dir.Path("start")).Ok());  // starts the offscreen application
    XYPlotData page;
    page.page = "Counts";
    page.variables = {{"Midpoint", {1, 2, 3, 4}, {}, {}}, {"Count", {0, 4, 10, 6}, {}, {}}};
    ModXYPlot plot(page);
    XYBoxes boxes;
    ASSERT_TRUE(plot.Plot(1, 2, {}, boxes));
    PlotScene scene = plot.Scene();
    scene.markers.clear();  // only the dashed Y = 0 line is left inside the frame
    ASSERT_EQ(scene.lines.size(), 1u);

    QImage image(QSize(900, 600), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    const PlotLayout layout = PaintPlot(painter, QRectF(0, 0, 900, 600), scene);
    painter.end();
    // The data sit inset by 2.5% of the frame: zero is that far above its bottom.
    const double expected = layout.plot.bottom() - 0.025 * layout.plot.height();
    int bestRow = -1, bestCount = 0;
    for (int y = static_cast<int>(layout.plot.top()) + 4; y < static_cast<int>(layout.plot.bottom()) - 3; ++y) {
        int count = 0;
        for (int x = static_cast<int>(layout.plot.left()) + 10; x < static_cast<int>(layout.plot.right()) - 10; ++x)
            count += (image.pixel(x, y) & 0xffffff) != 0xffffff ? 1 : 0;
        if (count > bestCount) bestCount = count, bestRow = y;
    }
    EXPECT_GT(bestCount, layout.plot.width() / 3.0);
    EXPECT_NEAR(bestRow, expected, 1.5);
}

TEST(PlotReadabilityRender, LegendEntriesAreNeverCutShort) {
    ScratchDir dir;
    ASSERT_TRUE(WritePlotFiles(GaussianGrid(), dir.Path("start")).Ok());
    DistributionPlotData d = SkewedProfile();
    d.description = "Mean of k (von Bertalanffy), the growth rate at the mean size";
    modDistPlot overlay(d);
    for (int k = 1; k <= 7; ++k) overlay.Plot(k, {});
    const PlotScene scene = overlay.Scene();
    // The canvas of the distribution window at 1200 x 700, and smaller ones.
    for (const QSize size : {QSize(880, 660), QSize(640, 480), QSize(420, 320)}) {
        SCOPED_TRACE(std::to_string(size.width()));
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        const PlotLayout layout = PaintPlot(painter, QRectF(QPointF(0, 0), QSizeF(size)), scene);
        painter.end();
        QString column;
        for (const QString& line : layout.columnLines) column += line + QLatin1Char(' ');
        column = column.simplified();
        for (const auto& entry : scene.legend) EXPECT_TRUE(column.contains(QString::fromStdString(entry.label))) << entry.label;
        EXPECT_TRUE(column.contains(QString::fromStdString(scene.panel[0]))) << scene.panel[0];
        EXPECT_FALSE(column.contains(QChar(0x2026)));  // no ellipsis anywhere
    }
}

TEST(PlotReadabilityRender, EveryPictureFileHasAYAxisTitleAndATableOfItsPoints) {
    ScratchDir dir;
    const std::string out = dir.Path("plots");
    FilePlotPort port(out);
    DistributionPlotData d = SkewedProfile();
    d.description = "Mean of k (von Bertalanffy)";
    XYPlotData page = RigIncrementPage();
    page.variables[2].quantity = page.variables[3].quantity = "Increment (size units)";
    port.Show(page);
    port.Show(d);
    port.Show(GaussianGrid());
    ASSERT_TRUE(port.Errors().empty()) << port.Errors().front();
    EXPECT_EQ(port.Written().size(), 3u * (2 + 7 + 1));

    const std::vector<std::tuple<std::string, std::vector<const char*>, std::size_t, std::size_t>> expected = {
        {"increments-set1", {"Increment (size units)"}, 3, 41},
        {"increments-set1-by-size", {"Increment (size units)"}, 3, 41},
        {"profile-p9-likelihood", {"Relative -ln[L]", "Values for parameter #9 (Mean of k (von Bertalanffy))"}, 2, 41},
        {"profile-p9-confidence", {"Probability density"}, 2, 41},
        {"profile-p9-ci-mode", {"Confidence level of the region"}, 2, 41},
        {"profile-p9-cumulative", {"Cumulative probability"}, 2, 41},
        {"profile-p9-gaussian", {"Probability density"}, 2, 41},
        {"bivariate-p3-p5", {"Values for parameter #5"}, 3, 41 * 31},
    };
    for (const auto& [name, texts, columns, rows] : expected) {
        SCOPED_TRACE(name);
        const QString svg = SvgText(out + "/" + name + ".svg");
        for (const char* text : texts) EXPECT_TRUE(svg.contains(QString::fromUtf8(text))) << text;
        const auto csv = ReadCsv(out + "/" + name + ".csv");
        ASSERT_EQ(csv.size(), rows + 1);
        for (const auto& row : csv) EXPECT_EQ(row.size(), columns);
    }
    // Every picture has its table.
    std::set<std::string> png, csv;
    for (const auto& entry : std::filesystem::directory_iterator(out)) {
        const auto path = entry.path();
        if (path.extension() == ".png") png.insert(path.stem().string());
        if (path.extension() == ".csv") csv.insert(path.stem().string());
    }
    EXPECT_EQ(png, csv);
}
