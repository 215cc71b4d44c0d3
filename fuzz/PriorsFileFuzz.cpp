// The priors file reader on arbitrary bytes: a refusal says what and where,
// an accepted file holds n sound rows, writes a file that reads back to itself, and its
// prior -ln[L] is never NaN.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "FuzzCheck.h"
#include "priors/PriorsFile.h"
#include "priors/PriorTable.h"

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    // The first byte chooses the model's parameter count, the rest is the file.
    const int n = size == 0 ? 1 : 1 + bytes[0] % 19;
    const std::string text = size == 0 ? std::string() : std::string(reinterpret_cast<const char*>(bytes) + 1, size - 1);
    std::istringstream in(text);
    const PriorsReadResult read = ReadPriorsText(in, n);
    if (!read.ok()) {
        FUZZ_CHECK(!PriorsRefusalText(read, "fuzz.pri", n).empty());
        return 0;
    }
    FUZZ_CHECK(read.rows.size() == n);
    PriorTable table;
    table.Reset(n);
    for (int i = 1; i <= n; ++i) {
        FUZZ_CHECK(!PriorRowProblem(read.rows[i]));
        FUZZ_CHECK(!PriorTypeName(read.rows[i].type).empty());
        table.rows[i] = read.rows[i];
    }

    // The file keeps four significant digits: what is written reads back
    // as rows that write the same file again.
    const std::string written = FormatPriorsFile(table);
    std::istringstream again(written);
    const PriorsReadResult back = ReadPriorsText(again, n);
    // Rounding to four digits can make a row unsound (a gamma SD just below
    // its mean becomes equal to it): then the refusal must say why.
    if (!back.ok()) {
        FUZZ_CHECK(back.status == PriorsReadResult::Status::BadLine && !back.problem.empty());
        return 0;
    }
    PriorTable reread;
    reread.Reset(n);
    for (int i = 1; i <= n; ++i) {
        FUZZ_CHECK(back.rows[i].type == read.rows[i].type);
        reread.rows[i] = back.rows[i];
    }
    FUZZ_CHECK(FormatPriorsFile(reread) == written);

    // Sound rows give a prior -ln[L] that is a number (an infinite penalty
    // outside a bounded prior is allowed) at the means and far from them.
    Vec1<double> values(n, 0.0);
    for (double x : {0.0, 1.0, -1e6, 1e6}) {
        for (int i = 1; i <= n; ++i) values[i] = IsUnset(read.rows[i].firstMean) ? x : read.rows[i].firstMean + x;
        FUZZ_CHECK(!std::isnan(table.PriorNegLnL(values)));
    }
    return 0;
}
