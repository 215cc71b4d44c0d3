#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

#include "numeric/Csv.h"

namespace corvane {
namespace {

TEST(Csv, FieldsAreQuotedOnlyWhenTheyNeedItAndNumbersReadBackExactly) {
    EXPECT_EQ(CsvText("Observed"), "Observed");
    EXPECT_EQ(CsvText("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvText("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvText(" padded"), "\" padded\"");
    for (double v : {0.1, -1.0 / 3.0, 6.02214076e23, 5e-324, 120.0}) {
        const std::string text = CsvNumber(v);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
    }
    EXPECT_EQ(CsvNumber(std::numeric_limits<double>::quiet_NaN()), "NA");
    EXPECT_EQ(CsvNumber(-std::numeric_limits<double>::infinity()), "NA");

    CsvTable table({"Size", "Series 1, observed"});
    table.AddRow({1.5, 2});
    EXPECT_EQ(table.Text(), "Size,\"Series 1, observed\"\r\n1.5,2\r\n");
    EXPECT_EQ(table.Rows(), 1u);
    EXPECT_THROW(table.AddRow({1.0}), std::logic_error);
}

TEST(Csv, LinesSplitAsReadCsvSplitsThem) {
    struct Case {
        const char* line;
        char separator;
        std::vector<std::string> fields;  // empty: refused
    };
    const Case cases[] = {
        {"set,initial_size,increment", ',', {"set", "initial_size", "increment"}},
        {" 1 , 2.5 ,", ',', {"1", "2.5", ""}},
        {"\"a,b\",\"say \"\"x\"\"\"", ',', {"a,b", "say \"x\""}},
        {"1;2,5;3", ';', {"1", "2,5", "3"}},
        {"\"open,1", ',', {}},
        {"\"a\"b,1", ',', {}},
    };
    for (const auto& c : cases) {
        std::string problem;
        auto fields = SplitCsvLine(c.line, c.separator, &problem);
        if (c.fields.empty()) {
            EXPECT_FALSE(fields) << c.line;
            EXPECT_FALSE(problem.empty()) << c.line;
        } else {
            ASSERT_TRUE(fields) << c.line << ": " << problem;
            EXPECT_EQ(*fields, c.fields) << c.line;
        }
    }
    EXPECT_EQ(CsvSeparator("midpoint;s1;s2"), ';');
    EXPECT_EQ(CsvSeparator("midpoint,s1;x"), ',');
    EXPECT_EQ(CsvSeparator("\"a;b\",c"), ',');
    EXPECT_TRUE(LooksLikeCsvHeader("set,increment"));
    EXPECT_FALSE(LooksLikeCsvHeader("   1  12.5   3.1"));
}

}  // namespace
}  // namespace corvane
