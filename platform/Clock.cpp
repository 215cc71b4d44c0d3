#include "platform/Clock.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace corvane {

namespace {

std::tm LocalNow(double* secondsSinceMidnight = nullptr) {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    if (secondsSinceMidnight) {
        const double fraction =
            duration_cast<microseconds>(now.time_since_epoch()).count() % 1000000 / 1e6;
        *secondsSinceMidnight = tm.tm_hour * 3600.0 + tm.tm_min * 60.0 + tm.tm_sec + fraction;
    }
    return tm;
}

std::string Two(int v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d", v % 100);
    return b;
}

}  // namespace

std::string SystemClock::DateText() const {
    const std::tm tm = LocalNow();
    return Two(tm.tm_mon + 1) + "/" + Two(tm.tm_mday) + "/" + std::to_string(tm.tm_year + 1900);
}

std::string SystemClock::TimeText() const {
    const std::tm tm = LocalNow();
    return Two(tm.tm_hour) + ":" + Two(tm.tm_min) + ":" + Two(tm.tm_sec);
}

double SystemClock::SecondsSinceMidnight() const {
    double s = 0.0;
    LocalNow(&s);
    return s;
}

double SystemClock::PacingSeconds() const {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

FixedClock::FixedClock(int month, int day, int year, int hour, int minute, double second)
    : month_(month), day_(day), year_(year), seconds_(hour * 3600.0 + minute * 60.0 + second) {}

std::string FixedClock::DateText() const {
    return Two(month_) + "/" + Two(day_) + "/" + std::to_string(year_);
}

std::string FixedClock::TimeText() const {
    const int whole = static_cast<int>(std::floor(seconds_));
    return Two(whole / 3600 % 24) + ":" + Two(whole / 60 % 60) + ":" + Two(whole % 60);
}

namespace {
std::uint64_t SplitMix(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}
std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
}  // namespace

DefaultRandom::DefaultRandom(std::uint64_t seed) { Seed(seed); }

void DefaultRandom::Seed(std::uint64_t seed) {
    std::uint64_t x = seed;
    for (auto& s : s_) s = SplitMix(x);
}

std::uint64_t DefaultRandom::NextBits() {
    const std::uint64_t result = Rotl(s_[1] * 5, 7) * 9;
    const std::uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = Rotl(s_[3], 45);
    return result;
}

double DefaultRandom::Uniform() { return static_cast<double>(NextBits() >> 11) * 0x1.0p-53; }

}  // namespace corvane
