#pragma once
// The published data sets beside the checkout (../shared/data).
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace corvane::testing {

inline std::string SharedDataPath(const std::string& name) {
    return (std::filesystem::path(CORVANE_SHARED_DATA) / name).string();
}

}  // namespace corvane::testing

// Skips the test, saying why, when the shared data set is not beside the checkout.
#define REQUIRE_SHARED_DATA(name)                                                        \
    do {                                                                                 \
        if (!std::filesystem::exists(::corvane::testing::SharedDataPath(name)))          \
            GTEST_SKIP() << "shared data set " << (name) << " not found beside the checkout"; \
    } while (0)
