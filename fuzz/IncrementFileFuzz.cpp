// The increment file reader on arbitrary bytes: what it accepts is within
// the model's limits, its summary can be written, and its first records give
// a finite increment likelihood.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "FuzzCheck.h"
#include "model/GrowthData.h"
#include "model/IncrementLikelihood.h"

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(bytes), size));
    IncrementData data;
    // Either layout: a first line that names CSV columns takes the CSV reader.
    if (const auto problem = ReadIncrementText(in, data, DataLayout::Either)) {
        FUZZ_CHECK(!problem->text.empty() && data.records == 0);
        return 0;
    }
    FUZZ_CHECK(data.records >= 1 && data.records <= kMaxIncrementRecords);
    FUZZ_CHECK(data.largestSet >= 0 && data.largestSet <= kMaxIncrementRecords);
    long long counted = 0;
    for (int set = 0; set <= kMaxIncrementRecords; ++set) counted += data.setCount[set];
    FUZZ_CHECK(counted == data.records);
    for (int i = 1; i <= data.records; ++i) {
        const IncrementRecord& r = data.record[i];
        FUZZ_CHECK(std::isfinite(r.set) && std::isfinite(r.initial) && std::isfinite(r.increment) &&
                   std::isfinite(r.start) && std::isfinite(r.end));
    }
    // Implausible records are counted, each kind at most once per record.
    for (const PlausibilityCount* c : {&data.endBeforeStart, &data.noDaysAtLiberty, &data.negativeSize})
        FUZZ_CHECK(c->count >= 0 && c->count <= data.records && (c->count == 0) == (c->firstLine == 0));
    FUZZ_CHECK(PlausibilityWarnings(data).size() <= 3);
    GrowthSettings settings;
    settings.kind = 'I';
    GrowthData all;
    all.increments = data;
    FUZZ_CHECK(!DataReadSummary(settings, all).empty());

    // The likelihood of the first two records, in one of the error forms
    // with or without measurement error: finite whatever the data.
    data.records = std::min(data.records, 2);
    settings.errors = size % 2 ? 'G' : 'N';
    Vec1<double> x(19, 0.0);
    const double values[19] = {100, 10, 0.3, 0.1, 0.2, 100, 2, 200, size % 4 < 2 ? 0.0 : 2.0, 0,
                               0,   0,  -999, 0, 1, 0, 0, -999, -999};
    for (int k = 1; k <= 19; ++k) x[k] = values[k - 1];
    const GrowthParameters p = PrepareParameters(x, settings);
    IncrementWorkspace ws;
    WarningLog warnings;
    FUZZ_CHECK(std::isfinite(IncrementNegLnL(data, p, ws, warnings)));
    return 0;
}
