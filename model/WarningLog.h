#pragma once
// Warning lines that evaluations add to the model's summary text.  A
// minimiser evaluates thousands of times, so each run keeps only its first
// warnings and counts the rest.
#include <string>

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

private:
    int limit_;
    std::string text_;
    int kept_ = 0;
    long long suppressed_ = 0;
};

}  // namespace corvane
