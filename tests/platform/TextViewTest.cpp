#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/SafeFile.h"
#include "platform/TextView.h"
#include "support/ScriptedDialogs.h"

using namespace corvane;
using namespace corvane::testing;

TEST(TextView, ButtonsOnlyActWhenEnabledAndVisible) {
    TextView v("frmTest", "Test", 2);
    int clicks = 0;
    v.AddButton("cmdStop", "&Interrupt", [&] { ++clicks; });
    int changes = 0;
    v.SetListener([&] { ++changes; });
    v.Click("cmdStop");
    v.SetButtonEnabled("cmdStop", false);
    v.Click("cmdStop");
    v.SetButtonEnabled("cmdStop", true);
    v.SetButtonVisible("cmdStop", false);
    v.Click("cmdStop");
    v.Click("cmdNone");
    EXPECT_EQ(clicks, 1);
    v.SetArea(2, "lower");
    v.AppendArea(2, " text");
    EXPECT_EQ(v.Area(2), "lower text");
    EXPECT_GE(changes, 4);
}

TEST(TextView, SaveWritesTheOriginalNameThenTheText) {
    ScriptedDialogs d;
    const auto path = (std::filesystem::temp_directory_path() / "corvane-save-test.cvo").string();
    FileRequest request;
    request.save = true;
    request.title = "Save results as...";
    d.ExpectFile("Save results as...", path);
    EXPECT_EQ(SaveTextResult(d, request, "line 1\r\nline 2"), path);
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    EXPECT_EQ(s.str(), "Originally saved with the file name: " + path + "\r\n\r\nline 1\r\nline 2");
    std::filesystem::remove(path);

    d.ExpectFile("Save results as...", std::nullopt);
    EXPECT_EQ(SaveTextResult(d, request, "x"), "");

    // A save that cannot be written leaves the earlier file whole and says
    // why (a file-size limit far below the text).
    {
        std::ofstream old(path, std::ios::binary);
        old << "earlier results";
    }
    IgnoreFileSizeSignal();
    rlimit saved {};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit tight = saved;
    tight.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    d.ExpectFile("Save results as...", path)
        .ExpectMessage("File not saved", "could not be written (File too large).");
    const std::string written = SaveTextResult(d, request, "new results");
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(written, "");
    std::ifstream kept(path, std::ios::binary);
    std::stringstream k;
    k << kept.rdbuf();
    EXPECT_EQ(k.str(), "earlier results");
    std::filesystem::remove(path);
}
