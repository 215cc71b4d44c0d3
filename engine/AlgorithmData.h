#pragma once
// The parameter vector with its run settings, and the algorithm file.
#include <cstdint>
#include <istream>
#include <string>

#include "numeric/OneBased.h"
#include "platform/SafeFile.h"  // WriteFileSafely, for the writers that include this

namespace corvane {

class Workbench;

struct AlgorithmData {
    int np = 0;  // set by the model
    Vec1<double> value;
    Vec1<double> step;
    Vec1<std::string> fuse;
    Vec1<std::string> description;

    double tolerance = 1e-6;  // >= 0 absolute, < 0 relative
    std::int32_t maxCalls = 9999;
    int terminalFrequency = 10;
    int fileFrequency = 0;
    std::string outputFileName = "minimize.cvl";
    double reductionFraction = 0.1;

    std::string fileName;   // full path of the file last loaded or saved
    std::string bareName;   // without directory and extension
    int loadFailed = 0;
    bool simplexCurrent = false;
};

inline constexpr const char* kUnfused = "~~";

// Sizes value, step and fuse to np and applies the default values.
void SetDefaultAlgorithmData(AlgorithmData& data, int np);

// A fuse field as the reader and the editor accept it: trimmed, upper-cased;
// "~~" unless its first and last characters are letters A to Z.
std::string NormaliseFuseCode(const std::string& field);

// Path without directory and without its last four characters.
std::string BareName(const std::string& path);

// A non-zero tolerance below 1E-06 in magnitude becomes +-1E-06.
double FloorTolerance(double tolerance);

// The name of output file as written: names of 15 characters or more are cut
// to what follows the last separator among their last 14 characters.
std::string ShortOutputFileName(const std::string& name);

struct AlgorithmReadResult {
    enum class Status { Ok, CountMismatch, TooManyLines, BadlyFormatted, TooFewLines, Unreadable, NotText };
    Status status = Status::Unreadable;
    std::string message;  // the text the reader shows for this status
    // Where the reader stopped and why: "Line 5, the step of parameter 4
    // (columns 17-30): \"1..2\" is not a number".  Empty when read.
    std::string detail;
    bool ok() const { return status == Status::Ok; }
    // The message with its detail, as a message box shows it.
    std::string Text() const;
};

// Reads an algorithm file for a model of np parameters.  On success the
// values, steps, fuse codes and settings of data are replaced (descriptions
// stay) and the file output frequency is 0; on failure data are untouched.
AlgorithmReadResult ReadAlgorithmText(std::istream& in, int np, const std::string& fileName, AlgorithmData& data);

enum class AlgorithmWriter { CommandMenu, MultiModel };

// The file's text, CR LF line ends, with the writer's label.
std::string FormatAlgorithmFile(const AlgorithmData& data, AlgorithmWriter writer);

// --- dialogues ------------------------------------------------------------

enum class LoadOutcome { Cancelled, FileDialogCancelled, Defaults, Loaded, Failed };

// "&Load algorithm data" from the command menu.
LoadOutcome LoadAlgorithmData(Workbench& wb);

// Loading a file already chosen (a recent file, a dropped one): as the
// command menu's load once its file dialogue has answered `path`.
LoadOutcome LoadAlgorithmDataFrom(Workbench& wb, const std::string& path);

// The multi-model statistics window's load: straight to the file dialogue.
LoadOutcome LoadAlgorithmDataForRanking(Workbench& wb);

// Opens, reads and reports; shared by both loads.  True on success.
bool ReadAlgorithmFile(Workbench& wb, const std::string& path);

// Asks for a name and writes the file; false when cancelled or not written.
bool WriteAlgorithmFile(Workbench& wb, AlgorithmWriter writer);

// A result file named for the algorithm file and beside it (fit.alg gives
// fit.cov), where the ranking and a later session look for it; `otherwise`
// before any algorithm file was loaded or saved.
std::string NamedForAlgorithm(const AlgorithmData& alg, const std::string& extension, const std::string& otherwise);

}  // namespace corvane
