#pragma once
// Files the desktop opens without its file dialogues: the recent files kept
// between runs, and files dropped on the main window.  The rules live here,
// without a toolkit; the main window stores the list and forwards the drops.
#include <cstddef>
#include <functional>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// What a file holds.  Data is a data file that reads both as size
// frequencies and as growth increments (the user says which).
enum class FileKind { Frequencies, Increments, Data, Algorithm, Priors };

// "size-frequency data", "growth increment data", "data", "algorithm data",
// "Bayesian priors".
std::string KindName(FileKind kind);

struct KnownFile {
    FileKind kind;
    std::string path;
    bool operator==(const KnownFile&) const = default;
};

// The recent files: most recent first, each path once, at most kMost.
class RecentFiles {
public:
    static constexpr std::size_t kMost = 8;

    // Puts the file first (a path already listed moves there, with this kind).
    void Add(FileKind kind, const std::string& path);
    void Remove(const std::string& path);
    const std::vector<KnownFile>& Entries() const { return entries_; }
    bool Empty() const { return entries_.empty(); }

    // One string per entry, as the settings keep them ("algorithm|/a/fit.alg").
    std::vector<std::string> Stored() const;
    // The list from stored strings; an entry not understood, a repeated
    // path and those beyond kMost are left out.
    static RecentFiles FromStored(const std::vector<std::string>& stored);

    // Picking entry `index`: the entry while its file exists; otherwise the
    // entry leaves the list and `message` says so (for the status bar).
    struct Picked {
        std::optional<KnownFile> file;
        std::string message;
    };
    Picked Pick(std::size_t index, const std::function<bool(const std::string&)>& exists);

    // The menu's text of entry `index`: "&1 fit.alg (algorithm data) - /a",
    // "&" doubled inside names.
    static std::string MenuText(std::size_t index, const KnownFile& file);

private:
    std::vector<KnownFile> entries_;
};

// What a file is, from its extension and then its first lines (`head`, read
// from the start of the file): the kind, or why it is not one the desktop
// opens.  An algorithm file starts "<n>  Number of parameters"; a priors file
// is a line with the parameter count, then "  1   <type letter> ..."; a data
// file is a label line and then records of numbers, frequencies when the
// first column (the midpoints) rises at every record, increments when every
// record has five numbers, the first (the set) a whole number that never falls.
struct FileKindGuess {
    std::optional<FileKind> kind;
    std::string refusal;
};
FileKindGuess KindOfFile(const std::string& path, std::istream& head);

// What a drop of several files opens, in order: data first (frequencies and
// increments together, into one set-up), then the algorithm data, then the
// priors.  Refused, saying why, when a file is not one of those or when two
// files would take the same place.
struct DropPlan {
    std::vector<KnownFile> files;  // in opening order
    std::string refusal;           // empty: open them
};
DropPlan PlanDrop(const std::vector<std::pair<std::string, FileKindGuess>>& dropped);

}  // namespace corvane
