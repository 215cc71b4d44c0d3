#include "platform/TableCopy.h"

#include <gtest/gtest.h>

using namespace corvane;

TEST(TableCopy, CellsApartByTabsRowsByLineBreaks) {
    const struct {
        const char* name;
        std::vector<std::vector<std::string>> rows;
        std::string expected;
    } cases[] = {
        {"empty", {}, ""},
        {"one cell", {{"1.5"}}, "1.5\n"},
        {"grid", {{"#", "Value"}, {"1", "2.5E+00"}}, "#\tValue\n1\t2.5E+00\n"},
        {"blank cells keep their place", {{"", "x", ""}}, "\tx\t\n"},
        {"tabs and breaks inside a cell", {{"a\tb", "c\r\nd"}}, "a b\tc  d\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(TabSeparated(c.rows), c.expected) << c.name;
}
