// Plot pictures written to files as the command line writes them: this
// program starts no GUI application of its own, so the renderer must start
// its offscreen one.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QXmlStreamReader>
#include <filesystem>
#include <set>

#include "../model/GrowthTestSupport.h"
#include "../plots/PlotExamples.h"
#include "plots/PlotPictures.h"
#include "plots/modDistPlot.h"
#include "platform/qt/render/PlotFiles.h"
#include "platform/qt/render/PlotPainter.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

// Every text of an SVG file; fails the test when the file is not well-formed.
QStringList SvgTexts(const std::string& path) {
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
    QXmlStreamReader xml(&file);
    QStringList texts;
    bool inText = false;
    QString current;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("text")) {
            inText = true;
            current.clear();
        } else if (xml.isCharacters() && inText) {
            current += xml.text();
        } else if (xml.isEndElement() && xml.name() == QLatin1String("text")) {
            inText = false;
            texts << current.simplified();
        }
    }
    EXPECT_FALSE(xml.hasError()) << path << ": " << xml.errorString().toStdString();
    return texts;
}

// The share of pixels that are not white, and the number of distinct
// colours (every second pixel each way).
std::pair<double, int> Ink(const QImage& image) {
    long inked = 0;
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) {
            const QRgb p = image.pixel(x, y);
            if ((p & 0xffffff) != 0xffffff) ++inked;
            if (colours.size() < 500) colours.insert(p);
        }
    return {4.0 * inked / (image.width() * image.height()), static_cast<int>(colours.size())};
}

}  // namespace

TEST(PlotFiles, EveryKindIsWrittenAsAPngAndAWellFormedSvgWithItsAxisTexts) {
    ScratchDir dir;
    const std::string out = dir.Path("plots");  // created by the renderer
    FilePlotPort port(out);
    EXPECT_EQ(port.Show(RigIncrementPage()), PlotAnswer::Next);
    port.Show(SkewedProfile());
    port.Show(GaussianGrid());
    port.Show(SkewedProfile());  // the same names again: kept apart by a suffix
    EXPECT_TRUE(port.Errors().empty()) << port.Errors().front();
    EXPECT_EQ(port.Written().size(), 3u * (2 + 7 + 1 + 7));  // PNG, SVG and CSV

    struct Expect {
        std::string name;
        std::vector<const char*> texts;
    };
    const std::vector<Expect> expected = {
        {"increments-set1", {"Increment data for 1", "Data record index", "Observed increment for Set 1", "r = -0.6352", "n = 41"}},
        {"increments-set1-by-size", {"Observed initial Size for Set 1", "Predicted increment for Set 1"}},
        {"profile-p9-likelihood", {"Parameter Likelihood Profile", "Values for parameter #9", "Right vertical line locates 1"}},
        {"profile-p9-confidence", {"Parameter Confidence Distribution", "ML Estimate:", "Estimated SE:"}},
        {"profile-p9-ci-mode", {"Confidence Region on mode", "< 95% CI >"}},
        {"profile-p9-attenuated-2", {"Attenuated L to R Distribution", "< 95% CI >"}},
        {"bivariate-p3-p5", {"Values for parameter #3", "Values for parameter #5", "SE's", "High Density", "Low Density", "X-Peak = 8.000E-01"}},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.name);
        const QImage image(QString::fromStdString(out + "/" + e.name + ".png"));
        ASSERT_FALSE(image.isNull());
        EXPECT_GE(image.width(), 1200);
        EXPECT_GE(image.height(), 900);
        const auto [ink, colours] = Ink(image);
        EXPECT_GT(ink, 0.01);
        EXPECT_LT(ink, 0.9);
        EXPECT_GT(colours, 8);  // antialiased text and coloured data, not a blank or flat picture

        const QStringList texts = SvgTexts(out + "/" + e.name + ".svg");
        const QString all = texts.join(QLatin1Char('\n'));
        for (const char* text : e.texts) EXPECT_TRUE(all.contains(QString::fromUtf8(text))) << text;
        // Tick labels on both axes.
        int numbers = 0;
        for (const QString& t : texts) {
            bool ok = false;
            t.toDouble(&ok);
            numbers += ok ? 1 : 0;
        }
        EXPECT_GE(numbers, 8);
    }
}

TEST(PlotFiles, AFileThatCannotBeWrittenIsReportedNotSkipped) {
    ScratchDir dir;
    const std::string blocker = dir.Write("not-a-directory", "x");
    FilePlotPort port(blocker + "/plots");
    std::vector<std::string> told;
    port.onError = [&](const std::string& e) { told.push_back(e); };
    port.Show(GaussianGrid());
    ASSERT_EQ(port.Errors().size(), 1u);
    EXPECT_EQ(told, port.Errors());
    EXPECT_NE(port.Errors()[0].find("cannot create the plot directory"), std::string::npos);
    EXPECT_TRUE(port.Written().empty());

    // A picture that cannot replace what is in its place (a directory of
    // that name) fails alone; the other files of the picture are still written.
    std::filesystem::create_directories(dir.Path("out/bivariate-p3-p5.png"));
    const PlotFilesResult result = WritePlotFiles(GaussianGrid(), dir.Path("out"));
    EXPECT_FALSE(result.Ok());
    EXPECT_NE(result.error.find("bivariate-p3-p5.png"), std::string::npos);
    EXPECT_EQ(result.written, (std::vector<std::string>{dir.Path("out/bivariate-p3-p5.svg"),
                                                        dir.Path("out/bivariate-p3-p5.csv")}));
}

TEST(PlotFiles, TextsNeverOverlapAtAnySize) {
    ScratchDir dir;
    ASSERT_TRUE(WritePlotFiles(GaussianGrid(), dir.Path("start")).Ok());  // starts the offscreen application
    std::vector<NamedScene> scenes;
    for (const PlotRequest& r : std::initializer_list<PlotRequest>{RigIncrementPage(), SkewedProfile(), GaussianGrid()})
        for (auto& p : PlotPictures(r)) scenes.push_back(std::move(p));
    modDistPlot overlay(SkewedProfile());
    for (int k = 1; k <= 7; ++k) overlay.Plot(k, {true, true, false});
    scenes.push_back({"overlay", overlay.Scene()});

    for (const QSize size : {QSize(420, 320), QSize(640, 480), QSize(1100, 700), QSize(1600, 1200), QSize(2400, 800),
                             QSize(500, 1000)}) {
        for (const auto& named : scenes) {
            SCOPED_TRACE(named.name + " at " + std::to_string(size.width()) + " x " + std::to_string(size.height()));
            QImage image(size, QImage::Format_ARGB32_Premultiplied);
            QPainter painter(&image);
            const QRectF area(QPointF(0, 0), QSizeF(size));
            const PlotLayout layout = PaintPlot(painter, area, named.scene);
            painter.end();
            EXPECT_GT(layout.plot.width(), size.width() / 3.0);
            EXPECT_GT(layout.plot.height(), size.height() / 3.0);
            EXPECT_FALSE(layout.plot.intersects(layout.column));
            ASSERT_GT(layout.texts.size(), 10u);
            for (std::size_t i = 0; i < layout.texts.size(); ++i) {
                const QRectF a = layout.texts[i].adjusted(0.5, 0.5, -0.5, -0.5);
                EXPECT_TRUE(area.contains(a)) << i;
                for (std::size_t j = i + 1; j < layout.texts.size(); ++j)
                    EXPECT_FALSE(a.intersects(layout.texts[j].adjusted(0.5, 0.5, -0.5, -0.5))) << i << " and " << j;
            }
        }
    }
}
