#pragma once
// The priors file (.pri): the parameter count on line 1, then one line per
// parameter in fixed columns:
//   1-3 parameter number, 7 type code, 8-18 and 19-29 first-term mean and SD,
//   30-40 and 41-51 second-term mean and SD (or "Unused"), 55- type name.
#include <istream>
#include <string>

#include "numeric/OneBased.h"
#include "priors/PriorTable.h"

namespace corvane {

class Clock;
class Workbench;

inline constexpr int kPriorsNumberWidth = 11;

// A number in its 11-column field (picture " 0.000E+000"); a negative number
// takes the minus sign in place of the leading space, so it fits and reads
// back as written.
std::string PriorsFileNumber(double value);

// One parameter's line, without its line end.
std::string PriorsFileLine(int parameter, const PriorRow& row);

// The whole file, CR LF line ends.
std::string FormatPriorsFile(const PriorTable& table);

struct PriorsReadResult {
    enum class Status { Ok, CountMismatch, TooFewLines, BadLine, TooManyLines, NotText };
    Status status = Status::Ok;
    long long count = 0;  // the parameter count on line 1
    int line = 0;         // the refused line (BadLine), counted from 1
    std::string problem;  // what is wrong with it (NotText: why the file is not text)
    Vec1<PriorRow> rows;  // 1..n when Ok
    bool ok() const { return status == Status::Ok; }
};

// Reads a priors file for a model of n parameters.  Columns 1-6 and 52
// onwards are ignored: parameters are taken in line order.  Every row must
// be sound (PriorRowProblem) and carry a letter as its type code; its
// first-term fields must be numbers or blank (0), present when the type
// uses them, and its second terms "Unused", a number or blank.  Non-empty
// lines after the n rows are refused (TooManyLines, line of the first).
PriorsReadResult ReadPriorsText(std::istream& in, int n);

// The message of a refused file (title "Bayes information").
std::string PriorsRefusalText(const PriorsReadResult& result, const std::string& path, int n);

// Reads an opened priors file into the workbench's prior table, with the
// loaded or refused message.  A refused file leaves every prior
// uniform-unbounded and sets the load failed flag.  Priors are in use
// afterwards exactly when some type is not U.  True when loaded.
bool ReadPriorsFile(Workbench& wb, const std::string& path, std::istream& in);

// The date-time stamp that names a priors file before it is saved:
// characters 1-2 and 4-5 of the date text, then of the time text.
std::string PriorsStamp(const Clock& clock);

// Who saves decides the status text: the editor shows the bare name, the
// exit questions the full path.
enum class PriorsWriter { Editor, Exit };

// Asks for a path and writes the table (through a temporary file, so a
// failed write leaves an earlier file whole).  False when cancelled or
// when the file could not be written (the user is told).
bool WritePriorsFile(Workbench& wb, PriorsWriter writer);

}  // namespace corvane
