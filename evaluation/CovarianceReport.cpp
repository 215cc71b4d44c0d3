#include "evaluation/CovarianceReport.h"

#include <cmath>
#include <limits>
#include <numbers>

#include "evaluation/Covariance.h"
#include "engine/modCorvane.h"
#include "numeric/DateTimeName.h"
#include "numeric/Csv.h"
#include "numeric/Format.h"
#include "numeric/modGamma.h"
#include "platform/TextView.h"

namespace corvane {

namespace {

constexpr int kSimpsonPanels = 4000;
constexpr double kTLimit = 20.0;  // at and beyond: "<0.0001" without integrating
constexpr double kDegreesOfFreedom = 999.0;

std::string E(double v) { return Format(v, "0.0000000E+00"); }
std::string Fixed(double v) { return Format(v, "#####0.0000000"); }
std::string RJ(const std::string& text, int width) { return RightJustify(text, width); }
std::string RJ(int number, int width) { return RightJustify(NumberText(number), width); }

// Student t density with 999 degrees of freedom, without its constant.
double Density(double x) { return std::exp(-500.0 * std::log(1.0 + x * x / kDegreesOfFreedom)); }

std::string ProbabilityCell(double se, double difference, int width) {
    if (se == -1.0) return RJ(Format(-1.0, "#0.0000"), width);
    return RJ(TwoSidedP(std::fabs(difference / se)).Text(), width);
}

}  // namespace

std::string TwoSidedProbability::Text() const { return belowLimit ? "<0.0001" : Format(p, "#0.0000"); }

TwoSidedProbability TwoSidedP(double value) {
    TwoSidedProbability result;
    const double t = static_cast<float>(value);  // handed over in single precision
    if (t >= kTLimit) {
        result.belowLimit = true;
        return result;
    }
    const double h = (t + kTLimit) / kSimpsonPanels;
    double sum = 0.0;
    // Panels walked from t down to -20.
    for (int j = 1; j <= kSimpsonPanels; ++j) {
        const double a = t - j * h;
        sum += h / 6.0 * (Density(a) + 4.0 * Density(a + h / 2.0) + Density(a + h));
    }
    const double pi = 4.0 * std::atan(1.0);
    const double norm = std::exp(LnGamma(500.0) - LnGamma(499.5) - std::log(std::sqrt(kDegreesOfFreedom * pi)));
    const double integral = sum * norm;
    const double q = 1.0 - std::floor(integral * 10000.0 + 0.5) / 10000.0;
    const double p = 2.0 * q;
    if (p < 0.0001) {
        result.belowLimit = true;
        return result;
    }
    result.p = p;
    return result;
}

std::string CovarianceReportText(const CovarianceResults& r) {
    if (!r.computed) return "";
    const bool analytical = r.method == CovarianceMethod::Analytical;
    const double c = r.constant;
    const int n = r.n, p = r.p;
    // Every cell of a grid comes from R_g; a grid without one reads -1.
    auto cell = [&](int g, int a, int b) {
        if (g > r.R.size() || a > r.R[g].rows() || b > r.R[g].cols()) return -1.0;
        return r.R[g](a, b);
    };
    std::string t;
    auto line = [&t](const std::string& text) { t += text + CRLF; };

    line(std::string("Parameter values, step sizes, link codes, and definitions for ") +
         (analytical ? "analytically" : "numerically") + " calculated covariances:");
    line("");
    for (int i = 1; i <= n; ++i)
        line(Format(i, " 000) ") + RJ(E(r.values[i]), 14) + RJ(E(r.steps[i]), 16) + " " + RJ(r.fuse[i], 3) + "  " +
             r.description[i]);

    line("");
    line(analytical ? "Analytical covariance results are redundant for all grids; likelihood function value summary is "
                      "meaningless"
                    : "Reliable numerical covariance results should be similar among three grids with quite different "
                      "grid factors");
    line("");
    line("Covariance constant: " + NumberText(c));
    line("");
    line("                               Grid #1           Grid #2           Grid #3");
    line("");
    line("Factors:              1) " + RJ(E(r.factor[1]), 13) + "  2) " + RJ(E(r.factor[2]), 13) + "  3) " +
         RJ(E(r.factor[3]), 13));

    line("");
    line("Likelihood function value summary:");
    std::string mean = "   Mean:            ", sd = "   Std Dev:         ", cv = "   Coef of Var:     ";
    for (int g = 1; g <= kGrids; ++g) {
        if (analytical) {
            mean += RJ(E(r.centre * c), 18);
            sd += RJ(E(-1.0), 18);
            cv += RJ(Fixed(-1.0), 18);
        } else {
            mean += RJ(E(r.mean[g] * c), 18);
            sd += RJ(E(r.sd[g] * c), 18);
            // A mean of exactly 0 leaves the coefficient uncomputable.
            cv += RJ(Fixed(r.mean[g] == 0.0 ? -1.0 : std::fabs(r.sd[g] / r.mean[g])), 18);
        }
    }
    line(mean);
    line(sd);
    line(cv);
    line("");

    line("Par#                               Standard errors of the estimates");
    for (int k = 1; k <= p; ++k)
        line(RJ(r.number[k], 3) + RJ(E(cell(1, 0, k)), 35) + RJ(E(cell(2, 0, k)), 18) + RJ(E(cell(3, 0, k)), 18));

    line("");
    line("Par#               Probabilities that the estimates do not differ from 0, then 1");
    for (int k = 1; k <= p; ++k) {
        const double x = r.values[r.number[k]];
        std::string text = RJ(r.number[k], 3) + std::string(17, ' ');
        for (int g = 1; g <= kGrids; ++g) {
            const double se = cell(g, 0, k);
            text += ProbabilityCell(se, x, 10) + ProbabilityCell(se, x - 1.0, 8);
        }
        line(text);
    }

    if (r.optimistic) {
        line("");
        line("Note: The above SE estimates are optimistic (under-estimated) conditional estimates");
    } else {
        line("");
        line("Par#,Par#                                   Correlations");
        for (int k = 1; k < p; ++k) {
            for (int l = k + 1; l <= p; ++l) {
                std::string text = RJ(r.number[k], 3) + RJ(r.number[l], 5);
                for (int g = 1; g <= kGrids; ++g) {
                    const double product = cell(g, 0, k) * cell(g, 0, l);
                    const double correlation = product == 0.0 ? -1.0 : cell(g, k, l) / product;
                    text += RJ(Fixed(correlation), g == 1 ? 30 : 18);
                }
                line(text);
            }
        }
        line("");
        line("Par#,Par#                                   Covariances");
        for (int k = 1; k <= p; ++k)
            for (int l = k; l <= p; ++l)
                line(RJ(r.number[k], 3) + RJ(r.number[l], 5) + RJ(E(cell(1, k, l)), 30) + RJ(E(cell(2, k, l)), 18) +
                     RJ(E(cell(3, k, l)), 18));
    }

    line("");
    line("                                            Determinants");
    std::string covariance = "Covariance Matrix:  ", correlation = "Correlation Matrix: ";
    for (int g = 1; g <= kGrids; ++g) {
        covariance += RJ(E(cell(g, 0, 0)), 18);
        const double variances = cell(g, 1, 0);
        correlation += RJ(E(variances == -1.0 || variances == 0.0 ? -1.0 : cell(g, 0, 0) / variances), 18);
    }
    line(covariance);
    line(correlation);
    return t;
}

std::string CovarianceCsv(const CovarianceResults& r, int grid) {
    std::vector<std::string> header{"parameter", "value"};
    for (int g = 1; g <= kGrids; ++g) header.push_back("se_grid_" + NumberText(g));
    const bool matrix = !r.optimistic;
    if (matrix)
        for (int l = 1; l <= r.p; ++l) header.push_back("cov_" + NumberText(r.number[l]));
    CsvTable table(header);
    const double na = std::numeric_limits<double>::quiet_NaN();
    for (int k = 1; k <= r.p; ++k) {
        std::vector<double> row{static_cast<double>(r.number[k]), r.values[r.number[k]]};
        for (int g = 1; g <= kGrids; ++g) row.push_back(r.GridValid(g) ? r.StandardError(k, g) : na);
        if (matrix)
            for (int l = 1; l <= r.p; ++l) row.push_back(r.GridValid(grid) ? r.R[grid](k, l) : na);
        table.AddRow(row);
    }
    return table.Text();
}

FileRequest CovarianceSaveRequest(const Workbench& wb) {
    FileRequest request;
    request.save = true;
    request.title = "Save covariance data in...";
    const std::string& b = wb.alg.bareName;
    request.filter = std::string("All files (*.*)|*.*|") + "Covariance files (*.cov)|*.cov|" +
                     "Named for algorithm file (" + b + ".*)|" + b + ".*|";
    request.selectedFilter = 3;
    request.initialName =
        NamedForAlgorithm(wb.alg, ".cov", DateTimeName(wb.ports.clock.DateText(), wb.ports.clock.TimeText(), ".cov"));
    request.overwritePrompt = true;
    return request;
}

std::string SaveCovarianceText(Workbench& wb, const std::string& text) {
    return SaveTextResult(wb.ports.dialogs, CovarianceSaveRequest(wb), text);
}

}  // namespace corvane
