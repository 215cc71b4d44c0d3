#include "model/WarningLog.h"

#include <algorithm>

#include "numeric/Format.h"

namespace corvane {

void WarningLog::BeginRun() {
    text_.clear();
    kept_ = 0;
    suppressed_ = 0;
    distinct_.clear();
    index_.clear();
    others_ = 0;
}

void WarningLog::Add(const std::string& lines) {
    if (const auto it = index_.find(lines); it != index_.end())
        ++distinct_[it->second].count;
    else if (distinct_.size() < static_cast<std::size_t>(limit_)) {
        index_.emplace(lines, distinct_.size());
        distinct_.push_back({lines, 1});
    } else {
        ++others_;
    }
    if (kept_ >= limit_) {
        ++suppressed_;
        return;
    }
    text_ += lines;
    ++kept_;
}

std::string WarningLog::Text() const {
    if (suppressed_ == 0) return text_;
    return text_ + "Warning: " + NumberText(suppressed_) + " more warnings of this run were suppressed (only the first " +
           NumberText(limit_) + " are shown)" + CRLF;
}

void OrderedWarnings::Tell(WarningLog& log) {
    std::vector<Keyed> all;
    for (auto& t : byThread_)
        for (auto& w : t.list) all.push_back(std::move(w));
    std::stable_sort(all.begin(), all.end(), [](const Keyed& a, const Keyed& b) { return a.key < b.key; });
    for (const Keyed& w : all) log.Add(w.Text());
    for (auto& t : byThread_) t.list.clear();
}

}  // namespace corvane
