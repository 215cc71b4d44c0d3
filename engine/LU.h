#pragma once
// LU decomposition (Crout, implicit row-scaled partial pivoting) and the
// forward and back substitution, on one working matrix sized by the caller.
// Used by Marquardt's damped step and by covariance inversion.
#include <functional>

#include "numeric/OneBased.h"

namespace corvane {

class Workbench;

struct LUWork {
    Mat1<double> a;          // n x n input, replaced by L (strict lower) and U
    Vec1<double> scale;      // 1 / largest |element| of each row
    Vec1<int> permutation;   // row interchanged with row j at step j
    double parity = 1.0;     // +1 / -1 by the number of interchanges
    int failed = 0;          // 1 after a failure; callers clear it first
    int failedRow = 0;       // the all-zero row that made it fail

    // Sizes the working matrix to n x n (zeros).
    void Size(int n);
};

// The plain routines.  DecomposeLU returns 0, or the first all-zero row
// (then nothing else is decomposed).  A zero pivot becomes 1E-20 instead of
// failing.  events runs once per row or column, so a long decomposition
// keeps the interface responsive.
int DecomposeLU(LUWork& lu, int n, const std::function<void()>& events = {});
// Solves A x = column c of b (rows 1..n) with a decomposed A; x replaces it.
void SolveLU(const LUWork& lu, int n, Mat1<double>& b, int c, const std::function<void()>& events = {});

// With the Workbench: events go through the dialogue port, and a failure
// sets lu.failed and is reported in a message box naming the free parameter
// of the zero row, with the advice chosen by the Marquardt derivative kind.
bool DecomposeLU(Workbench& wb, LUWork& lu, int n);
void SolveLU(Workbench& wb, const LUWork& lu, int n, Mat1<double>& b, int c);

struct Inversion {
    bool ok = false;
    double determinant = 0.0;  // parity x product of U's diagonal
};

// Inverse of the n x n matrix m into inverse (sized n x n), through the
// Workbench's working matrix; on failure the message has been shown.
Inversion InvertMatrix(Workbench& wb, const Mat1<double>& m, int n, Mat1<double>& inverse);

}  // namespace corvane
