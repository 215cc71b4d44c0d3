// corvane-cli template: the algorithm file the model's initialisation gives
// for a set-up, to be edited rather than written line by line.
#include <filesystem>
#include <ostream>

#include "cli/Command.h"
#include "cli/ModelOptions.h"
#include "engine/AlgorithmData.h"
#include "numeric/Format.h"

namespace corvane::cli {

namespace {

class Template : public Command {
    ModelOptions model;
    std::optional<std::string> outPath;
    bool overwrite = false;

    void Declare(Options& o) override {
        o.Usage(
            "corvane-cli template --increments FILE and/or --frequencies FILE [model options]\n"
            "                            --out FILE.alg [--overwrite]\n\n"
            "Writes the algorithm file for the set-up: every parameter with its description and its\n"
            "null value (the number in brackets: 0, Phi 1, the size-at-age selectivity -999), t0 at\n"
            "-999 when there are increment records (day-numbered, not size-at-age), every step 0 and\n"
            "the default settings.  Edit the values and give a step to each parameter to estimate,\n"
            "then run fit.  A joint analysis of 3 series with 2 identified age-classes has\n"
            "19 + 3 x 2 + 3 = 28 parameters:\n\n"
            "  corvane-cli template --increments inc.dat --frequencies freq.dat --series 3 \\\n"
            "      --identified 2 --blended 4 --birth-day 100 --age1 0 --out joint.alg");
        o.Text("--out", outPath, "FILE.alg",
               "write the file there (CR LF line ends); otherwise to standard\noutput");
        o.Flag("--overwrite", overwrite, "replace an existing --out file (refused otherwise)");
        model.Declare(o, false);  // the file is what this command makes
    }

    void Check(Options& o) override {
        std::error_code ec;
        // A device or FIFO (/dev/stdout) holds no file of the user's to lose.
        if (outPath && !overwrite && std::filesystem::is_regular_file(*outPath, ec))
            o.Refuse("option --out: " + *outPath + " exists (--overwrite replaces it)");
    }

    void Files(FileRoles& files) const override {
        model.Inputs(files);
        files.Output("--out", outPath);
    }

    int Run(std::ostream& out, std::ostream& err) override {
        auto session = OpenModelSession(model, err, false);
        AlgorithmData& a = session->wb.alg;
        SetDefaultAlgorithmData(a, a.np);
        a.value = TemplateValues(session->model.Settings());
        const std::string text = FormatAlgorithmFile(a, AlgorithmWriter::CommandMenu);
        if (!outPath) {
            out << text;
            return kExitOk;
        }
        if (const WriteResult r = WriteFileSafely(*outPath, text); !r) {
            err << MessagePrefix() << WriteFailureText(*outPath, r) << "\n";
            return kExitFailed;
        }
        err << MessagePrefix() << "algorithm file of " << NumberText(a.np) << " parameters written to " << *outPath
            << "\n";
        return kExitOk;
    }
};

const Register<Template> templateCommand{
    "template", "write the algorithm file of a set-up: every parameter with its null value, steps 0"};

}  // namespace

}  // namespace corvane::cli
