#include "priors/PriorsFile.h"

#include <cctype>
#include <algorithm>
#include <cstdint>
#include <cmath>

#include "engine/modCorvane.h"
#include "numeric/DateTimeName.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"

namespace corvane {

namespace {

constexpr const char* kInfoTitle = "Bayes information";
constexpr const char* kDefaultsLoaded = "Therefore default (uniform-unbounded) priors have been loaded instead.";

std::string SecondTermField(const std::string& text) {
    if (text == kUnusedTerm) return RightJustify(kUnusedTerm, kPriorsNumberWidth);
    return PriorsFileNumber(LeadingNumber(text));
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string PriorsFileNumber(double value) {
    std::string text = Format(value, " 0.000E+000");
    if (text.size() > 1 && text[0] == '-' && text[1] == ' ') text.erase(1, 1);
    return RightJustify(text, kPriorsNumberWidth);
}

std::string PriorsFileLine(int parameter, const PriorRow& row) {
    const std::string number = (parameter >= 0 ? " " : "") + NumberText(parameter);
    return RightJustify(number, 3) + "   " + std::string(1, row.type) + PriorsFileNumber(row.firstMean) +
           PriorsFileNumber(row.firstSD) + SecondTermField(row.secondMean) + SecondTermField(row.secondSD) + "   " +
           PriorTypeName(row.type);
}

std::string FormatPriorsFile(const PriorTable& table) {
    std::string text = Format(table.Size(), "#0") + CRLF;
    for (int i = 1; i <= table.Size(); ++i) text += PriorsFileLine(i, table.rows[i]) + CRLF;
    return text;
}

PriorsReadResult ReadPriorsText(std::istream& in, int n) {
    PriorsReadResult result;
    LineReader reader(in);
    std::string line;
    auto notText = [&] {
        result.status = PriorsReadResult::Status::NotText;
        result.line = static_cast<int>(std::min<long long>(reader.LinesRead() + 1, INT32_MAX));
        result.problem = reader.NotText();
        return result;
    };
    if (!reader.Next(line) && !reader.NotText().empty()) return notText();
    const NumberField count = ParseNumberField(line);
    if (!count.Usable()) {
        result.status = PriorsReadResult::Status::BadLine;
        result.line = 1;
        result.problem = "the number of parameters " + NumberFieldProblem(count, line);
        return result;
    }
    result.count = std::fabs(count.value) < 1e15 ? static_cast<long long>(std::nearbyint(count.value)) : 0;
    if (result.count != n) {
        result.status = PriorsReadResult::Status::CountMismatch;
        return result;
    }
    Vec1<PriorRow> rows(n);
    for (int i = 1; i <= n; ++i) {
        if (!reader.Next(line)) {
            if (!reader.NotText().empty()) return notText();
            result.status = PriorsReadResult::Status::TooFewLines;
            result.line = i;
            return result;
        }
        auto refuse = [&](std::string why) {
            result.status = PriorsReadResult::Status::BadLine;
            result.line = i + 1;
            result.problem = std::move(why);
            return result;
        };
        const std::string code = Field(line, 7, 1);
        const char type = code.empty() ? ' ' : static_cast<char>(std::toupper(static_cast<unsigned char>(code[0])));
        if (type < 'A' || type > 'Z') return refuse("column 7 holds no type code");
        // A code of none of the nine would silently contribute nothing.
        if (PriorTypeName(type).empty())
            return refuse(std::string("column 7 holds ") + type + ", which is none of the type codes " +
                          kPriorTypeCodes);
        PriorRow& row = rows[i];
        row.type = type;
        // Text, NaN or an overflow would otherwise read as 0 and load; a
        // uniform-unbounded row uses no terms, so its line may stop early.
        const struct {
            int first;
            const char* name;
            double* into;
        } terms[] = {{8, "first-term mean", &row.firstMean}, {19, "first-term SD", &row.firstSD}};
        for (const auto& t : terms) {
            const NumberField f = ReadNumberField(line, t.first, 11);
            if (f.kind == NumberField::Kind::Missing && type == 'U') continue;
            if (!f.Usable())
                return refuse(std::string("the ") + t.name + " (columns " + NumberText(t.first) + "-" +
                              NumberText(t.first + 10) + ") " + NumberFieldProblem(f, line));
            *t.into = f.value;
        }
        row.secondMean = Trim(Field(line, 30, 11));
        row.secondSD = Trim(Field(line, 41, 11));
        const struct {
            int first;
            const char* name;
            const std::string* text;
        } seconds[] = {{30, "second-term mean", &row.secondMean}, {41, "second-term SD", &row.secondSD}};
        for (const auto& t : seconds) {
            if (*t.text == kUnusedTerm) continue;
            const NumberField f = ParseNumberField(*t.text);
            if (!f.Usable())
                return refuse(std::string("the ") + t.name + " (columns " + NumberText(t.first) + "-" +
                              NumberText(t.first + 10) + ") " + NumberFieldProblem(f, line) + " nor \"" +
                              kUnusedTerm + "\"");
        }
        if (const auto problem = PriorRowProblem(row)) return refuse(*problem);
    }
    // A row beyond the count belongs to another model, or the count is wrong.
    while (reader.Next(line)) {
        if (Trim(line).empty()) continue;
        result.status = PriorsReadResult::Status::TooManyLines;
        result.line = static_cast<int>(std::min<long long>(reader.LinesRead(), INT32_MAX));
        return result;
    }
    if (!reader.NotText().empty()) return notText();
    result.rows = std::move(rows);
    return result;
}

std::string PriorsRefusalText(const PriorsReadResult& r, const std::string& path, int n) {
    const std::string head = "Bayesian priors file  " + path + "  ";
    std::string why;
    switch (r.status) {
        case PriorsReadResult::Status::Ok:
            return "";
        case PriorsReadResult::Status::CountMismatch:
            why = "has " + NumberText(r.count) + " parameters, but your model specifies " + NumberText(n) + ".";
            break;
        case PriorsReadResult::Status::TooFewLines:
            why = "ends after " + NumberText(r.line - 1) + " of its " + NumberText(n) + " parameter lines.";
            break;
        case PriorsReadResult::Status::BadLine:
            if (r.line == 1)
                why = "line 1: " + r.problem + ".";
            else
                why = "line " + NumberText(r.line) + " (parameter " + NumberText(r.line - 1) + "): " + r.problem + ".";
            break;
        case PriorsReadResult::Status::TooManyLines:
            why = "line " + NumberText(r.line) + " is beyond its " + NumberText(n) +
                  " parameter lines: the file holds more rows than its count.";
            break;
        case PriorsReadResult::Status::NotText:
            why = r.problem + ".";
            break;
    }
    return head + why + CRLF + kDefaultsLoaded;
}

bool ReadPriorsFile(Workbench& wb, const std::string& path, std::istream& in) {
    const int n = wb.alg.np;
    PriorsReadResult result = ReadPriorsText(in, n);
    PriorTable& table = wb.priorTable;
    if (table.Size() != n) table.rows.resize(n);
    if (!result.ok()) {
        wb.ports.dialogs.MessageBox(kInfoTitle, PriorsRefusalText(result, path, n), Buttons::OK, Icon::Critical);
        table.ResetRows();
        wb.alg.loadFailed = 1;
        wb.engine.priorsInUse = false;
        return false;
    }
    table.rows = std::move(result.rows);
    table.fileName = path;
    wb.ports.dialogs.MessageBox(kInfoTitle, "Bayesian Priors file " + path + " has been loaded", Buttons::OK,
                                Icon::Information);
    wb.engine.priorsInUse = !table.AllUniformUnbounded();
    return true;
}

std::string PriorsStamp(const Clock& clock) { return DateTimeName(clock.DateText(), clock.TimeText(), ""); }

bool WritePriorsFile(Workbench& wb, PriorsWriter writer) {
    PriorTable& table = wb.priorTable;
    std::string initial = table.fileName.empty() ? PriorsStamp(wb.ports.clock) : table.fileName;
    if (!EndsWith(initial, ".pri")) initial += ".pri";
    FileRequest request;
    request.save = true;
    request.title = "Save Bayesian priors file in...";
    request.filter = std::string("All files (*.*)|*.*|") + "Bayesian prior files (*.pri)|*.pri";
    request.selectedFilter = 2;
    request.initialName = initial;
    request.overwritePrompt = true;
    const auto path = wb.ports.dialogs.FileDialog(request);
    if (!path || path->empty()) return false;

    if (const WriteResult r = WriteFileSafely(*path, FormatPriorsFile(table)); !r) {
        wb.ports.dialogs.MessageBox(request.title,
                                    "The Bayesian priors file " + *path + " could not be written (" + r.reason +
                                        "); nothing was saved.",
                                    Buttons::OK, Icon::Exclamation);
        return false;
    }
    table.fileName = *path;
    wb.ports.status.Set(panels::PriorsFile,
                        "Bayesian priors file: " + (writer == PriorsWriter::Editor ? BareName(*path) : *path));
    return true;
}

}  // namespace corvane
