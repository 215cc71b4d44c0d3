// corvane-cli convert: increment or frequency data between the fixed-column
// files and CSV, either way, every value kept exactly.
#include <fstream>
#include <ostream>

#include "cli/Command.h"
#include "model/DataConvert.h"
#include "model/GrowthData.h"
#include "model/GrowthSettings.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"
#include "platform/SafeFile.h"
#include "platform/TextFile.h"

namespace corvane::cli {

namespace {

class Convert : public Command {
    std::vector<std::string> files;
    std::optional<DataKind> kind;

    void Declare(Options& o) override {
        o.Usage(
            "corvane-cli convert IN OUT [--kind increments|frequencies]\n\n"
            "Converts increment records or size-frequency series between the fixed-column data files\n"
            "and CSV: a CSV file IN becomes a fixed-column file OUT, a fixed-column file a CSV file.\n"
            "IN is CSV when its name ends in .csv or its first line is a CSV header naming the\n"
            "columns: set, initial_size, increment, start_day and end_day (in any order) for\n"
            "increments, midpoint and then one column per series for frequencies.  The kind is taken\n"
            "from that header, or from the label line of a fixed-column file (\"Set, ...\" or\n"
            "\"Midpoint ...\"), unless --kind gives it.  IN is read by the same reader as\n"
            "--increments and --frequencies, so damage is refused as they refuse it; every value is\n"
            "written exactly as read, and one that does not fit its fixed column (6 characters for\n"
            "increments, 8 for frequencies) is refused, never cut.  A CSV file is written with commas,\n"
            "a decimal point, full precision and CR LF line ends; a fixed-column file in the layout\n"
            "the readers take.");
        o.Positional(files);
        o.Choice<DataKind>("--kind", kind,
                           {{"increments", DataKind::Increments}, {"frequencies", DataKind::Frequencies}},
                       "the kind of data (default: from IN's first line)");
        o.Footer("Exit status 0 when OUT was written, 1 when it could not be, 2 on bad input (OUT is\n"
                 "then not touched).");
    }

    void Check(Options& o) override {
        if (files.size() != 2) o.Refuse("convert takes two file names, IN and OUT");
    }

    void Files(FileRoles& roles) const override {
        if (files.size() != 2) return;
        roles.Input("the input file IN", files[0]);
        roles.Output("OUT", files[1]);
    }

    int Run(std::ostream& out, std::ostream& err) override;
};

int Convert::Run(std::ostream&, std::ostream& err) {
    const std::string& in = files[0];
    const std::string& outPath = files[1];
    std::string first;
    {
        std::ifstream stream;
        if (const auto why = OpenTextFile(in, stream)) throw BadInput("IN could not be opened: " + in + " " + *why);
        LineReader reader(stream);
        reader.Next(first);
    }
    const bool csvIn = HasCsvName(in) || IsIncrementCsvHeader(first) || IsFrequencyCsvHeader(first);
    const std::optional<DataKind> k = kind ? kind : DataKindOf(first);
    if (!k)
        throw BadInput("cannot tell whether " + in +
                       " holds increments or frequencies from its first line; give --kind increments|frequencies");
    // A fixed-column file under a .csv name would be read as CSV later.
    if (csvIn && HasCsvName(outPath))
        throw BadInput("OUT " + outPath + " ends in .csv, but a CSV file IN is converted to fixed columns");

    std::string text, what;
    if (*k == DataKind::Increments) {
        IncrementData data;
        if (const auto problem = ReadIncrementFile(in, data)) throw BadInput(problem->title + ": " + problem->text);
        if (data.beyondLimit > 0)
            throw BadInput(in + " holds " + NumberText(data.beyondLimit) + " records after the first " +
                           NumberText(kMaxIncrementRecords) + ", more than the model takes; nothing was written");
        for (const std::string& warning : PlausibilityWarnings(data)) err << MessagePrefix() << "warning: " << warning << "\n";
        if (data.blankLines > 0)
            err << MessagePrefix() << NumberText(data.blankLines) << " blank lines among the records are left out\n";
        if (csvIn) {
            const FixedText fixed = IncrementFixedText(data);
            if (!fixed.text) throw BadInput(in + ", " + fixed.problem + "; nothing was written");
            text = *fixed.text;
        } else {
            text = IncrementCsvText(data);
        }
        what = NumberText(data.records) + (data.records == 1 ? " increment record" : " increment records");
    } else {
        const auto shape = FrequencyFileShapeOf(in);
        const int series = shape ? static_cast<int>(std::min<long long>(shape->series, kMaxParameters)) : 0;
        if (series < 1) throw BadInput("the frequency data file " + in + " holds no series");
        FrequencyData data;
        if (const auto problem = ReadFrequencyFile(in, series, 1, data))
            throw BadInput(problem->title + ": " + problem->text);
        if (csvIn) {
            const FixedText fixed = FrequencyFixedText(data, series);
            if (!fixed.text) throw BadInput(in + ", " + fixed.problem + "; nothing was written");
            text = *fixed.text;
        } else {
            text = FrequencyCsvText(data, series);
        }
        what = NumberText(series) + (series == 1 ? " series of " : " series of ") + NumberText(data.cells) + " cells";
    }
    if (const WriteResult r = WriteFileSafely(outPath, text); !r) {
        err << MessagePrefix() << WriteFailureText(outPath, r) << "\n";
        return kExitFailed;
    }
    err << MessagePrefix() << what << " written to " << outPath << (csvIn ? " in fixed columns" : " as CSV") << "\n";
    return kExitOk;
}

const Register<Convert> convertCommand{
    "convert", "convert increment or frequency data between fixed-column files and CSV, either way"};

}  // namespace

}  // namespace corvane::cli
