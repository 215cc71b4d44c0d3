#pragma once
// Objective values of many independent parameter vectors at once: the
// posterior's grid nodes (and any caller with a list of points that do not
// depend on each other).  Everything before MODEL (building the vectors,
// fuse expansion) and after it (sums, bookkeeping) stays with the caller,
// so that this one function is all a parallel implementation has to
// replace: one model workspace per thread, each value written to its own
// slot, the caller summing the slots in a fixed order, so the results never
// depend on the number of threads.
#include <cstddef>
#include <vector>

#include "numeric/OneBased.h"

namespace corvane {

class SideBySide;
class Workbench;

// For every vector j (a complete parameter vector, fuses expanded already):
// MODEL with NF = 1, plus the prior total while priors are in use, into
// values[j].  The model may rewrite entries of its vector.  values is sized
// to vectors.  Counts nothing: the caller counts calls.  The vectors are
// shared among the workbench's threads (SideBySide): the values, the prior
// table and the model are left as one vector after another leaves them.
void EvaluateBatch(Workbench& wb, std::vector<Vec1<double>>& vectors, std::vector<double>& values);
// The same with the copies of the model a caller keeps for many batches.
void EvaluateBatch(SideBySide& side, std::vector<Vec1<double>>& vectors, std::vector<double>& values);

}  // namespace corvane
