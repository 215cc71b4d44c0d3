#include "engine/SideBySide.h"

#include "engine/Parallel.h"
#include "engine/Threads.h"
#include "engine/modCorvane.h"

namespace corvane {

SideBySide::SideBySide(Workbench& wb) : wb_(wb) {
    const int wanted = ResolveThreads(wb.threads);
    if (wanted <= 1 || !wb.model) return;
    std::vector<Copy> copies(static_cast<std::size_t>(wanted));
    for (Copy& c : copies) {
        c.model = wb.model->Replica();
        if (!c.model) return;  // the model cannot share: one vector after another
        c.step = wb.alg.step;
        c.description = wb.alg.description;
        c.fuse = wb.alg.fuse;
        c.np = wb.alg.np;
        c.dF = wb.modelFirstDerivatives;
        c.d2F = wb.modelSecondDerivatives;
    }
    copies_ = std::move(copies);
    threads_ = wanted;
}

SideBySide::~SideBySide() = default;

double SideBySide::OnCopy(Copy& c, Vec1<double>& x) {
    double f = 0.0;
    std::int32_t code = nf::Once;
    c.model->MODEL(f, x, c.step, c.description, c.fuse, c.np, code, c.dataCount, c.dF, c.d2F, c.own);
    return f;
}

double SideBySide::OnModel(Vec1<double>& x) {
    double f = 0.0;
    std::int32_t code = nf::Once;
    wb_.model->MODEL(f, x, wb_.alg.step, wb_.alg.description, wb_.alg.fuse, wb_.alg.np, code, wb_.dataCount,
                     wb_.modelFirstDerivatives, wb_.modelSecondDerivatives, wb_.modelOwnValue);
    return f;
}

std::vector<double> SideBySide::Objectives(std::vector<Vec1<double>>& vectors) {
    const int n = static_cast<int>(vectors.size());
    std::vector<double> f(vectors.size(), 0.0);
    if (threads_ <= 1 || n <= 1) {
        for (int i = 0; i < n; ++i) f[static_cast<std::size_t>(i)] = ObjectiveAt(wb_, vectors[static_cast<std::size_t>(i)], nf::Once);
        return f;
    }
    // Piece 0 is the last vector: the calling thread takes it first, on the
    // workbench's model, while the helpers start on the others.
    const Vec1<double> last = vectors.back();
    const CallingThread caller;
    bool onModel = false;
    ParallelFor(threads_, n, 1, [&](int k, int slot) {
        const std::size_t i = static_cast<std::size_t>(k == 0 ? n - 1 : k - 1);
        if (k == 0 && caller.Here()) {
            f[i] = OnModel(vectors[i]);
            onModel = true;
        } else {
            f[i] = OnCopy(copies_[static_cast<std::size_t>(slot)], vectors[i]);
        }
    });
    if (!onModel) {
        // A helper took the last vector: the model still has to see it.
        Vec1<double> x = last;
        OnModel(x);
    }
    // The prior table keeps the parts of its last total: add them in order.
    if (wb_.engine.priorsInUse) {
        for (std::size_t i = 0; i < vectors.size(); ++i) {
            wb_.engine.priorContribution = wb_.priors->PriorNegLnL(vectors[i]);
            f[i] += wb_.engine.priorContribution;
        }
    }
    return f;
}

}  // namespace corvane
