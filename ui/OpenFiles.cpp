#include "ui/OpenFiles.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "numeric/FixedColumns.h"
#include "numeric/Format.h"

namespace corvane {

namespace {

// The names the settings keep: stable, whatever KindName says.
struct StoredKind {
    FileKind kind;
    const char* name;
};
constexpr StoredKind kStoredKinds[] = {{FileKind::Frequencies, "frequencies"},
                                       {FileKind::Increments, "increments"},
                                       {FileKind::Algorithm, "algorithm"},
                                       {FileKind::Priors, "priors"}};

std::string FileName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Folder(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return "";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Extension(const std::string& path) {
    const std::string name = FileName(path);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? std::string() : Lower(name.substr(dot));
}

std::string Trimmed(const std::string& line) {
    std::size_t first = 0, last = line.size();
    while (first < last && std::isspace(static_cast<unsigned char>(line[first]))) ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(line[last - 1]))) --last;
    return line.substr(first, last - first);
}

// A record's numbers, split at commas, semicolons, tabs and spaces; nullopt
// when a field is not a number.
std::optional<std::vector<double>> Numbers(const std::string& line) {
    std::vector<double> values;
    std::string field;
    auto flush = [&]() {
        if (field.empty()) return true;
        const auto v = StrictNumber(field);
        field.clear();
        if (!v) return false;
        values.push_back(*v);
        return true;
    };
    for (char c : line) {
        if (c == ',' || c == ';' || c == '\t' || c == ' ' || c == '\r') {
            if (!flush()) return std::nullopt;
        } else {
            field += c;
        }
    }
    if (!flush()) return std::nullopt;
    return values;
}

bool StartsAlgorithmFile(const std::string& first) {
    const std::string t = Trimmed(first);
    std::size_t i = 0;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
    return i > 0 && Lower(Trimmed(t.substr(i))).rfind("number of parameters", 0) == 0;
}

bool StartsPriorsFile(const std::string& first, const std::string& second) {
    const std::string count = Trimmed(first);
    if (count.empty() || !std::all_of(count.begin(), count.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return false;
    // "  1   N ...": the parameter number, then the type letter.
    const std::string row = Trimmed(second);
    std::size_t i = 0;
    while (i < row.size() && std::isdigit(static_cast<unsigned char>(row[i]))) ++i;
    if (i == 0 || i >= row.size() || !std::isspace(static_cast<unsigned char>(row[i]))) return false;
    const std::string rest = Trimmed(row.substr(i));
    return !rest.empty() && std::isalpha(static_cast<unsigned char>(rest[0])) &&
           (rest.size() == 1 || std::isspace(static_cast<unsigned char>(rest[1])));
}

}  // namespace

std::string KindName(FileKind kind) {
    switch (kind) {
        case FileKind::Frequencies: return "size-frequency data";
        case FileKind::Increments: return "growth increment data";
        case FileKind::Data: return "data";
        case FileKind::Algorithm: return "algorithm data";
        case FileKind::Priors: return "Bayesian priors";
    }
    return "";
}

// --- recent files -------------------------------------------------------------

void RecentFiles::Add(FileKind kind, const std::string& path) {
    if (path.empty() || kind == FileKind::Data) return;
    Remove(path);
    entries_.insert(entries_.begin(), KnownFile{kind, path});
    if (entries_.size() > kMost) entries_.resize(kMost);
}

void RecentFiles::Remove(const std::string& path) {
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [&](const KnownFile& f) { return f.path == path; }),
                   entries_.end());
}

std::vector<std::string> RecentFiles::Stored() const {
    std::vector<std::string> stored;
    for (const KnownFile& f : entries_)
        for (const StoredKind& k : kStoredKinds)
            if (k.kind == f.kind) stored.push_back(std::string(k.name) + "|" + f.path);
    return stored;
}

RecentFiles RecentFiles::FromStored(const std::vector<std::string>& stored) {
    RecentFiles recent;
    for (const std::string& s : stored) {
        const std::size_t bar = s.find('|');
        if (bar == std::string::npos || bar + 1 >= s.size()) continue;
        const std::string name = s.substr(0, bar);
        const std::string path = s.substr(bar + 1);
        const auto k = std::find_if(std::begin(kStoredKinds), std::end(kStoredKinds),
                                    [&](const StoredKind& sk) { return name == sk.name; });
        if (k == std::end(kStoredKinds)) continue;
        const bool listed = std::any_of(recent.entries_.begin(), recent.entries_.end(),
                                        [&](const KnownFile& f) { return f.path == path; });
        if (listed || recent.entries_.size() >= kMost) continue;
        recent.entries_.push_back(KnownFile{k->kind, path});
    }
    return recent;
}

RecentFiles::Picked RecentFiles::Pick(std::size_t index, const std::function<bool(const std::string&)>& exists) {
    Picked picked;
    if (index >= entries_.size()) return picked;
    const KnownFile file = entries_[index];
    if (exists(file.path)) {
        picked.file = file;
        return picked;
    }
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
    picked.message = file.path + " no longer exists: it was removed from the recent files";
    return picked;
}

std::string RecentFiles::MenuText(std::size_t index, const KnownFile& file) {
    auto escaped = [](const std::string& text) {
        std::string out;
        for (char c : text) {
            if (c == '&') out += '&';
            out += c;
        }
        return out;
    };
    std::string text = index < 9 ? "&" + NumberText(static_cast<long long>(index + 1)) + " " : std::string();
    text += escaped(FileName(file.path)) + " (" + KindName(file.kind) + ")";
    const std::string folder = Folder(file.path);
    if (!folder.empty()) text += " - " + escaped(folder);
    return text;
}

// --- what a file is -------------------------------------------------------------

FileKindGuess KindOfFile(const std::string& path, std::istream& head) {
    FileKindGuess guess;
    const std::string ext = Extension(path);
    if (ext == ".alg") {
        guess.kind = FileKind::Algorithm;
        return guess;
    }
    if (ext == ".pri") {
        guess.kind = FileKind::Priors;
        return guess;
    }
    const std::string name = FileName(path);
    const std::string opens = " Corvane opens data files (*.dat, *.csv), algorithm files (*.alg) and priors files (*.pri).";
    if (ext == ".cov" || ext == ".cvo" || ext == ".mlc" || ext == ".pos" || ext == ".mms") {
        guess.refusal = name + " holds results, not data, algorithm data or priors." + opens;
        return guess;
    }

    // Otherwise by the contents: at most a few hundred lines are looked at.
    std::vector<std::string> lines;
    std::string line;
    while (lines.size() < 400 && std::getline(head, line)) {
        if (line.find('\0') != std::string::npos) {
            guess.refusal = name + " is not a text file." + opens;
            return guess;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    if (!lines.empty() && StartsAlgorithmFile(lines[0])) {
        guess.kind = FileKind::Algorithm;
        return guess;
    }
    if (lines.size() >= 2 && StartsPriorsFile(lines[0], lines[1])) {
        guess.kind = FileKind::Priors;
        return guess;
    }

    // Data: the first line holds the labels; then records of numbers.
    bool frequencies = true, increments = true;
    int records = 0;
    double previous = 0.0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (Trimmed(lines[i]).empty()) continue;
        const auto values = Numbers(lines[i]);
        if (!values || values->size() < 2) {
            frequencies = increments = false;
            break;
        }
        const double first = (*values)[0];
        if (values->size() != 5 || first != std::floor(first)) increments = false;
        if (records > 0 && first <= previous) frequencies = false;
        if (records > 0 && first < previous) increments = false;
        previous = first;
        ++records;
    }
    if (records == 0) frequencies = increments = false;
    if (frequencies && increments)
        guess.kind = FileKind::Data;
    else if (frequencies)
        guess.kind = FileKind::Frequencies;
    else if (increments)
        guess.kind = FileKind::Increments;
    else
        guess.refusal = name + " is neither a data file nor an algorithm or priors file." + opens;
    return guess;
}

DropPlan PlanDrop(const std::vector<std::pair<std::string, FileKindGuess>>& dropped) {
    DropPlan plan;
    std::string refusals;
    for (const auto& [path, guess] : dropped)
        if (!guess.kind) refusals += (refusals.empty() ? "" : CRLF) + guess.refusal;
    if (!refusals.empty()) {
        plan.refusal = refusals + (dropped.size() > 1 ? std::string(CRLF) + "None of the dropped files was opened." : "");
        return plan;
    }
    const FileKind order[] = {FileKind::Frequencies, FileKind::Increments, FileKind::Algorithm, FileKind::Priors};
    for (FileKind kind : order) {
        std::vector<std::string> paths;
        for (const auto& [path, guess] : dropped)
            if (*guess.kind == kind) paths.push_back(path);
        if (paths.size() > 1) {
            plan.files.clear();
            plan.refusal = "Only one file of " + KindName(kind) + " can be opened at a time: " + FileName(paths[0]) +
                           " and " + FileName(paths[1]) + " were both dropped." + CRLF + "None of the dropped files was opened.";
            return plan;
        }
        if (!paths.empty()) plan.files.push_back(KnownFile{kind, paths[0]});
    }
    for (const auto& [path, guess] : dropped)
        if (*guess.kind == FileKind::Data) {
            plan.files.clear();
            plan.refusal = "Whether " + FileName(path) + " holds size frequencies or growth increments is not known.";
            return plan;
        }
    return plan;
}

}  // namespace corvane
