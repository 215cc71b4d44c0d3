// The posterior part reader of posterior-merge on arbitrary bytes: a refusal
// says why; an accepted part has the sizes of its plan and shard, finite
// non-negative sums and terms, is written back to the same text, and merges
// (alone, when it is the only shard) without complaint.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>

#include "FuzzCheck.h"
#include "evaluation/PosteriorPart.h"

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    std::istringstream in(text);
    const PosteriorPartRead read = ReadPosteriorPart(in);
    if (!read.part) {
        FUZZ_CHECK(!read.error.empty());
        return 0;
    }
    FUZZ_CHECK(read.error.empty());
    const PosteriorPart& p = *read.part;
    FUZZ_CHECK(static_cast<long long>(p.sums.size()) == p.blockCount);
    FUZZ_CHECK(p.parameter >= 1 && p.parameter <= p.values.size());
    for (double s : p.sums) FUZZ_CHECK(std::isfinite(s) && s >= 0.0);
    for (double t : p.terms) FUZZ_CHECK(std::isfinite(t) && t >= 0.0);
    FUZZ_CHECK(std::isfinite(p.reference) && std::isfinite(p.reciprocalConstant));

    // Written again, the part reads back as the same part.
    std::istringstream again(PosteriorPartText(p));
    const PosteriorPartRead back = ReadPosteriorPart(again);
    FUZZ_CHECK(back.part);
    FUZZ_CHECK(PartMismatch(p, *back.part).empty());
    FUZZ_CHECK(back.part->sums.size() == p.sums.size() && back.part->terms.size() == p.terms.size());
    for (std::size_t j = 0; j < p.sums.size(); ++j)
        FUZZ_CHECK(std::memcmp(&back.part->sums[j], &p.sums[j], sizeof(double)) == 0);

    const PosteriorMerge merged = MergePosteriorParts({{"fuzz", p}});
    if (p.shards == 1) {
        FUZZ_CHECK(merged.plan);
        FUZZ_CHECK(merged.sums.size() == p.sums.size());
    } else {
        FUZZ_CHECK(!merged.plan && !merged.error.empty());
    }
    return 0;
}
