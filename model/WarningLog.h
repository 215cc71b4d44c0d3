#pragma once
// Warning lines that evaluations add to the model's summary text.  A
// minimiser evaluates thousands of times, so each run keeps only its first
// warnings and counts the rest.
#include <string>
#include <unordered_map>
#include <vector>

namespace corvane {

class WarningLog {
public:
    explicit WarningLog(int limitPerRun = 100) : limit_(limitPerRun) {}

    // A new run starts (the engine's call number 1): the last run's warnings go.
    void BeginRun();
    // One warning, its lines each ended by CR LF.
    void Add(const std::string& lines);

    // The kept warnings, then a line saying how many more were suppressed.
    std::string Text() const;
    int Kept() const { return kept_; }
    long long Suppressed() const { return suppressed_; }

    // The same warnings once each, in the order first seen, with how often
    // each was added during the run (a minimiser repeats a record's warning at
    // every evaluation).  At most the limit are told apart; the rest are
    // counted by OtherWarnings().
    struct Distinct {
        std::string lines;
        long long count = 0;
    };
    const std::vector<Distinct>& DistinctWarnings() const { return distinct_; }
    long long OtherWarnings() const { return others_; }

private:
    int limit_;
    std::string text_;
    int kept_ = 0;
    long long suppressed_ = 0;
    std::vector<Distinct> distinct_;
    std::unordered_map<std::string, std::size_t> index_;
    long long others_ = 0;
};

// Warnings raised by pieces of one evaluation that ran side by side (records,
// age-classes), told to the log as one piece after another would have raised
// them: by key (the piece's place in that order), and in the order each
// piece raised its own.
class OrderedWarnings {
public:
    explicit OrderedWarnings(int threads) : byThread_(static_cast<std::size_t>(threads < 1 ? 1 : threads)) {}
    // From thread number `thread` (0 to threads - 1) only.
    void Add(int thread, long long key, std::string lines) {
        byThread_[static_cast<std::size_t>(thread)].list.push_back({key, std::move(lines), nullptr});
    }
    // A text the caller keeps unchanged until Tell (a warning made once and
    // raised at every evaluation), so nothing is copied.
    void Add(int thread, long long key, const std::string* lines) {
        byThread_[static_cast<std::size_t>(thread)].list.push_back({key, std::string(), lines});
    }
    void Tell(WarningLog& log);

private:
    struct Keyed {
        long long key;
        std::string lines;
        const std::string* kept;
        const std::string& Text() const { return kept ? *kept : lines; }
    };
    // A cache line each, so that threads adding at once do not take the
    // line from each other.
    struct alignas(64) ThreadList {
        std::vector<Keyed> list;
    };
    std::vector<ThreadList> byThread_;
};

}  // namespace corvane
