// The algorithm file reader on arbitrary bytes.  Whatever it accepts must be
// written by the command menu's writer and read back as the same data.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "engine/AlgorithmData.h"
#include "FuzzCheck.h"
#include "numeric/FixedColumns.h"

using namespace corvane;

namespace {

bool Same(double read, double written) {
    return read == written || std::fabs(read - written) <= 5e-7 * std::fabs(written);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    // The model's parameter count: the file's own, when it has a usable one,
    // so that the reader gets past the count; an odd length asks for one more.
    std::istringstream first(text);
    std::string line;
    std::getline(first, line);
    const auto count = StrictInteger(Field(line, 1, 14), 0, 500);
    const int np = (count ? static_cast<int>(*count) : 19) + static_cast<int>(size % 2);

    AlgorithmData data;
    data.np = np;
    SetDefaultAlgorithmData(data, np);
    const AlgorithmData before = data;
    std::istringstream in(text);
    const AlgorithmReadResult result = ReadAlgorithmText(in, np, "fuzz.alg", data);
    if (!result.ok()) {
        // A refused file changes nothing.
        FUZZ_CHECK(data.value == before.value && data.step == before.step && data.fuse == before.fuse);
        FUZZ_CHECK(!result.message.empty() || result.status == AlgorithmReadResult::Status::Unreadable);
        return 0;
    }
    FUZZ_CHECK(data.fileFrequency == 0);
    data.outputFileName = ShortOutputFileName(data.outputFileName);
    const std::string written = FormatAlgorithmFile(data, AlgorithmWriter::CommandMenu);
    AlgorithmData again;
    again.np = np;
    SetDefaultAlgorithmData(again, np);
    std::istringstream back(written);
    FUZZ_CHECK(ReadAlgorithmText(back, np, "again.alg", again).ok());
    for (int i = 1; i <= np; ++i) {
        FUZZ_CHECK(Same(again.value[i], data.value[i]));
        FUZZ_CHECK(Same(again.step[i], data.step[i]));
        FUZZ_CHECK(again.fuse[i] == data.fuse[i]);
    }
    FUZZ_CHECK(Same(again.tolerance, data.tolerance));
    FUZZ_CHECK(Same(again.reductionFraction, data.reductionFraction));
    FUZZ_CHECK(again.maxCalls == data.maxCalls);
    FUZZ_CHECK(again.terminalFrequency == data.terminalFrequency);
    return 0;
}
