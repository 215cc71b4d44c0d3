// The covariance file reader of model averaging on arbitrary bytes: a
// refusal says why, an accepted file gives n values and n x 3 standard
// errors, none of them NaN.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "ranking/ModelAveraging.h"

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    // The first two bytes choose the parameter count and the free count.
    if (size < 2) return 0;
    const int n = 1 + bytes[0] % 19;
    const int k = 1 + bytes[1] % n;
    const std::string_view text(reinterpret_cast<const char*>(bytes) + 2, size - 2);
    const CovarianceReadResult read = ReadCovarianceText(text, n, k);
    if (!read.estimates) {
        FUZZ_CHECK(!read.problem.empty());
        return 0;
    }
    FUZZ_CHECK(read.problem.empty());
    const CovarianceEstimates& e = *read.estimates;
    FUZZ_CHECK(e.value.size() == n);
    for (int i = 1; i <= n; ++i) {
        FUZZ_CHECK(!std::isnan(e.value[i]));
        for (int g = 1; g <= kGrids; ++g) FUZZ_CHECK(!std::isnan(e.se(i, g)));
    }
    return 0;
}
