#include "evaluation/DistributionColumns.h"

#include <algorithm>
#include <cmath>

#include "numeric/Csv.h"
#include "numeric/Format.h"

namespace corvane {

void ProfileColumns::Size(int points) {
    m = points < 0 ? 0 : points;
    for (Vec1<double>* v : {&x, &negLnL, &pdf, &normal, &cumulative, &ciMode, &ciMean}) v->resize(m, 0.0);
    xML = 0.0;
}

void ProfileColumns::Cut(int points) {
    if (points < 0) points = 0;
    if (points >= m) return;
    m = points;
    for (Vec1<double>* v : {&x, &negLnL, &pdf, &normal, &cumulative, &ciMode, &ciMean}) v->resizePreserve(m, 0.0);
}

namespace {

// One Simpson panel of two intervals starting at point h.
double Panel(const Vec1<double>& f, int h, double w) { return (2.0 * w / 6.0) * (f[h] + 4.0 * f[h + 1] + f[h + 2]); }

double Clamp1(double v) { return v > 1.0 ? 1.0 : v; }

// The share of the probability on the same side of the anchor a that lies
// between a and each point.
void RegionColumn(const ProfileColumns& c, int a, Vec1<double>& out) {
    if (a == 1) return;
    const double ca = c.cumulative[a];
    for (int i = 1; i <= c.m; ++i) {
        if (i <= a) {
            if (ca > 0.0) out[i] = (ca - c.cumulative[i]) / ca;
        } else if (1.0 - ca > 0.0) {
            out[i] = (c.cumulative[i] - ca) / (1.0 - ca);
        }
    }
}

}  // namespace

void DistributionColumns(ProfileColumns& c, double& mean, double& difference, double& sd, int r, double w) {
    const int m = c.m;
    if (r < 1 || r > m) return;

    // Relative to the mode.
    const double lr = c.negLnL[r];
    for (int i = 1; i <= m; ++i)
        if (i != r) c.negLnL[i] -= lr;
    c.negLnL[r] = 0.0;

    Vec1<double> p(m), xp(m), xxp(m);
    for (int i = 1; i <= m; ++i) {
        p[i] = std::exp(-c.negLnL[i]);
        xp[i] = c.x[i] * p[i];
        xxp[i] = c.x[i] * c.x[i] * p[i];
    }
    // Simpson panels (1,2,3), (3,4,5), ...: with an even m the last point
    // lies outside them.
    double a = 0.0, s1 = 0.0, s2 = 0.0;
    for (int h = 1; h <= m - 2; h += 2) {
        a += Panel(p, h, w);
        s1 += Panel(xp, h, w);
        s2 += Panel(xxp, h, w);
    }
    if (a > 0.0) {
        mean = s1 / a;
        const double v = s2 / a - mean * mean;
        sd = v >= 0.0 ? std::sqrt(v) : 0.0;
    }

    int q = 1;
    double best = std::fabs(c.x[1] - mean);
    for (int i = 2; i <= m; ++i) {
        if (std::fabs(mean - c.x[i]) < best) {
            best = std::fabs(mean - c.x[i]);
            q = i;
        }
    }

    const double twoPi = 8.0 * std::atan(1.0);
    for (int i = 1; i <= m; ++i) {
        if (a > 0.0) c.pdf[i] = p[i] / a;
        if (sd > 0.0) c.normal[i] = std::exp(-(c.x[i] - mean) * (c.x[i] - mean) / (2.0 * sd * sd)) / (std::sqrt(twoPi) * sd);
    }

    // Two chains: odd points from Simpson panels started at point 1, even
    // points from panels started at point 2 after a first rectangle.  The
    // even chain runs to the last point, so with an even m that point gets
    // its cumulative value too.
    c.cumulative[0] = 0.0;
    c.cumulative[1] = Clamp1(c.pdf[1] * w);
    if (m >= 2) c.cumulative[2] = Clamp1(c.cumulative[1] + c.pdf[2] * w);
    for (int h = 1; h + 2 <= m; h += 2) c.cumulative[h + 2] = Clamp1(c.cumulative[h] + Panel(c.pdf, h, w));
    for (int h = 3; h + 1 <= m; h += 2) c.cumulative[h + 1] = Clamp1(c.cumulative[h - 1] + Panel(c.pdf, h - 1, w));
    // The two chains estimate the same area by different rules; where one
    // runs ahead of the other (a peak at an end point: the rectangle gives
    // C_2 = w PDF_1, Simpson C_3 = w PDF_1 / 3) the column would step back.
    // A cumulative distribution never decreases.
    for (int i = 2; i <= m; ++i)
        if (c.cumulative[i] < c.cumulative[i - 1]) c.cumulative[i] = c.cumulative[i - 1];

    RegionColumn(c, r, c.ciMode);
    RegionColumn(c, q, c.ciMean);

    difference = c.xML - mean;
}

GridCheck CheckGrid(const ProfileColumns& c, double sd, int r, double w) {
    GridCheck g;
    const int m = c.m;
    if (r < 1 || r > m || !(w > 0.0)) return g;
    const double xr = c.x[r];
    // A point counts within one SD when it lies there but for rounding.
    const double reach = sd * (1.0 + 1e-9);
    for (int i = 1; i <= m; ++i)
        if (std::fabs(c.x[i] - xr) <= reach) ++g.pointsWithinSD;
    g.coarse = g.pointsWithinSD < kPointsWithinSD;
    if (g.coarse) {
        // The SD of so few points is itself poor; the curvature at the mode
        // is not: a normal's -ln[L] rises by w^2 / (2 SD^2) one step away.
        double rise = 0.0;
        int sides = 0;
        for (int i : {r - 1, r + 1})
            if (i >= 1 && i <= m && c.negLnL[i] > 0.0) rise += c.negLnL[i], ++sides;
        const double spread = sides > 0 ? w / std::sqrt(2.0 * rise / sides) : sd;
        g.finerStep = spread > 0.0 ? std::min(spread / 4.0, w / 2.0) : w / 10.0;
    }

    const double peak = c.pdf[r];
    if (peak > 0.0) {
        g.leftShare = c.pdf[1] / peak;
        g.rightShare = c.pdf[m] / peak;
    }
    g.cut = m >= 2 && (g.leftShare > kEndShare || g.rightShare > kEndShare);
    if (g.cut) {
        // The SD of the points kept understates a distribution cut short;
        // a normal's -ln[L] rises by d^2 / (2 SD^2) at distance d, so each
        // end gives an SD of its own.
        double spread = sd;
        for (int i : {1, m}) {
            const double d = std::fabs(c.x[i] - xr);
            if (c.negLnL[i] > 0.0 && d > 0.0) spread = std::max(spread, d / std::sqrt(2.0 * c.negLnL[i]));
        }
        g.widerStep = spread > 0.0 && m > 1 ? 8.0 * spread / (m - 1) : 2.0 * w;
        if (g.widerStep <= w) g.widerStep = 2.0 * w;
    }

    const std::string step = Format(w, "0.0000E+00");
    if (g.coarse)
        g.warnings.push_back("The grid is too coarse for this distribution: " + NumberText(g.pointsWithinSD) +
                             (g.pointsWithinSD == 1 ? " point lies" : " points lie") + " within one SD (" +
                             Format(sd, "0.0000E+00") + ") of the mode at step " + step + "; use a step of " +
                             Format(g.finerStep, "0.0000E+00") + " or less");
    if (g.cut) {
        const bool left = g.leftShare > kEndShare, right = g.rightShare > kEndShare;
        const double share = std::max(left ? g.leftShare : 0.0, right ? g.rightShare : 0.0);
        g.warnings.push_back(std::string("The grid does not reach the distribution's tail") +
                             (left && right ? "s" : "") + ": the density at the " +
                             (left && right ? "end points" : left ? "first point" : "last point") + " is " +
                             Format(100.0 * share, "0.0") + "% of the peak; use a step of " +
                             Format(g.widerStep, "0.0000E+00") + " so that the " + NumberText(m) +
                             " points span 4 SD on each side of the mode");
    }
    return g;
}

namespace {

std::string Number15(double v) { return RightJustify(Format(v, "0.0000E+000   "), 15); }

std::string PercentDiff(const DistributionSummary& s) {
    // With an expected value of exactly 0 the percentage has no meaning.
    if (s.mean == 0.0) return RightJustify("Undefined", 15);
    return Number15(s.difference * 100.0 / s.mean);
}

std::string DataText(const std::string& title, const std::string& heading, const ProfileColumns& c,
                     const DistributionSummary& s, bool priorColumns) {
    std::string t = title + CRLF + CRLF + heading + CRLF;
    for (int i = 1; i <= c.m; ++i) {
        t += RightJustify(Format(i, "##0"), 5) + "    " + Number15(c.x[i]) + Number15(c.negLnL[i]) + Number15(c.pdf[i]);
        if (priorColumns)
            t += Number15(c.cumulative[i]) + Number15(1.0 - c.cumulative[i]);
        else
            t += Number15(c.ciMode[i]) + Number15(c.ciMean[i]);
        t += Number15(c.normal[i]) + CRLF;
    }
    t += CRLF;
    t += "Max Likelihood: " + Number15(c.xML) + CRLF;
    t += "Expected Value: " + Number15(s.mean) + CRLF;
    t += "Estimated Diff: " + Number15(s.difference) + CRLF;
    t += "Percent Diff:   " + PercentDiff(s) + CRLF;
    t += "Estimated SE:   " + Number15(s.sd) + CRLF;
    return t;
}

}  // namespace

std::string ConfidenceDataText(const std::string& title, const ProfileColumns& c, const DistributionSummary& s) {
    return DataText(title,
                    "  Point       Value         -ln[L]           PDF        CI on mode     CI on mean     Normal PDF",
                    c, s, false);
}

std::string PriorDistributionText(const ProfileColumns& c, const DistributionSummary& s) {
    return DataText("Bayesian prior distribution data",
                    "  Point       Value         -ln[L]           PDF        Cumulative     Attenuated     Normal PDF",
                    c, s, true);
}

namespace {

std::string DataCsv(const ProfileColumns& c, bool priorColumns) {
    CsvTable table({"point", "value", "neg_ln_l", "pdf", priorColumns ? "cumulative" : "ci_mode",
                    priorColumns ? "attenuated" : "ci_mean", "normal_pdf"});
    for (int i = 1; i <= c.m; ++i) {
        if (priorColumns)
            table.AddRow({static_cast<double>(i), c.x[i], c.negLnL[i], c.pdf[i], c.cumulative[i],
                          1.0 - c.cumulative[i], c.normal[i]});
        else
            table.AddRow({static_cast<double>(i), c.x[i], c.negLnL[i], c.pdf[i], c.ciMode[i], c.ciMean[i], c.normal[i]});
    }
    return table.Text();
}

}  // namespace

std::string ConfidenceDataCsv(const ProfileColumns& c) { return DataCsv(c, false); }
std::string PriorDistributionCsv(const ProfileColumns& c) { return DataCsv(c, true); }

DistributionPlotData DistributionPlotFor(const ProfileColumns& c, const DistributionSummary& s, int parameter,
                                         DistributionKind kind, const std::string& description) {
    DistributionPlotData d;
    d.parameter = parameter;
    d.description = description;
    d.kind = kind;
    auto copy = [&](const Vec1<double>& from, Vec1<double>& to) {
        to.resize(c.m);
        for (int i = 1; i <= c.m; ++i) to[i] = from[i];
    };
    copy(c.x, d.x);
    copy(c.negLnL, d.negLnL);
    copy(c.pdf, d.pdf);
    copy(c.ciMode, d.ciMode);
    copy(c.ciMean, d.ciMean);
    copy(c.cumulative, d.cumulative);
    copy(c.normal, d.normal);
    d.mlEstimate = c.xML;
    d.evEstimate = s.mean;
    d.difference = s.difference;
    d.se = s.sd;
    return d;
}

std::string DescriptionOf(const AlgorithmData& a, int parameter) {
    return parameter >= 1 && parameter <= a.description.size() ? a.description[parameter] : std::string();
}

}  // namespace corvane
