#pragma once
// One shard's share of a posterior as a text file, and the merge of the
// shares of one run.  A part carries everything that decides its sums (the
// model set-up, the algorithm values and steps, the priors, the constant,
// the sizes, the reference, the shard) so that parts of different runs are
// refused, and its sums as exact hexadecimal numbers, so that the merged
// columns are those of one run, bit for bit.
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "evaluation/Posterior.h"

namespace corvane {

class Workbench;

struct PosteriorPart {
    std::string setup;   // the model set-up as the caller identifies it (one line)
    std::string priors;  // "off", or the prior table (PriorsIdentity)
    Vec1<double> values; // the values every node starts from (the profiled parameter at v)
    Vec1<double> steps;  // the steps of the run (the profiled parameter's h; 0 for parameters not integrated)
    Vec1<std::string> fuses;
    // The parameters' descriptions, for the merged result's plots only (a
    // part without them, or with others, still belongs to its run).
    Vec1<std::string> descriptions;
    double reciprocalConstant = 1.0;
    int parameter = 0;
    int m = 0;
    int g = 0;
    double reference = 0.0;
    int shard = 1;  // K
    int shards = 1; // N
    long long firstBlock = 0;
    long long blockCount = 0;
    long long totalBlocks = 0;
    long long calls = 0;
    std::vector<double> sums;
    std::vector<double> terms;
};

// The prior table as one line: "off" while priors are not in use.
std::string PriorsIdentity(const Workbench& wb);

// A part from a plan and the blocks of shard K of N.
PosteriorPart MakePosteriorPart(const PosteriorPlan& plan, const AlgorithmData& data, const PosteriorBlocks& blocks,
                                std::string setup, std::string priors, int shard, int shards);

// The plan a part was computed with.
PosteriorPlan PlanOfPart(const PosteriorPart& part);

// The file's text (CR LF line ends).
std::string PosteriorPartText(const PosteriorPart& part);

struct PosteriorPartRead {
    std::optional<PosteriorPart> part;
    std::string error;  // why the text is not a sound part
};
PosteriorPartRead ReadPosteriorPart(std::istream& in);

// Which of the identifying items two parts disagree on ("set-up", "priors",
// ...), or empty when they belong to one run.
std::string PartMismatch(const PosteriorPart& a, const PosteriorPart& b);

struct PosteriorMerge {
    std::optional<PosteriorPlan> plan;
    std::vector<double> sums;
    std::vector<double> terms;
    long long calls = 0;
    Vec1<std::string> descriptions;  // the first part's
    std::string error;  // names the part (by the name given) that is refused
};

// Checks that the parts are the N shards of one run, each once, in any
// order, and joins their sums in block order.
PosteriorMerge MergePosteriorParts(const std::vector<std::pair<std::string, PosteriorPart>>& parts);

}  // namespace corvane
