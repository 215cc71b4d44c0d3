#include "engine/LU.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/modCorvane.h"
#include "numeric/Format.h"

namespace corvane {

namespace {
constexpr double kTiny = 1e-20;
}

void LUWork::Size(int n) {
    a.resize(n, n, 0.0);
    scale.resize(n, 0.0);
    permutation.resize(n, 0);
}

int DecomposeLU(LUWork& lu, int n, const std::function<void()>& events) {
    Mat1<double>& a = lu.a;
    if (lu.scale.size() < n) lu.scale.resize(n, 0.0);
    if (lu.permutation.size() < n) lu.permutation.resize(n, 0);
    lu.parity = 1.0;
    for (int i = 1; i <= n; ++i) {
        double big = 0.0;
        for (int j = 1; j <= n; ++j) big = std::max(big, std::fabs(a(i, j)));
        if (big == 0.0) {
            lu.failedRow = i;
            return i;
        }
        lu.scale[i] = 1.0 / big;
        if (events) events();
    }
    for (int j = 1; j <= n; ++j) {
        if (events) events();
        for (int i = 1; i < j; ++i) {
            double sum = a(i, j);
            for (int k = 1; k < i; ++k) sum -= a(i, k) * a(k, j);
            a(i, j) = sum;
        }
        double big = 0.0;
        int imax = j;
        for (int i = j; i <= n; ++i) {
            double sum = a(i, j);
            for (int k = 1; k < j; ++k) sum -= a(i, k) * a(k, j);
            a(i, j) = sum;
            const double dum = lu.scale[i] * std::fabs(sum);
            if (dum >= big) {  // among equal candidates the last row wins
                big = dum;
                imax = i;
            }
        }
        if (imax != j) {
            for (int k = 1; k <= n; ++k) std::swap(a(imax, k), a(j, k));
            lu.parity = -lu.parity;
            lu.scale[imax] = lu.scale[j];
        }
        lu.permutation[j] = imax;
        if (a(j, j) == 0.0) a(j, j) = kTiny;
        if (j != n) {
            const double pivot = a(j, j);
            for (int i = j + 1; i <= n; ++i) a(i, j) /= pivot;
        }
    }
    if (n >= 1 && a(n, n) == 0.0) a(n, n) = kTiny;
    lu.failedRow = 0;
    return 0;
}

void SolveLU(const LUWork& lu, int n, Mat1<double>& b, int c, const std::function<void()>& events) {
    const Mat1<double>& a = lu.a;
    int ii = 0;
    for (int i = 1; i <= n; ++i) {
        const int p = lu.permutation[i];
        double sum = b(p, c);
        b(p, c) = b(i, c);
        if (ii != 0) {
            for (int j = ii; j < i; ++j) sum -= a(i, j) * b(j, c);
        } else if (sum != 0.0) {
            ii = i;
        }
        b(i, c) = sum;
        if (events) events();
    }
    for (int i = n; i >= 1; --i) {
        double sum = b(i, c);
        for (int j = i + 1; j <= n; ++j) sum -= a(i, j) * b(j, c);
        b(i, c) = sum / a(i, i);
        if (events) events();
    }
}

bool DecomposeLU(Workbench& wb, LUWork& lu, int n) {
    const int row = DecomposeLU(lu, n, [&] { wb.ports.dialogs.ProcessEvents(); });
    if (row == 0) return true;
    lu.failed = 1;
    const EngineState& e = wb.engine;
    const int parameter = row <= e.nfree ? e.freeIndex[row] : row;
    // Analytical derivatives get the longer advice; numerical ones, and a
    // matrix from a caller that chose no kind at all, the plain one.
    const std::string advice = wb.marquardt.derivativeKind == "A"
                                   ? "Look for statistically dead parameters and/or suspect your analytical derivatives"
                                   : "Look for statistically dead model parameters";
    wb.ports.dialogs.MessageBox("Matrix decompositon failure at parameter #" + NumberText(parameter) + "!", advice,
                                Buttons::OK, Icon::Exclamation);
    return false;
}

void SolveLU(Workbench& wb, const LUWork& lu, int n, Mat1<double>& b, int c) {
    SolveLU(lu, n, b, c, [&] { wb.ports.dialogs.ProcessEvents(); });
}

Inversion InvertMatrix(Workbench& wb, const Mat1<double>& m, int n, Mat1<double>& inverse) {
    Inversion result;
    LUWork& lu = wb.lu;
    lu.Size(n);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) lu.a(i, j) = m(i, j);
    inverse.resize(n, n, 0.0);
    for (int i = 1; i <= n; ++i) inverse(i, i) = 1.0;
    lu.failed = 0;
    if (!DecomposeLU(wb, lu, n)) return result;
    result.determinant = lu.parity;
    for (int i = 1; i <= n; ++i) result.determinant *= lu.a(i, i);
    for (int c = 1; c <= n; ++c) SolveLU(wb, lu, n, inverse, c);
    result.ok = true;
    return result;
}

}  // namespace corvane
