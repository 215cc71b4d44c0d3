#include "ui/OpenFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "engine/modCorvane.h"
#include "priors/PriorsFile.h"
#include "support/ScriptedDialogs.h"
#include "support/TestData.h"
#include "support/TestModels.h"
#include "ui/CommandMenu.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

std::string Path(int k) { return "/data/file" + std::to_string(k) + ".alg"; }

std::vector<std::string> Paths(const RecentFiles& r) {
    std::vector<std::string> paths;
    for (const KnownFile& f : r.Entries()) paths.push_back(f.path);
    return paths;
}

FileKindGuess Guess(const std::string& path, const std::string& text) {
    std::istringstream in(text);
    return KindOfFile(path, in);
}

FileKindGuess Known(FileKind kind) {
    FileKindGuess g;
    g.kind = kind;
    return g;
}

}  // namespace

TEST(RecentFiles, MostRecentFirstEachPathOnceAtMostEight) {
    RecentFiles r;
    for (int k = 1; k <= 10; ++k) r.Add(FileKind::Algorithm, Path(k));
    // Ten added: the last eight, newest first.
    EXPECT_EQ(Paths(r), (std::vector<std::string>{Path(10), Path(9), Path(8), Path(7), Path(6), Path(5), Path(4),
                                                  Path(3)}));
    // A listed path moves to the front, taking the new kind; none is lost.
    r.Add(FileKind::Priors, Path(5));
    EXPECT_EQ(Paths(r), (std::vector<std::string>{Path(5), Path(10), Path(9), Path(8), Path(7), Path(6), Path(4),
                                                  Path(3)}));
    EXPECT_EQ(r.Entries()[0].kind, FileKind::Priors);
    // Nothing named, or a data file of unknown kind, is not a recent file.
    r.Add(FileKind::Algorithm, "");
    r.Add(FileKind::Data, "/data/either.dat");
    EXPECT_EQ(r.Entries().size(), 8u);
    EXPECT_EQ(r.Entries()[0].path, Path(5));
}

TEST(RecentFiles, StoredStringsRoundTripAndBadOnesAreLeftOut) {
    RecentFiles r;
    r.Add(FileKind::Increments, "/d/inc.dat");
    r.Add(FileKind::Frequencies, "/d/freq.dat");
    r.Add(FileKind::Priors, "/d/k|odd.pri");  // a bar inside the path survives
    r.Add(FileKind::Algorithm, "/d/fit.alg");
    const std::vector<std::string> stored = r.Stored();
    EXPECT_EQ(stored, (std::vector<std::string>{"algorithm|/d/fit.alg", "priors|/d/k|odd.pri",
                                                 "frequencies|/d/freq.dat", "increments|/d/inc.dat"}));
    EXPECT_EQ(RecentFiles::FromStored(stored).Entries(), r.Entries());

    std::vector<std::string> damaged = {"algorithm|/a.alg", "nonsense", "plot|/p.png", "priors|", "|/x",
                                        "priors|/a.alg"};
    for (int k = 1; k <= 10; ++k) damaged.push_back("algorithm|" + Path(k));
    const RecentFiles read = RecentFiles::FromStored(damaged);
    // The first of a repeated path stays; eight at most.
    EXPECT_EQ(Paths(read), (std::vector<std::string>{"/a.alg", Path(1), Path(2), Path(3), Path(4), Path(5), Path(6),
                                                     Path(7)}));
    EXPECT_EQ(read.Entries()[0].kind, FileKind::Algorithm);
}

TEST(RecentFiles, APickedFileThatIsGoneLeavesTheListWithAMessage) {
    RecentFiles r;
    r.Add(FileKind::Algorithm, "/d/a.alg");
    r.Add(FileKind::Priors, "/d/gone.pri");
    r.Add(FileKind::Frequencies, "/d/f.dat");
    const std::set<std::string> present = {"/d/a.alg", "/d/f.dat"};
    auto exists = [&](const std::string& p) { return present.count(p) > 0; };

    RecentFiles::Picked p = r.Pick(2, exists);
    ASSERT_TRUE(p.file);
    EXPECT_EQ(*p.file, (KnownFile{FileKind::Algorithm, "/d/a.alg"}));
    EXPECT_EQ(p.message, "");

    p = r.Pick(1, exists);
    EXPECT_FALSE(p.file);
    EXPECT_EQ(p.message, "/d/gone.pri no longer exists: it was removed from the recent files");
    EXPECT_EQ(Paths(r), (std::vector<std::string>{"/d/f.dat", "/d/a.alg"}));

    p = r.Pick(5, exists);  // past the end: nothing, and the list stays
    EXPECT_FALSE(p.file);
    EXPECT_EQ(r.Entries().size(), 2u);
}

TEST(RecentFiles, MenuTextNamesFileKindAndFolder) {
    const struct {
        std::size_t index;
        KnownFile file;
        const char* text;
    } cases[] = {
        {0, {FileKind::Algorithm, "/a/fit.alg"}, "&1 fit.alg (algorithm data) - /a"},
        {1, {FileKind::Frequencies, "/f.dat"}, "&2 f.dat (size-frequency data) - /"},
        {2, {FileKind::Increments, "R&D/tags.dat"}, "&3 tags.dat (growth increment data) - R&&D"},
        {7, {FileKind::Priors, "k&m.pri"}, "&8 k&&m.pri (Bayesian priors)"},
        // Beyond nine there is no digit left for a mnemonic.
        {9, {FileKind::Algorithm, "/b/x.alg"}, "x.alg (algorithm data) - /b"},
    };
    for (const auto& c : cases) EXPECT_EQ(RecentFiles::MenuText(c.index, c.file), c.text) << c.text;
}

TEST(OpenFiles, KindOfAFileByItsNameThenItsContents) {
    const struct {
        const char* path;
        std::string text;
        std::optional<FileKind> kind;
        const char* refusalPiece;
    } cases[] = {
        {"/m/fit.ALG", "anything", FileKind::Algorithm, ""},
        {"/m/k.pri", "", FileKind::Priors, ""},
        {"/m/fit.txt", "            19  Number of parameters\r\n 1.2E+02 1.0E+01  ~~  Value\r\n", FileKind::Algorithm, ""},
        {"/m/k", "3\r\n  1   N 3.500E-001 5.000E-002     Unused     Unused   Gaussian or Normal\r\n",
         FileKind::Priors, ""},
        {"/m/f.dat", "Midpoint Series1 Series2\n 1.25 37 0\n 3.75 58 3\n 6.25 45 9\n", FileKind::Frequencies, ""},
        // Five columns, the set number repeated: increments only.
        {"/m/i.csv", "Set,Init,Incr,Start,End\n1,15.59,29.27,30,787\n1,15.76,27.13,92,919\n2,16.0,6.5,94,221\n",
         FileKind::Increments, ""},
        // Five columns, whole first numbers rising at every record: either.
        {"/m/e.dat", "a b c d e\n1 2 3 4 5\n2 2 3 4 5\n3 2 3 4 5\n", FileKind::Data, ""},
        // A midpoint column that is not whole, five columns: frequencies.
        {"/m/g.dat", "a b c d e\n1.5 2 3 4 5\n2.5 2 3 4 5\n", FileKind::Frequencies, ""},
        // Set numbers falling: neither.
        {"/m/bad.dat", "a b c d e\n2 2 3 4 5\n1 2 3 4 5\n", std::nullopt, "neither a data file"},
        {"/m/words.dat", "hello\nworld here\n", std::nullopt, "neither a data file"},
        {"/m/empty.dat", "labels only\n", std::nullopt, "neither a data file"},
        {"/m/bin.dat", std::string("ab\0cd\n", 6), std::nullopt, "not a text file"},
        {"/m/fit.cov", "1 2 3\n", std::nullopt, "holds results"},
        {"/m/ranks.mms", "", std::nullopt, "holds results"},
    };
    for (const auto& c : cases) {
        const FileKindGuess g = Guess(c.path, c.text);
        EXPECT_EQ(g.kind, c.kind) << c.path;
        EXPECT_NE(g.refusal.find(c.refusalPiece), std::string::npos) << c.path << ": " << g.refusal;
        if (!c.kind) {
            EXPECT_NE(g.refusal.find("Corvane opens data files"), std::string::npos) << c.path;
        }
    }
}

TEST(OpenFiles, TheExampleFilesAreToldApart) {
    const std::string examples = std::string(CORVANE_SOURCE_DIR) + "/examples/";
    const std::string data = std::string(CORVANE_TEST_DATA) + "/";
    // The examples, the published data sets of the tests (as their README
    // describes them), and two files judged by contents alone, under a name
    // that says nothing.
    const struct {
        std::string path;
        const char* judgedAs;
        FileKind kind;
    } cases[] = {
        {examples + "growth_joint_frequencies.dat", nullptr, FileKind::Frequencies},
        {examples + "growth_joint_increments.dat", nullptr, FileKind::Increments},
        {examples + "growth_gaussian.dat", nullptr, FileKind::Increments},
        {data + "alba_frequencies.dat", nullptr, FileKind::Frequencies},
        {data + "rig_increments.dat", nullptr, FileKind::Increments},
        {data + "bonito_increments.dat", nullptr, FileKind::Increments},
        {data + "bonito_size_at_age.dat", nullptr, FileKind::Increments},
        {examples + "growth_joint.alg", "/tmp/unnamed", FileKind::Algorithm},
        {examples + "rig_k.pri", "/tmp/unnamed", FileKind::Priors},
    };
    for (const auto& c : cases) {
        std::ifstream in(c.path, std::ios::binary);
        ASSERT_TRUE(in) << c.path;
        EXPECT_EQ(KindOfFile(c.judgedAs ? c.judgedAs : c.path, in).kind, c.kind) << c.path;
    }
}

TEST(OpenFiles, ADropOpensDataThenAlgorithmThenPriorsOrNothing) {
    using Dropped = std::vector<std::pair<std::string, FileKindGuess>>;
    FileKindGuess refused;
    refused.refusal = "x.png is neither a data file nor an algorithm or priors file.";
    const struct {
        const char* name;
        Dropped dropped;
        std::vector<KnownFile> files;
        const char* refusalPiece;  // empty: no refusal
    } cases[] = {
        {"one", {{"/a.alg", Known(FileKind::Algorithm)}}, {{FileKind::Algorithm, "/a.alg"}}, ""},
        {"all four, any order",
         {{"/k.pri", Known(FileKind::Priors)},
          {"/a.alg", Known(FileKind::Algorithm)},
          {"/i.dat", Known(FileKind::Increments)},
          {"/f.dat", Known(FileKind::Frequencies)}},
         {{FileKind::Frequencies, "/f.dat"},
          {FileKind::Increments, "/i.dat"},
          {FileKind::Algorithm, "/a.alg"},
          {FileKind::Priors, "/k.pri"}},
         ""},
        {"two algorithm files",
         {{"/a.alg", Known(FileKind::Algorithm)}, {"/b.alg", Known(FileKind::Algorithm)}},
         {},
         "Only one file of algorithm data can be opened at a time: a.alg and b.alg were both dropped."},
        {"one unknown among them",
         {{"/a.alg", Known(FileKind::Algorithm)}, {"/x.png", refused}},
         {},
         "x.png is neither a data file nor an algorithm or priors file.\r\nNone of the dropped files was opened."},
        {"data of unknown kind", {{"/e.dat", Known(FileKind::Data)}}, {}, "e.dat holds size frequencies or growth"},
    };
    for (const auto& c : cases) {
        const DropPlan plan = PlanDrop(c.dropped);
        EXPECT_EQ(plan.files, c.files) << c.name;
        if (std::string(c.refusalPiece).empty())
            EXPECT_EQ(plan.refusal, "") << c.name;
        else
            EXPECT_NE(plan.refusal.find(c.refusalPiece), std::string::npos) << c.name << ": " << plan.refusal;
    }
}

namespace {

// A command menu over a four-parameter model whose set-up records the data
// files it was given, with algorithm and priors files in a scratch folder.
struct Opening {
    Opening() : model(4, Quadratic({1, 2, 3, 4}), "Four squares"), wb(t.ports(), &model), menu(wb) {
        std::filesystem::create_directories(dir);
        menu.modelSetUp = [this] { return InitialiseModel(wb); };
        menu.modelSetUpWithFiles = [this](const std::string& f, const std::string& i) {
            setUps.push_back({f, i});
            return setUpAccepted && InitialiseModel(wb);
        };
        menu.openEditor = [] {};
        menu.openPriors = [] {};
        menu.openPriorsFile = [this](const std::string& path) { priorsOpened.push_back(path); };
        menu.fileOpened = [this](FileKind kind, const std::string& path) { opened.push_back({kind, path}); };
        menu.Load();
        menu.Show();
    }
    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = dir + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    std::string Algorithm(const std::string& name, double first) {
        AlgorithmData a;
        a.np = 4;
        SetDefaultAlgorithmData(a, 4);
        a.value[1] = first;
        return Write(name, FormatAlgorithmFile(a, AlgorithmWriter::CommandMenu));
    }

    std::string dir = ::testing::TempDir() + "open-files/";
    TestPorts t;
    FunctionModel model;
    Workbench wb;
    CommandMenu menu;
    std::vector<std::pair<std::string, std::string>> setUps;
    std::vector<std::string> priorsOpened;
    std::vector<KnownFile> opened;
    bool setUpAccepted = true;
};

}  // namespace

TEST(OpenFiles, NamedFilesGoThroughTheMenuCommandsInOrder) {
    Opening o;
    const std::string alg = o.Algorithm("fit.alg", 7.5);
    const std::string pri = o.Write("k.pri", "4\r\n");
    const std::string freq = o.Write("f.dat", "Mid S1\n1.25 3\n3.75 4\n");
    const std::string inc = o.Write("i.dat", "Set,Init,Incr,Start,End\n1,1,2,3,4\n1,2,2,3,4\n");

    // Priors before the model is initialised: refused, saying what comes first.
    o.t.dialogs.ExpectMessage("Open file", "once the model is initialised and its algorithm data are loaded");
    o.menu.OpenNamedFiles({{FileKind::Priors, pri}});
    EXPECT_TRUE(o.priorsOpened.empty());

    // A drop of all four: one set-up with both data files, the algorithm
    // data read without a question, then the priors dialogue.
    o.menu.OpenDropped({pri, alg, inc, freq});
    EXPECT_TRUE(o.t.dialogs.AllDone());
    ASSERT_EQ(o.setUps.size(), 1u);
    EXPECT_EQ(o.setUps[0], (std::pair{freq, inc}));
    EXPECT_EQ(o.wb.alg.fileName, alg);
    EXPECT_EQ(o.wb.alg.value[1], 7.5);
    EXPECT_EQ(o.t.status.Get(panels::AlgorithmFile), "Algorithm file: " + alg);
    EXPECT_EQ(o.opened, (std::vector<KnownFile>{{FileKind::Algorithm, alg}}));
    EXPECT_EQ(o.priorsOpened, std::vector<std::string>{pri});

    // A file written by "Save algorithm data" is told too; a cancelled save is not.
    o.menu.Show();
    const std::string saved = o.dir + "saved.alg";
    o.t.dialogs.ExpectFile("Save algorithm data in...", saved);
    o.menu.Click(menu::SaveAlg);
    o.t.dialogs.ExpectFile("Save algorithm data in...", std::nullopt);
    o.menu.Click(menu::SaveAlg);
    EXPECT_TRUE(o.t.dialogs.AllDone());
    EXPECT_EQ(o.opened, (std::vector<KnownFile>{{FileKind::Algorithm, alg}, {FileKind::Algorithm, saved}}));
}

TEST(OpenFiles, ANamedFileThatFailsSaysSoAsTheDialogueWouldAndStops) {
    Opening o;
    const std::string broken = o.Write("broken.alg", "not an algorithm file\r\n");
    const std::string pri = o.Write("k.pri", "4\r\n");
    InitialiseModel(o.wb);
    o.menu.Load();
    // The read's own message; the priors after it are not opened.
    o.t.dialogs.ExpectMessage("Problem Reading Algorithm File!", "not properly formatted");
    o.menu.OpenNamedFiles({{FileKind::Algorithm, broken}, {FileKind::Priors, pri}});
    EXPECT_TRUE(o.t.dialogs.AllDone());
    EXPECT_TRUE(o.priorsOpened.empty());
    EXPECT_TRUE(o.opened.empty());
    EXPECT_TRUE(o.menu.Enabled(menu::LoadAlg));

    // A missing file gives the same message as one picked in the dialogue.
    o.t.dialogs.ExpectMessage("Problem Reading Algorithm File!", "could not be opened");
    o.menu.OpenNamedFiles({{FileKind::Algorithm, o.dir + "gone.alg"}});
    EXPECT_TRUE(o.t.dialogs.AllDone());
}

TEST(OpenFiles, ACancelledSetUpOpensNothingAfterIt) {
    Opening o;
    ASSERT_TRUE(InitialiseModel(o.wb));  // an earlier model stays initialised
    o.menu.Load();
    const std::string alg = o.Algorithm("after.alg", 2.0);
    o.setUpAccepted = false;
    o.menu.OpenNamedFiles({{FileKind::Increments, o.dir + "i.dat"}, {FileKind::Algorithm, alg}});
    EXPECT_EQ(o.setUps.size(), 1u);
    EXPECT_TRUE(o.opened.empty());
    EXPECT_TRUE(o.wb.alg.fileName.empty());
    EXPECT_TRUE(o.t.dialogs.AllDone());
}

TEST(OpenFiles, ADropThatCannotOpenIsRefusedWhole) {
    Opening o;
    const std::string alg = o.Algorithm("fit.alg", 1.0);
    const std::string png = o.Write("plot.png", std::string("\x89PNG\r\n\0\0", 9));
    o.t.dialogs.ExpectMessage("Open file", "plot.png is not a text file");
    o.menu.OpenDropped({alg, png});
    EXPECT_TRUE(o.t.dialogs.AllDone());
    EXPECT_TRUE(o.opened.empty());

    // A data file that reads both ways: the user says which (or cancels).
    const std::string either = o.Write("either.dat", "a b c d e\n1 2 3 4 5\n2 2 3 4 5\n");
    o.t.dialogs.ExpectMessage("Open file", "Does either.dat hold size frequencies?", Answer::No);
    o.menu.OpenDropped({either});
    ASSERT_EQ(o.setUps.size(), 1u);
    EXPECT_EQ(o.setUps[0], (std::pair{std::string(), either}));
    o.t.dialogs.ExpectMessage("Open file", "Does either.dat hold size frequencies?", Answer::Cancel);
    o.menu.OpenDropped({either});
    EXPECT_EQ(o.setUps.size(), 1u);

    // While a window stands in for the menu nothing opens.
    o.menu.Hide();
    o.t.dialogs.ExpectMessage("Open file", "please finish with the window in front");
    o.menu.OpenDropped({alg});
    EXPECT_TRUE(o.t.dialogs.AllDone());
    EXPECT_TRUE(o.opened.empty());
}
