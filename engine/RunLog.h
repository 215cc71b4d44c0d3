#pragma once
// The run log of minimisations: the only file kept open across commands.
#include <fstream>
#include <string>

namespace corvane {

class Workbench;

class RunLog {
public:
    // Creates (or overwrites) the file; false when it cannot be created.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return out_.is_open(); }
    const std::string& Path() const { return path_; }

    // Text as given; WriteLine adds CR LF.  Flushed at once, so a log is
    // complete up to the last line even if the program is stopped.
    void Write(const std::string& text);
    void WriteLine(const std::string& text = "");

private:
    std::ofstream out_;
    std::string path_;
};

// The editor's "&Open": asks for a name, appends ".cvl", creates the file and
// sets the file output frequency to 10.  True when a log was opened.
bool OpenRunLog(Workbench& wb);

// The editor's "&Close": closes the log; the file output frequency becomes 0.
void CloseRunLog(Workbench& wb);

}  // namespace corvane
