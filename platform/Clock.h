#pragma once
#include <cstdint>
#include <string>

namespace corvane {

// The system date and time as texts ("mm/dd/yyyy", "hh:mm:ss") and a timer
// in seconds since midnight, with fractions.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::string DateText() const = 0;
    virtual std::string TimeText() const = 0;
    virtual double SecondsSinceMidnight() const = 0;
    // A timer for pacing long work: seconds from an arbitrary start that
    // never go back (not even at midnight) and cost little to read.
    virtual double PacingSeconds() const { return SecondsSinceMidnight(); }
};

class SystemClock : public Clock {
public:
    std::string DateText() const override;
    std::string TimeText() const override;
    double SecondsSinceMidnight() const override;
    double PacingSeconds() const override;
};

// A clock that shows a fixed moment; tests advance it by hand.
class FixedClock : public Clock {
public:
    FixedClock(int month, int day, int year, int hour, int minute, double second = 0.0);
    std::string DateText() const override;
    std::string TimeText() const override;
    double SecondsSinceMidnight() const override { return seconds_; }
    void Advance(double seconds) { seconds_ += seconds; }

private:
    int month_, day_, year_;
    double seconds_;
};

// Uniform random numbers in [0, 1).
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void Seed(std::uint64_t seed) = 0;
    virtual double Uniform() = 0;
};

// A 64-bit generator (splitmix64 seeding xoshiro256**): the same seed gives
// the same sequence on every machine.
class DefaultRandom : public RandomSource {
public:
    explicit DefaultRandom(std::uint64_t seed = 1);
    void Seed(std::uint64_t seed) override;
    double Uniform() override;
    std::uint64_t NextBits();

private:
    std::uint64_t s_[4];
};

}  // namespace corvane
