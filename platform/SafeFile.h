#pragma once
// The one way this program writes a file.  A regular file is written to a
// temporary file of a unique name beside it, synced and then renamed over
// it, so a reader (or a second run writing the same name) only ever sees the
// old file or a whole new one; a failed write leaves the old file as it was.
// The new file keeps the old one's permission bits.  A symbolic link is
// followed and the file it names is replaced.  A target that is not a
// regular file (a terminal, /dev/null, a FIFO) is written directly.
#include <string>
#include <string_view>

namespace corvane {

// How a write ended: the system's reason ("No space left on device") when
// it failed, empty when the file was written.
struct WriteResult {
    std::string reason;
    bool Ok() const { return reason.empty(); }
    explicit operator bool() const { return Ok(); }
};

// Writes the bytes to path as described above.
WriteResult WriteFileSafely(const std::string& path, std::string_view bytes);

// "could not write PATH (reason)", for the messages of the callers.
std::string WriteFailureText(const std::string& path, const WriteResult& result);

// A file written piece by piece (the run log).  A new file is created at
// once and grows as it is written; an existing regular file is kept whole
// until Commit puts the complete new one in its place.
class SafeFileWriter {
public:
    SafeFileWriter() = default;
    ~SafeFileWriter() { Abandon(); }
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    // A new file made under its own name (it grows as it is written), or
    // as a temporary file renamed at Commit (a whole file or none).
    enum class NewFile { InPlace, Temporary };
    WriteResult Open(const std::string& path, NewFile newFile = NewFile::InPlace);
    bool IsOpen() const { return fd_ >= 0; }
    // True while an existing file waits to be replaced at Commit.
    bool Replacing() const { return !temporary_.empty(); }
    WriteResult Write(std::string_view bytes);
    // Syncs and puts the file in its place (the target, or with partial its
    // PartialPath); closed afterwards either way.
    WriteResult Commit(bool partial = false);
    // Closes without replacing anything: a temporary file is removed, an
    // existing target is left as it was.
    void Abandon();

private:
    int fd_ = -1;
    std::string target_;     // the file meant, symbolic links followed
    std::string temporary_;  // empty when the target itself is written
    bool regular_ = true;    // false: a device or FIFO, written directly
};

// Where a run that was stopped puts what it finished: "FILE.partial".
std::string PartialPath(const std::string& path);

// True when both names lead to one existing regular file (device and inode,
// links and other spellings included).  A device or FIFO never counts: it
// holds nothing to overwrite.
bool SameRegularFile(const std::string& a, const std::string& b);

// A file-size limit (ulimit -f) would end the program with SIGXFSZ at the
// first write past it; ignored, the write fails with "File too large" and is
// reported like any other failure.  Called once at program start.
void IgnoreFileSizeSignal();

}  // namespace corvane
