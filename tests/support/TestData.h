#pragma once
// The published data sets the tests read, kept in tests/data.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace corvane::testing {

// A missing data set fails the test that asks for it: a fresh clone must
// run every test, so there is nothing to skip.
inline std::string DataPath(const std::string& name) {
    const std::filesystem::path path = std::filesystem::path(CORVANE_TEST_DATA) / name;
    if (!std::filesystem::exists(path)) ADD_FAILURE() << "test data set missing: " << path.string();
    return path.string();
}

}  // namespace corvane::testing
