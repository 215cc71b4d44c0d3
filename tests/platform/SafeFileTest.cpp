// The safe writer: what each kind of target becomes, what a failed write
// leaves, and the run log's piecewise writer.
#include "platform/SafeFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using corvane::PartialPath;
using corvane::SafeFileWriter;
using corvane::SameRegularFile;
using corvane::WriteFileSafely;
using corvane::WriteResult;

struct Folder {
    fs::path dir;
    Folder() {
        char name[] = "/tmp/corvane-safefile-XXXXXX";
        dir = ::mkdtemp(name);
    }
    ~Folder() { fs::remove_all(dir); }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    std::string Write(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
        return Path(name);
    }
    // Everything in the folder: a temporary file left behind shows here.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

mode_t Mode(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode;
}

mode_t Umask() {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

TEST(SafeFile, EachKindOfTargetEndsAsItShould) {
    const struct {
        std::string name;
        // Makes the target in the folder; returns the name written to.
        std::function<std::string(const Folder&)> make;
        std::vector<std::string> namesAfter;  // the folder afterwards: no temporary file left
        std::string fileRead;                 // the file that holds the new text
        mode_t mode;                          // its permission bits
    } cases[] = {
        {"a new file", [](const Folder& f) { return f.Path("new.dat"); }, {"new.dat"}, "new.dat", 0666 & ~Umask()},
        {"a 0600 file keeps 0600",
         [](const Folder& f) {
             const std::string p = f.Write("old.dat", "old");
             ::chmod(p.c_str(), 0600);
             return p;
         },
         {"old.dat"}, "old.dat", 0600},
        {"a 0640 file keeps 0640",
         [](const Folder& f) {
             const std::string p = f.Write("old.dat", "old");
             ::chmod(p.c_str(), 0640);
             return p;
         },
         {"old.dat"}, "old.dat", 0640},
        {"a link: the file it names is replaced, the link stays",
         [](const Folder& f) {
             f.Write("real.dat", "old");
             ::symlink("real.dat", f.Path("link.dat").c_str());
             return f.Path("link.dat");
         },
         {"link.dat", "real.dat"}, "real.dat", 0666 & ~Umask()},
        {"a link to a file not made yet creates it",
         [](const Folder& f) {
             ::symlink("later.dat", f.Path("link.dat").c_str());
             return f.Path("link.dat");
         },
         {"later.dat", "link.dat"}, "later.dat", 0666 & ~Umask()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Folder f;
        const std::string target = c.make(f);
        const WriteResult r = WriteFileSafely(target, "new text\r\n");
        ASSERT_TRUE(r.Ok()) << r.reason;
        EXPECT_EQ(f.Names(), c.namesAfter);
        EXPECT_EQ(Read(f.Path(c.fileRead)), "new text\r\n");
        EXPECT_EQ(Mode(f.Path(c.fileRead)) & 07777, c.mode);
        EXPECT_TRUE(S_ISREG(Mode(f.Path(c.fileRead))));
        if (target != f.Path(c.fileRead)) {
            struct stat st {};
            ASSERT_EQ(::lstat(target.c_str(), &st), 0);
            EXPECT_TRUE(S_ISLNK(st.st_mode));
        }
    }
}

TEST(SafeFile, ADeviceOrFifoIsWrittenDirectlyAndStaysWhatItWas) {
    EXPECT_TRUE(WriteFileSafely("/dev/null", "text").Ok());
    EXPECT_TRUE(S_ISCHR(Mode("/dev/null")));

    Folder f;
    const std::string fifo = f.Path("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = Read(fifo); });
    const WriteResult r = WriteFileSafely(fifo, "through the pipe");
    reader.join();
    EXPECT_TRUE(r.Ok()) << r.reason;
    EXPECT_EQ(received, "through the pipe");
    EXPECT_TRUE(S_ISFIFO(Mode(fifo)));
    EXPECT_EQ(f.Names(), std::vector<std::string>{"pipe"});
}

TEST(SafeFile, AFailedWriteLeavesTheOldFileAndNamesTheSystemsReason) {
    corvane::IgnoreFileSizeSignal();
    Folder f;
    const std::string old = f.Write("old.dat", "the good result");
    const struct {
        std::string name;
        std::string path;
        std::string reason;
        rlim_t sizeLimit;  // 0: none
    } cases[] = {
        {"a full disk", "/dev/full", "No space left on device", 0},
        {"a directory", f.dir.string(), "Is a directory", 0},
        {"a missing folder", f.Path("missing/x.dat"), "No such file or directory", 0},
        {"a file-size limit", old, "File too large", 4096},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        rlimit saved {};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        if (c.sizeLimit) {
            rlimit tight = saved;
            tight.rlim_cur = c.sizeLimit;
            ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
        }
        const WriteResult r = WriteFileSafely(c.path, std::string(100000, 'x'));
        ::setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_FALSE(r.Ok());
        EXPECT_EQ(r.reason, c.reason);
        EXPECT_EQ(Read(old), "the good result");
        EXPECT_EQ(f.Names(), std::vector<std::string>{"old.dat"});
    }
    EXPECT_EQ(corvane::WriteFailureText("/dev/full", {"No space left on device"}),
              "could not write /dev/full (No space left on device)");
}

TEST(SafeFile, APiecewiseWriterReplacesAnOldFileOnlyWhenCommitted) {
    const struct {
        std::string name;
        bool oldFile;
        int end;  // 0 commit, 1 commit as partial, 2 abandon
        std::string fileAfter, partialAfter;
    } cases[] = {
        {"new file, committed", false, 0, "line 1\r\nline 2\r\n", ""},
        {"new file, stopped", false, 1, "", "line 1\r\nline 2\r\n"},
        {"new file, abandoned after a failure", false, 2, "line 1\r\nline 2\r\n", ""},
        {"old file, committed", true, 0, "line 1\r\nline 2\r\n", ""},
        {"old file, stopped", true, 1, "earlier log", "line 1\r\nline 2\r\n"},
        {"old file, abandoned after a failure", true, 2, "earlier log", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Folder f;
        const std::string path = f.Path("run.cvl");
        if (c.oldFile) f.Write("run.cvl", "earlier log");
        SafeFileWriter w;
        ASSERT_TRUE(w.Open(path).Ok());
        EXPECT_EQ(w.Replacing(), c.oldFile);
        ASSERT_TRUE(w.Write("line 1\r\n").Ok());
        ASSERT_TRUE(w.Write("line 2\r\n").Ok());
        // A new log grows where it is named; an old one is whole until the end.
        EXPECT_EQ(Read(path), c.oldFile ? "earlier log" : "line 1\r\nline 2\r\n");
        if (c.end == 2)
            w.Abandon();
        else
            ASSERT_TRUE(w.Commit(c.end == 1).Ok());
        EXPECT_EQ(fs::exists(path) ? Read(path) : "", c.fileAfter);
        EXPECT_EQ(fs::exists(PartialPath(path)) ? Read(PartialPath(path)) : "", c.partialAfter);
        for (const auto& name : f.Names()) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
    }
}

TEST(SafeFile, SameRegularFileGoesByDeviceAndInode) {
    Folder f;
    const std::string a = f.Write("a.dat", "a"), b = f.Write("b.dat", "a");
    ::link(a.c_str(), f.Path("hard.dat").c_str());
    ::symlink("a.dat", f.Path("soft.dat").c_str());
    EXPECT_TRUE(SameRegularFile(a, f.Path("hard.dat")));
    EXPECT_TRUE(SameRegularFile(a, f.Path("soft.dat")));
    EXPECT_TRUE(SameRegularFile(a, f.dir.string() + "/../" + f.dir.filename().string() + "/a.dat"));
    EXPECT_FALSE(SameRegularFile(a, b));                           // equal text, another file
    EXPECT_FALSE(SameRegularFile(a, f.Path("missing.dat")));       // not made yet
    EXPECT_FALSE(SameRegularFile("/dev/null", "/dev/null"));       // nothing there to lose
}

}  // namespace
