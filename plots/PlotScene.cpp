#include "plots/PlotScene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "numeric/Format.h"

namespace corvane {

bool AxisRange::Valid() const { return std::isfinite(lo) && std::isfinite(hi) && hi != lo; }

double LogicalX(double v, const AxisRange& x) { return frame::kLeft + (v - x.lo) / (x.hi - x.lo) * frame::kWidth; }

double LogicalY(double v, const AxisRange& y) { return frame::kBottom - (v - y.lo) / (y.hi - y.lo) * frame::kHeight; }

Rgb CurveColour(int index) {
    static constexpr Rgb kColours[kPaletteSize] = {
        // Okabe and Ito: black, orange, sky blue, bluish green, yellow, blue,
        // vermillion, reddish purple.
        {0x00, 0x00, 0x00}, {0xE6, 0x9F, 0x00}, {0x56, 0xB4, 0xE9}, {0x00, 0x9E, 0x73},
        {0xF0, 0xE4, 0x42}, {0x00, 0x72, 0xB2}, {0xD5, 0x5E, 0x00}, {0xCC, 0x79, 0xA7},
        // Tol's bright: blue, cyan, green, yellow, red, purple, grey.
        {0x44, 0x77, 0xAA}, {0x66, 0xCC, 0xEE}, {0x22, 0x88, 0x33}, {0xCC, 0xBB, 0x44},
        {0xEE, 0x66, 0x77}, {0xAA, 0x33, 0x77}, {0xBB, 0xBB, 0xBB},
        // Tol's muted: indigo, cyan, teal, green, olive, sand, rose, wine, purple.
        {0x33, 0x22, 0x88}, {0x88, 0xCC, 0xEE}, {0x44, 0xAA, 0x99}, {0x11, 0x77, 0x33},
        {0x99, 0x99, 0x33}, {0xDD, 0xCC, 0x77}, {0xCC, 0x66, 0x77}, {0x88, 0x22, 0x55},
        {0xAA, 0x44, 0x99}};
    if (index >= 0 && index < kPaletteSize) return kColours[index];
    // Past the table (a frequency plot with dozens of age-classes): hues a
    // golden angle apart at two depths, distinct from each other and from
    // the table, if no longer safe for every reader.
    const int k = index < 0 ? -index : index - kPaletteSize;
    const double hue = std::fmod(k * 137.50776405, 360.0) / 60.0;
    const double value = (k / 3) % 2 == 0 ? 0.55 : 0.80;
    const double chroma = value * 0.85, m = value - chroma;
    const double x = chroma * (1.0 - std::fabs(std::fmod(hue, 2.0) - 1.0));
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(hue)) {
    case 0: r = chroma, g = x; break;
    case 1: r = x, g = chroma; break;
    case 2: g = chroma, b = x; break;
    case 3: g = x, b = chroma; break;
    case 4: r = x, b = chroma; break;
    default: r = chroma, b = x; break;
    }
    auto byte = [m](double c) { return static_cast<std::uint8_t>(std::lround((c + m) * 255.0)); };
    return {byte(r), byte(g), byte(b)};
}

namespace {

// The smallest of 1, 2, 5 times a power of ten that is at least raw.
double NiceStep(double raw) {
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw * (1.0 - 1e-9)) return m * power;
    return 10.0 * power;
}

std::string Fixed(double v, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
    std::string s = buffer;
    if (s.find_first_of("123456789") == std::string::npos && s[0] == '-') s.erase(0, 1);  // no "-0.0"
    return s;
}

std::string Scientific(double v, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*E", decimals, v);
    std::string s = buffer;
    // "1.50E+06" keeps at least two exponent digits, as the reports write them.
    return s;
}

}  // namespace

std::vector<Tick> NiceTicks(const AxisRange& range, int target) {
    std::vector<Tick> ticks;
    if (!range.Valid()) return ticks;
    const double lo = std::min(range.lo, range.hi);
    const double hi = std::max(range.lo, range.hi);
    target = std::max(target, 1);
    const double step = NiceStep((hi - lo) / target);
    if (!(step > 0.0) || !std::isfinite(step)) return ticks;
    const double first = std::ceil(lo / step - 1e-9) * step;
    const double maxAbs = std::max(std::fabs(lo), std::fabs(hi));
    const int stepPower = static_cast<int>(std::floor(std::log10(step) + 1e-9));
    const bool scientific = maxAbs >= 1e6 || stepPower < -4;
    for (int k = 0; k < 1000; ++k) {
        double v = first + k * step;
        if (v > hi + step * 1e-9) break;
        if (std::fabs(v) < step * 1e-9) v = 0.0;
        Tick t;
        t.value = v;
        if (scientific) {
            const int topPower = static_cast<int>(std::floor(std::log10(maxAbs)));
            t.label = Scientific(v, std::max(0, topPower - stepPower));
        } else {
            t.label = Fixed(v, std::max(0, -stepPower));
        }
        ticks.push_back(std::move(t));
    }
    return ticks;
}

std::string PanelNumber(double value, const char* picture) {
    if (!std::isfinite(value)) return "n/a";
    const double m = std::fabs(value);
    if (m != 0.0 && (m < 1e-3 || m >= 1e7)) return Format(value, "0.0000E+00");
    return Format(value, picture);
}

}  // namespace corvane
