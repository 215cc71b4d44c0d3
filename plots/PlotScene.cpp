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
    // Okabe and Ito's palette, darkest first, without its yellow (too pale
    // on white).
    static constexpr Rgb kColours[] = {{0, 114, 178},  {213, 94, 0},  {0, 158, 115}, {204, 121, 167},
                                       {230, 159, 0},  {86, 180, 233}, {60, 60, 60}};
    constexpr int n = static_cast<int>(sizeof kColours / sizeof kColours[0]);
    return kColours[((index % n) + n) % n];
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
