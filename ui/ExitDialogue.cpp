#include "ui/ExitDialogue.h"

#include <fstream>
#include <sstream>
#include <vector>

#include "engine/modCorvane.h"
#include "numeric/Format.h"
#include "priors/PriorsFile.h"
#include "ranking/RankingForm.h"

namespace corvane {

namespace {

constexpr const char* kNotSaved = "they have not been saved";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

// "1", "1 and 3", "1, 3 and 4".
std::string Listed(const std::vector<int>& numbers) {
    std::string text;
    for (std::size_t k = 0; k < numbers.size(); ++k) {
        if (k > 0) text += k + 1 == numbers.size() ? " and " : ", ";
        text += NumberText(static_cast<long long>(numbers[k]));
    }
    return text;
}

// The parameters whose lines differ (line k + first is parameter k), and
// whether any line after them does.
std::string Differences(const std::vector<std::string>& now, const std::vector<std::string>& saved, int first,
                        int parameters, const char* rest) {
    std::vector<int> changed;
    bool restChanged = false;
    const std::size_t n = std::max(now.size(), saved.size());
    for (std::size_t i = 0; i < n; ++i) {
        const std::string a = i < now.size() ? now[i] : std::string();
        const std::string b = i < saved.size() ? saved[i] : std::string();
        if (a == b) continue;
        const int k = static_cast<int>(i) - first + 1;
        if (k >= 1 && k <= parameters)
            changed.push_back(k);
        else
            restChanged = true;
    }
    std::string text;
    if (!changed.empty()) text = (changed.size() == 1 ? "parameter " : "parameters ") + Listed(changed);
    if (restChanged && rest) text += (text.empty() ? std::string() : std::string(" and ")) + rest;
    if (restChanged && !rest && text.empty()) text = "the parameter count";
    return text;
}

std::string ChangesSentence(const std::string& changes, const std::string& file) {
    if (changes == kNotSaved) return "They have not been saved to a file yet.";
    const std::size_t slash = file.find_last_of('/');
    return "Changed since " + (slash == std::string::npos ? file : file.substr(slash + 1)) +
           " was loaded or saved: " + changes + ".";
}

}  // namespace

std::string AlgorithmChanges(const AlgorithmData& now, std::istream* saved) {
    if (!saved) return kNotSaved;
    AlgorithmData read = now;
    if (!ReadAlgorithmText(*saved, now.np, now.fileName, read).ok()) return kNotSaved;
    // The reader sets no file output; the comparison is of what a save writes.
    read.fileFrequency = now.fileFrequency;
    return Differences(Lines(FormatAlgorithmFile(now, AlgorithmWriter::CommandMenu)),
                       Lines(FormatAlgorithmFile(read, AlgorithmWriter::CommandMenu)), 1, now.np, "the run settings");
}

std::string PriorChanges(const PriorTable& now, std::istream* saved) {
    if (!saved) return kNotSaved;
    const PriorsReadResult read = ReadPriorsText(*saved, now.Size());
    if (!read.ok()) return kNotSaved;
    PriorTable table = now;
    table.rows = read.rows;
    return Differences(Lines(FormatPriorsFile(now)), Lines(FormatPriorsFile(table)), 1, now.Size(), nullptr);
}

bool ExitDialogue(Workbench& wb, const std::function<bool()>& savePriors, RankingForm* ranking) {
    Dialogs& d = wb.ports.dialogs;
    if (d.MessageBox("Exit Corvane", "Do you want to quit Corvane?", Buttons::YesNo, Icon::Question, true) !=
        Answer::Yes)
        return false;

    // Ranking results live only in their window: they are lost unless saved.
    if (ranking && ranking->IsOpen() && !ranking->UnsavedChanges().empty() &&
        d.MessageBox("What about ranking results!", ranking->SaveQuestion(), Buttons::YesNo, Icon::Question) ==
            Answer::Yes &&
        !ranking->SaveRanking())
        return false;

    // Without a model and algorithm data there is nothing to save; data just
    // loaded or saved are not asked about.
    const bool haveData = wb.app.modelInitialised && !wb.alg.fileName.empty();
    if (haveData) {
        std::ifstream file(wb.alg.fileName, std::ios::binary);
        const std::string changes = AlgorithmChanges(wb.alg, file ? &file : nullptr);
        if (!changes.empty() && d.MessageBox("What about algorithm data?",
                                             "Save algorithm data?" + std::string(CRLF) + CRLF +
                                                 ChangesSentence(changes, wb.alg.fileName),
                                             Buttons::YesNo, Icon::Question) == Answer::Yes) {
            if (!WriteAlgorithmFile(wb, AlgorithmWriter::CommandMenu)) return false;
        }
    }

    if (!wb.priorTable.AllUniformUnbounded()) {
        std::ifstream file;
        if (!wb.priorTable.fileName.empty()) file.open(wb.priorTable.fileName, std::ios::binary);
        const std::string changes = PriorChanges(wb.priorTable, file.is_open() ? &file : nullptr);
        if (!changes.empty() && d.MessageBox("What about Bayesian priors?",
                                             "Save Bayesian priors?" + std::string(CRLF) + CRLF +
                                                 ChangesSentence(changes, wb.priorTable.fileName),
                                             Buttons::YesNo, Icon::Question) == Answer::Yes) {
            const bool saved = savePriors ? savePriors() : WritePriorsFile(wb, PriorsWriter::Exit);
            if (!saved) return false;
        }
    }

    wb.runLog.Close();
    wb.ports.status.Set(panels::PriorsFile, "Bayesian priors file: ");
    return true;
}

}  // namespace corvane
