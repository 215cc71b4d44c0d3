#include "model/SummaryDialogue.h"

#include <cmath>
#include <optional>
#include <string_view>

#include "engine/Threads.h"
#include "engine/modCorvane.h"
#include "numeric/FixedColumns.h"
#include "numeric/Format.h"

namespace corvane {

namespace {

constexpr double kStatusInterval = 0.1;  // seconds between progress texts

}  // namespace

int DialogueQuestions::Simulations() {
    // Asked again until the count is one a test can run; text that is not a
    // number reads as 0.
    for (;;) {
        const std::string answer = dialogs_.InputPrompt("More simulations improve chi-square estimate",
                                                        "Please enter the number of simulations for chi-square "
                                                        "calculation:",
                                                        "");
        const double value = std::nearbyint(LeadingNumber(answer));
        if (value >= 0.0 && value <= kMaxSimulations) return static_cast<int>(value);
    }
}

int DialogueQuestions::DetailsUpTo(int totalAges) {
    const std::string answer =
        dialogs_.InputPrompt("Age-class details",
                             "Provide details up to which age-class (last age-class always reported):",
                             NumberText(totalAges));
    const double value = std::nearbyint(LeadingNumber(answer));
    if (!(value > 0.0)) return 0;
    return value >= totalAges ? totalAges : static_cast<int>(value);
}

bool DialogueQuestions::Ask(const std::string& title, const std::string& text) {
    return dialogs_.MessageBox(title, text, Buttons::YesNo, Icon::Question) == Answer::Yes;
}

bool DialogueQuestions::FrequencyTable(int series) {
    return Ask("Frequency Summary", "Do you want to view the frequency data for series " + NumberText(series) + " ?");
}

bool DialogueQuestions::FrequencyChiSquare(int series) {
    return Ask("Frequency Chi-square",
               "Do you want to view the chi-square diagnostic for frequency series " + NumberText(series) + " ?" + CRLF);
}

bool DialogueQuestions::IncrementTable() { return Ask("Increment Summary", "Do you want to view the increment data?"); }

bool DialogueQuestions::IncrementChiSquare() {
    return Ask("Increment Chi-square", "Do you want to view the increment chi-square diagnostic?");
}

void DialogueQuestions::VeryUnlikely(const std::string& title, const std::string& text) {
    dialogs_.MessageBox(title, text, Buttons::OK, Icon::Information);
}

namespace {

// "Chi-square: Calculating simulation # " of "... # 12 of 100": what a stream
// of progress texts has in common.
std::string_view Activity(std::string_view text) { return text.substr(0, text.find_first_of("0123456789")); }

}  // namespace

void DialogueQuestions::Status(const std::string& text) {
    const double now = clock_.SecondsSinceMidnight();
    // A new activity shows at once; a stream of progress texts of one
    // activity only every tenth of a second (or after midnight).
    const bool due = Activity(text) != Activity(shown_) || now - lastShown_ >= kStatusInterval || now < lastShown_;
    if (!due || text == shown_) return;
    status_.Set(panels::Activity(1), text);
    shown_ = text;
    lastShown_ = now;
    dialogs_.ProcessEvents();
}

FileRequest SummarySaveRequest(const AlgorithmData* alg) {
    FileRequest r;
    r.save = true;
    r.title = "Save summary in...";
    r.filter = "All files (*.*)|*.*|Output files (*.cvo)|*.cvo";
    r.selectedFilter = 2;
    r.initialName = alg ? NamedForAlgorithm(*alg, ".cvo", "Varnel_Results.cvo") : "Varnel_Results.cvo";
    r.overwritePrompt = true;
    return r;
}

std::uint64_t DrawSeed(RandomSource& random) {
    // 53 random bits: the seed is written in the report, and a whole number
    // of that size reads back exactly wherever it is typed in again.
    return static_cast<std::uint64_t>(random.Uniform() * 9007199254740992.0);
}

GrowthSummary::GrowthSummary(Workbench& wb, GrowthModel& model)
    : wb_(wb), model_(model), view_("frmSummary", "Age-structured model output") {
    // 500 and 1000 twips from the left and top, 14000 by 10000 twips.
    view_.left = 33;
    view_.top = 67;
    view_.width = 933;
    view_.height = 667;
    view_.AddButton("cmdSave", "Save summary as...",
                    [this] { SaveTextResult(wb_.ports.dialogs, SummarySaveRequest(&wb_.alg), view_.Area(1)); });
    model_.SetSummaryHandler([this](const SummaryCall& call) { Run(call); });
}

GrowthSummary::~GrowthSummary() {
    model_.SetSummaryHandler({});
    wb_.ports.windows.Close(view_);
}

SummaryInput SummaryInputFor(const Workbench& wb, const GrowthModel& model, const SummaryCall& call) {
    SummaryInput in;
    in.threads = ResolveThreads(wb.threads);
    in.settings = &model.Settings();
    in.data = &model.Data();
    in.best = &model.Best();
    in.step = call.step;
    in.description = call.description;
    in.parameters = call.parameters;
    in.algorithmFile = wb.alg.fileName;
    in.priorsInUse = wb.engine.priorsInUse;
    if (in.priorsInUse) in.priorsFile = wb.priorTable.fileName;
    in.warnings = model.SummaryText();
    return in;
}

void ShowModelPlots(Workbench& wb, const GrowthModel& model, const std::function<Answer(int series)>& askSeries) {
    const GrowthSettings& s = model.Settings();
    const BestFit& best = model.Best();
    if (s.HasIncrements()) {
        Vec1<double> X = best.values;
        const IncrementTable table = ComputeIncrementTable(model.Data().increments, PrepareParameters(X, s));
        for (const XYPlotData& page : IncrementPlots(model.Data().increments, table))
            if (wb.plots->Show(page) == PlotAnswer::Quit) return;
        // Then the fit judged by its residuals, those of the increment table.
        for (const XYPlotData& page : IncrementResidualPlots(table))
            if (wb.plots->Show(page) == PlotAnswer::Quit) return;
    }
    if (!s.HasFrequencies()) return;
    const FrequencyData& frequencies = model.Data().frequencies;
    for (int series = 1; series <= s.series; ++series) {
        const Answer answer = askSeries(series);
        if (answer == Answer::Cancel) return;
        if (answer != Answer::Yes) continue;
        if (wb.plots->Show(FrequencyPlot(s, frequencies, best, series)) == PlotAnswer::Quit ||
            wb.plots->Show(FrequencyResidualPlot(s, frequencies, best, series)) == PlotAnswer::Quit)
            return;
    }
}

void GrowthSummary::Run(const SummaryCall& call) {
    Dialogs& dialogs = wb_.ports.dialogs;
    if (!model_.Best().stored) return;  // nothing evaluated yet: nothing to report

    const Answer plots = dialogs.MessageBox(
        "Model results",
        std::string("Choose 'Yes' to see increment and/or frequency plots then a summary") + CRLF + CRLF +
            "Choose 'No' if you only want a summary",
        Buttons::YesNo, Icon::Question);
    if (plots == Answer::Yes)
        ShowModelPlots(wb_, model_, [&](int series) {
            return dialogs.MessageBox("View plots?", "Do you want to see plots for series " + NumberText(series) + "?",
                                      Buttons::YesNoCancel, Icon::Question);
        });

    SummaryInput in = SummaryInputFor(wb_, model_, call);
    in.seed = DrawSeed(wb_.ports.random);

    DialogueQuestions questions(dialogs, wb_.ports.status, wb_.ports.clock);
    view_.ClearAreas();
    bool shown = false;
    BuildSummary(in, questions, [&](const std::string& text) {
        if (!shown) {
            wb_.ports.windows.Show(view_);
            shown = true;
        }
        view_.AppendArea(1, text);
    });
    wb_.ports.status.Clear(panels::Activity(1));
    dialogs.MessageBox("Summary", "Summary complete", Buttons::OK, Icon::Information);
}

}  // namespace corvane
