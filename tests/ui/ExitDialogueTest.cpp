#include "ui/ExitDialogue.h"

#include <gtest/gtest.h>

#include <sstream>

#include "engine/modCorvane.h"
#include "priors/PriorsFile.h"
#include "support/ScriptedDialogs.h"
#include "support/TestModels.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

AlgorithmData Three() {
    AlgorithmData a;
    a.np = 3;
    SetDefaultAlgorithmData(a, 3);
    a.value[1] = 1.5, a.value[2] = -2.0, a.value[3] = 40.0;
    a.step[1] = 0.1;
    a.fileName = "/models/fit.alg";
    return a;
}

}  // namespace

TEST(ExitDialogue, AlgorithmChangesNameWhatASaveWouldKeep) {
    const std::string saved = FormatAlgorithmFile(Three(), AlgorithmWriter::CommandMenu);
    const struct {
        const char* name;
        std::function<void(AlgorithmData&)> change;
        std::string expected;
    } cases[] = {
        {"nothing", [](AlgorithmData&) {}, ""},
        // Below the seventh significant digit the file would read the same.
        {"beyond the file's digits", [](AlgorithmData& a) { a.value[3] = 40.0000000001; }, ""},
        {"one value", [](AlgorithmData& a) { a.value[2] = -2.5; }, "parameter 2"},
        {"a step and a fuse", [](AlgorithmData& a) { a.step[3] = 1.0, a.fuse[1] = "AB"; }, "parameters 1 and 3"},
        {"three and settings",
         [](AlgorithmData& a) { a.value[1] = a.value[2] = a.value[3] = 0.0, a.tolerance = 1e-4; },
         "parameters 1, 2 and 3 and the run settings"},
        {"settings only", [](AlgorithmData& a) { a.maxCalls = 50; }, "the run settings"},
    };
    for (const auto& c : cases) {
        AlgorithmData now = Three();
        c.change(now);
        std::istringstream file(saved);
        EXPECT_EQ(AlgorithmChanges(now, &file), c.expected) << c.name;
    }
    // No file, or one that does not read: never saved.
    EXPECT_EQ(AlgorithmChanges(Three(), nullptr), "they have not been saved");
    std::istringstream broken("not an algorithm file\n");
    EXPECT_EQ(AlgorithmChanges(Three(), &broken), "they have not been saved");
}

TEST(ExitDialogue, PriorChangesCompareWithTheirFile) {
    PriorTable table;
    table.Reset(3);
    table.rows[2].type = 'N';
    table.rows[2].firstMean = 5.0;
    table.rows[2].firstSD = 1.0;
    const std::string saved = FormatPriorsFile(table);
    std::istringstream same(saved);
    EXPECT_EQ(PriorChanges(table, &same), "");
    table.rows[3].type = 'E';
    table.rows[3].firstMean = 2.0;
    std::istringstream before(saved);
    EXPECT_EQ(PriorChanges(table, &before), "parameter 3");
    EXPECT_EQ(PriorChanges(table, nullptr), "they have not been saved");
}

TEST(ExitDialogue, DataJustSavedAreNotAskedAbout) {
    TestPorts t;
    FunctionModel model(2, Quadratic({0, 0}));
    Workbench wb(t.ports(), &model);
    ASSERT_TRUE(InitialiseModel(wb));
    SetDefaultAlgorithmData(wb.alg, 2);
    const std::string path = ::testing::TempDir() + "exit-just-saved.alg";
    wb.alg.fileName = path;
    wb.alg.value[1] = 3.0;
    ASSERT_TRUE(WriteFileSafely(path, FormatAlgorithmFile(wb.alg, AlgorithmWriter::CommandMenu)).Ok());
    // Saved: the only question is the first.
    t.dialogs.ExpectMessage("Exit Corvane", "", Answer::Yes);
    EXPECT_TRUE(ExitDialogue(wb, {}));
    EXPECT_TRUE(t.dialogs.AllDone());
    // Changed after the save: asked, naming the change and the file.
    wb.alg.value[2] = 1.0;
    t.dialogs.ExpectMessage("Exit Corvane", "", Answer::Yes)
        .ExpectMessage("What about algorithm data?",
                       "Save algorithm data?\r\n\r\nChanged since exit-just-saved.alg was loaded or saved: parameter 2.",
                       Answer::No);
    EXPECT_TRUE(ExitDialogue(wb, {}));
    EXPECT_TRUE(t.dialogs.AllDone());
}
