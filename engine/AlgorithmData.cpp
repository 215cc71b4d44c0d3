#include "engine/AlgorithmData.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>

#include "engine/modCorvane.h"
#include "numeric/DateTimeName.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"
#include "platform/TextFile.h"

namespace corvane {

void SetDefaultAlgorithmData(AlgorithmData& data, int np) {
    data.value.resize(np, 0.0);
    data.step.resize(np, 0.0);
    data.fuse.resize(np, kUnfused);
    data.tolerance = 1e-6;
    data.maxCalls = 9999;
    data.terminalFrequency = 10;
    data.fileFrequency = 0;
    data.outputFileName = "minimize.cvl";
    data.reductionFraction = 0.1;
}

std::string NormaliseFuseCode(const std::string& field) {
    const std::string code = ToUpper(Trim(field));
    if (code.empty()) return kUnfused;
    auto letter = [](char c) { return c >= 'A' && c <= 'Z'; };
    if (!letter(code.front()) || !letter(code.back())) return kUnfused;
    return code;
}

std::string BareName(const std::string& path) {
    const std::string name = AfterLastSeparator(path);
    return name.size() > 4 ? name.substr(0, name.size() - 4) : std::string();
}

double FloorTolerance(double tolerance) {
    if (tolerance != 0.0 && std::fabs(tolerance) < 1e-6) return tolerance < 0.0 ? -1e-6 : 1e-6;
    return tolerance;
}

std::string ShortOutputFileName(const std::string& name) {
    if (name.size() < 15) return name;
    const std::string last = name.substr(name.size() - 14);
    const std::size_t sep = last.find_last_of("/\\");
    return sep == std::string::npos ? last : last.substr(sep + 1);
}

namespace {

using Status = AlgorithmReadResult::Status;

AlgorithmReadResult Fail(Status status, std::string message, std::string detail = "") {
    return {status, std::move(message), std::move(detail)};
}

const char* kTooMany = "Algorithm file seems to have too many lines of information - better check it!";
const char* kBadlyFormatted =
    "Algorithm file seems to have inappropriate, badly formatted, or missing, information - better check it!";
const char* kTooFew = "Algorithm file seems to have too few lines of information - better check it!";

}  // namespace

std::string AlgorithmReadResult::Text() const {
    if (detail.empty()) return message;
    return message + CRLF + CRLF + detail;
}

AlgorithmReadResult ReadAlgorithmText(std::istream& in, int np, const std::string& fileName, AlgorithmData& data) {
    // A long line cannot belong to the layout, but it must still be counted
    // as one line: the reader cuts it rather than reading it whole.
    LineReader reader(in, 4096);
    std::string line;
    auto lineText = [&] { return "Line " + NumberText(reader.LinesRead()); };
    auto notText = [&] { return Fail(Status::NotText, "Algorithm file  " + fileName + "  " + reader.NotText()); };
    if (!reader.Next(line)) return reader.NotText().empty() ? Fail(Status::Unreadable, "") : notText();
    const auto count = StrictInteger(Field(line, 1, 14), -32768, 32767);
    if (!count) return Fail(Status::Unreadable, "", "Line 1 should hold the number of parameters in columns 1-14");
    if (*count != np) {
        return Fail(Status::CountMismatch, "Algorithm file  " + fileName + "  has " + NumberText(static_cast<long long>(*count)) +
                                               " parameters, but your model specifies " + NumberText(np));
    }

    AlgorithmData next = data;
    next.value.resize(np, 0.0);
    next.step.resize(np, 0.0);
    next.fuse.resize(np, kUnfused);
    const long long expected = static_cast<long long>(np) + 7;

    // Classifies a conversion or read error by where it happened; the detail
    // names the line and the field.
    auto classify = [&](const std::string& detail) {
        if (!reader.NotText().empty()) return notText();
        if (reader.LinesRead() > expected) return Fail(Status::TooManyLines, kTooMany, detail);
        if (!reader.AtEnd()) return Fail(Status::BadlyFormatted, kBadlyFormatted, detail);
        return Fail(Status::TooFewLines, kTooFew, detail);
    };
    auto ended = [&](const std::string& what) {
        return classify("The file ends after line " + NumberText(reader.LinesRead()) + ", before " + what + " (line " +
                        NumberText(reader.LinesRead() + 1) + " of " + NumberText(expected) + ")");
    };
    // A number in its right-justified field, or the reason it is none.
    auto number = [&](int first, int width, const std::string& what, std::string& problem) -> std::optional<double> {
        const NumberField f = ReadJustifiedField(line, first, width, reader.LineEnded());
        if (f.kind == NumberField::Kind::Number) return f.value;
        const std::string where = lineText() + ", " + what + " (columns " + NumberText(first) + "-" +
                                  NumberText(first + width - 1) + "): ";
        if (f.kind == NumberField::Kind::Empty || f.kind == NumberField::Kind::Missing)
            problem = where + "no number";
        else
            problem = where + NumberFieldProblem(f, line);
        return std::nullopt;
    };
    auto whole = [&](const std::string& what, long long low, long long high, std::string& problem) -> std::optional<long long> {
        const auto v = number(1, 14, what, problem);
        if (!v) return std::nullopt;
        const auto n = StrictInteger(Field(line, 1, 14), low, high);
        if (!n) problem = lineText() + ", " + what + " (columns 1-14): \"" + Trim(Field(line, 1, 14)) +
                          "\" is not a whole number from " + NumberText(low) + " to " + NumberText(high);
        return n;
    };

    std::string problem;
    for (int i = 1; i <= np; ++i) {
        if (!reader.Next(line)) return ended("the line of parameter " + NumberText(i));
        const std::string which = " of parameter " + NumberText(i);
        const auto value = number(1, 14, "the value" + which, problem);
        if (!value) return classify(problem);
        // The step is right-justified in columns 15-30: a number reaching
        // into column 16 has lost its start to the value's field.
        if (line.size() >= 16 && line[15] != ' ' && line[15] != '\t')
            return classify(lineText() + ", the step" + which + " (columns 17-30) starts before column 17");
        const auto step = number(17, 14, "the step" + which, problem);
        if (!step) return classify(problem);
        const std::string fuseField = Trim(Field(line, 33, 2));
        if (fuseField.empty())
            return classify(lineText() + ", the fuse code" + which + " (columns 33-34) is blank (\"~~\" leaves it unfused)");
        next.value[i] = *value;
        next.step[i] = *step;
        next.fuse[i] = NormaliseFuseCode(fuseField);
    }

    if (!reader.Next(line)) return ended("the tolerance");
    const auto tolerance = number(1, 14, "the tolerance for convergence", problem);
    if (!tolerance) return classify(problem);
    if (!reader.Next(line)) return ended("the maximum number of function calls");
    const auto maxCalls = whole("the maximum number of function calls or iterations", INT32_MIN, INT32_MAX, problem);
    if (!maxCalls) return classify(problem);
    if (!reader.Next(line)) return ended("the terminal output frequency");
    const auto terminal = whole("the terminal output frequency", -32768, 32767, problem);
    if (!terminal) return classify(problem);
    if (!reader.Next(line)) return ended("the file output frequency");
    const auto fileFreq = whole("the file output frequency", -32768, 32767, problem);
    if (!fileFreq) return classify(problem);
    if (!reader.Next(line)) return ended("the name of output file");
    const std::string outputName = Field(line, 1, 14);
    if (!reader.Next(line)) return ended("the step size reduction fraction");
    const auto reduction = number(1, 14, "the step size reduction fraction", problem);
    if (!reduction) return classify(problem);

    // One further non-empty line settles it; no need to read on.
    while (reader.Next(line))
        if (!Trim(line).empty())
            return Fail(Status::TooManyLines, kTooMany,
                        lineText() + " is beyond the " + NumberText(expected) + " lines of a model of " +
                            NumberText(np) + " parameters");
    if (!reader.NotText().empty()) return notText();

    next.tolerance = *tolerance;
    next.maxCalls = static_cast<std::int32_t>(*maxCalls);
    next.terminalFrequency = static_cast<int>(*terminal);
    next.fileFrequency = 0;  // a run log is never active right after a load
    (void)fileFreq;
    next.outputFileName = outputName;
    next.reductionFraction = *reduction;
    next.loadFailed = 0;
    data = std::move(next);
    return {Status::Ok, "", ""};
}

std::string FormatAlgorithmFile(const AlgorithmData& data, AlgorithmWriter writer) {
    const char* label =
        writer == AlgorithmWriter::CommandMenu ? "  Value, step then link for " : "  Value, step then link for: ";
    std::string out;
    out += RightJustify(Format(data.np, "###0"), 14) + "  Number of parameters" + CRLF;
    for (int i = 1; i <= data.np; ++i) {
        const std::string description = i <= data.description.size() ? data.description[i] : std::string();
        out += RightJustify(Format(data.value[i], "0.0000000E+00"), 14) +
               RightJustify(Format(data.step[i], "0.0000000E+00"), 16) + RightJustify(data.fuse[i], 4) + label +
               description + CRLF;
    }
    out += RightJustify(Format(data.tolerance, "0.0000000E+00"), 14) + "  Simplex limit (+ for ABS, - for REL)" + CRLF;
    out += RightJustify(Format(data.maxCalls, "####0"), 14) +
           "  Maximum # of function calls (simplex) or iterations (Marquardt)" + CRLF;
    out += RightJustify(Format(data.terminalFrequency, "####0"), 14) + "  Terminal output frequency" + CRLF;
    out += RightJustify(Format(data.fileFrequency, "####0"), 14) + "  File output frequency" + CRLF;
    out += RightJustify(data.outputFileName, 14) + "  Name of output file" + CRLF;
    out += RightJustify(Format(data.reductionFraction, "0.0000000E+00"), 14) + "  Step size reduction fraction" + CRLF;
    return out;
}

// --- dialogues ------------------------------------------------------------

namespace {

const char* kAlgorithmFilter = "All files (*.*)|*.*|Algorithm files (*.alg)|*.alg";

void ProblemReading(Workbench& wb, const std::string& detail = "") {
    wb.ports.dialogs.MessageBox("Problem Reading Algorithm File!",
                                std::string("Be suspicious that your algorithm file is not properly formatted") +
                                    (detail.empty() ? "" : std::string(CRLF) + CRLF + detail),
                                Buttons::OK, Icon::Critical);
}

void Succeeded(Workbench& wb, const std::string& statusName) {
    wb.alg.simplexCurrent = false;
    // Covariances describe the estimates they were computed at, not these.
    wb.app.covarianceCurrent = false;
    wb.ports.status.Set(panels::AlgorithmFile, "Algorithm file: " + statusName);
}

std::optional<std::string> AskForAlgorithmFile(Workbench& wb) {
    FileRequest request;
    request.save = false;
    request.title = "Open algorithm data file";
    request.filter = kAlgorithmFilter;
    request.selectedFilter = 2;
    request.initialName = wb.alg.fileName;
    return wb.ports.dialogs.FileDialog(request);
}

}  // namespace

bool ReadAlgorithmFile(Workbench& wb, const std::string& path) {
    const std::string previousName = wb.alg.fileName;
    const std::string previousBare = wb.alg.bareName;
    auto failed = [&]() {
        // A failed read keeps the data and the name in use before it.
        wb.alg.fileName = previousName;
        wb.alg.bareName = previousBare;
        wb.alg.loadFailed = 1;
        return false;
    };

    std::ifstream in;
    if (const auto why = OpenTextFile(path, in)) {
        failed();
        wb.ports.dialogs.MessageBox("Problem Reading Algorithm File!",
                                    "The algorithm file " + path + " could not be opened: it " + *why, Buttons::OK,
                                    Icon::Critical);
        return false;
    }
    wb.alg.fileName = path;
    wb.alg.bareName = BareName(path);
    const AlgorithmReadResult result = ReadAlgorithmText(in, wb.alg.np, path, wb.alg);
    if (result.ok()) {
        wb.alg.tolerance = FloorTolerance(wb.alg.tolerance);
        return true;
    }
    failed();
    // Reaching the end of the file sets the stream's fail state too; only a
    // failure of the device itself is a read failure.
    if (result.status == AlgorithmReadResult::Status::NotText) {
        wb.ports.dialogs.MessageBox("Problem Reading Algorithm File!", result.message, Buttons::OK, Icon::Critical);
    } else if (in.bad() || result.status == AlgorithmReadResult::Status::Unreadable) {
        ProblemReading(wb, result.detail);
    } else {
        wb.ports.dialogs.MessageBox("Algorithm file - information input failed", result.Text(), Buttons::OK,
                                    Icon::Information);
    }
    return false;
}

LoadOutcome LoadAlgorithmData(Workbench& wb) {
    wb.CloseProgressWindows();
    const Answer answer = wb.ports.dialogs.MessageBox(
        "Load algorithm data",
        std::string("Load an existing algorithm data file?") + CRLF + CRLF + "     Choose NO for default values",
        Buttons::YesNoCancel, Icon::Question);
    if (answer == Answer::Cancel) return LoadOutcome::Cancelled;
    if (answer == Answer::No) {
        SetDefaultAlgorithmData(wb.alg, wb.alg.np);
        const std::string name = DateTimeName(wb.ports.clock.DateText(), wb.ports.clock.TimeText(), ".alg");
        wb.alg.fileName = name;
        wb.alg.bareName = name;
        wb.alg.loadFailed = 0;
        wb.ports.dialogs.MessageBox("Default Algorithm Values",
                                    std::string("                     Algorithm data set to default values.") + CRLF +
                                        CRLF + "Algorithm file given the date-time based name: " + name,
                                    Buttons::OK, Icon::Information);
        Succeeded(wb, wb.alg.fileName);
        return LoadOutcome::Defaults;
    }
    const auto path = AskForAlgorithmFile(wb);
    if (!path || path->empty()) return LoadOutcome::FileDialogCancelled;
    if (!ReadAlgorithmFile(wb, *path)) return LoadOutcome::Failed;
    Succeeded(wb, wb.alg.fileName);
    return LoadOutcome::Loaded;
}

LoadOutcome LoadAlgorithmDataFrom(Workbench& wb, const std::string& path) {
    wb.CloseProgressWindows();
    if (!ReadAlgorithmFile(wb, path)) return LoadOutcome::Failed;
    Succeeded(wb, wb.alg.fileName);
    return LoadOutcome::Loaded;
}

LoadOutcome LoadAlgorithmDataForRanking(Workbench& wb) {
    const auto path = AskForAlgorithmFile(wb);
    if (!path || path->empty()) return LoadOutcome::FileDialogCancelled;
    if (!ReadAlgorithmFile(wb, *path)) return LoadOutcome::Failed;
    Succeeded(wb, wb.alg.bareName);
    return LoadOutcome::Loaded;
}

bool WriteAlgorithmFile(Workbench& wb, AlgorithmWriter writer) {
    if (wb.alg.fileName.empty()) {
        wb.alg.fileName = DateTimeName(wb.ports.clock.DateText(), wb.ports.clock.TimeText(), ".alg");
        wb.alg.bareName = wb.alg.fileName;
    }
    const std::string d = wb.model ? wb.model->DataFileShortName() : std::string();
    FileRequest request;
    request.save = true;
    request.overwritePrompt = true;
    request.title = "Save algorithm data in...";
    request.filter = std::string("All files (*.*)|*.*|") + "Algorithm files (*.alg)|*.alg|" + "Named for data file (" +
                     d + ".*)|" + d + ".*|";
    request.selectedFilter = writer == AlgorithmWriter::CommandMenu ? 3 : 2;
    request.initialName = writer == AlgorithmWriter::CommandMenu ? wb.alg.fileName : wb.alg.fileName + ".alg";
    const auto path = wb.ports.dialogs.FileDialog(request);
    if (!path || path->empty()) return false;

    wb.alg.fileName = *path;
    wb.alg.bareName = BareName(*path);
    wb.alg.outputFileName = ShortOutputFileName(wb.alg.outputFileName);
    if (const WriteResult r = WriteFileSafely(*path, FormatAlgorithmFile(wb.alg, writer)); !r) {
        wb.ports.dialogs.MessageBox("Save algorithm data in...",
                                    "The algorithm file " + *path + " could not be written (" + r.reason +
                                        "); nothing was saved.",
                                    Buttons::OK, Icon::Exclamation);
        return false;
    }
    wb.ports.status.Set(panels::AlgorithmFile,
                        "Algorithm file: " + (writer == AlgorithmWriter::CommandMenu ? wb.alg.fileName : wb.alg.bareName));
    return true;
}

std::string NamedForAlgorithm(const AlgorithmData& alg, const std::string& extension, const std::string& otherwise) {
    if (alg.fileName.empty()) return otherwise;
    const std::size_t slash = alg.fileName.find_last_of('/');
    const std::size_t dot = alg.fileName.find_last_of('.');
    // Only a dot in the file's own name starts its extension.
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash) &&
                              dot != (slash == std::string::npos ? 0 : slash + 1);
    return (hasExtension ? alg.fileName.substr(0, dot) : alg.fileName) + extension;
}

}  // namespace corvane
